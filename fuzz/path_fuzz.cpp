// Fuzz target: the camera path reader and the sampling the sequences do every frame. A file
// is either refused through the fatal seam (status 1) or yields at least one knot, and then
// every parameter, spacing and formula samples without fault.
#include <cstddef>
#include <cstdint>

#include "animation/camera_path.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::catchFatalExits();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::refuseSpecialFiles(
        [](const std::string& p) {
            CameraPath c;
            c.load(p.c_str());
        },
        "the path reader");
    fuzz::InputFile input(data, size);
    if (input.path().empty())
        return 0;
    CameraPath path;
    if (!fuzz::accepted([&] { path.load(input.path().c_str()); }, "the path reader"))
        return 0;
    if (path.knotCount < 1)
        fuzz::broken("a path loaded without knots");
    const float ts[] = {-1.0f, 0.0f, 1e-6f, 0.1f, 0.25f, 0.5f, 0.75f, 0.9f, 0.999f, 1.0f, 2.0f};
    volatile float sink = 0.0f;
    for (const float t : ts) {
        for (const bool byLength : {false, true}) {
            for (const int mode : {SplineMode::Cubic, SplineMode::CatmullRom}) {
                float x = 0, y = 0, z = 0;
                path.sample(t, byLength, &x, &y, &z, mode);
                sink = sink + x + y + z;
            }
        }
    }
    return 0;
}
