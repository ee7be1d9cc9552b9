// Fuzz target: the PNG decoder. A file is either refused (null) or decodes to a buffer of
// exactly width x height 4-byte pixels within the size limit.
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "assets/texture.h"
#include "fuzz_support.h"
#include "platform/fatal.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::catchFatalExits();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::refuseSpecialFiles(
        [](const std::string& p) {
            int32_t w = 0, h = 0;
            if (unsigned char* pixels = loadPng(p.c_str(), w, h)) {
                delete[] pixels;
                return;
            }
            platform::fatalExit(1); // refused: the way Texture::load ends
        },
        "the PNG decoder");
    fuzz::InputFile input(data, size);
    if (input.path().empty())
        return 0;
    int32_t width = -1, height = -1;
    unsigned char* pixels = nullptr;
    try {
        pixels = loadPng(input.path().c_str(), width, height);
    } catch (const std::bad_alloc&) {
        return 0; // a header within the limits that the fuzzer's memory cap refuses
    }
    if (!pixels)
        return 0;
    if (width < 1 || height < 1 || width > kMaxPngSide || height > kMaxPngSide)
        fuzz::broken("a decoded image outside the size limits");
    // Every byte of the buffer, so the sanitizer checks its size.
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        sum += pixels[i];
    volatile unsigned sink = sum;
    (void)sink;
    delete[] pixels;
    return 0;
}
