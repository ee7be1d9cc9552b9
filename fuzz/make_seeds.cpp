// fuzz-seeds OUTDIR: writes the small seed files of the fuzz corpora, one folder per target
// (OUTDIR/obj, path, png, 3ds), from the same fixtures the tests use: PNGs of every colour
// type, bit depth and interlacing, the test rig and scene through lib3ds's own writer, and
// OBJ and path texts that touch every rule of their grammars. scripts/fuzz.sh adds the
// project's generated assets beside them.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "animation/rig_fixture.h"
#include "assets/png_writer.h"

namespace fs = std::filesystem;

namespace {

bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// Sample values that use the whole range of the bit depth.
PngImage pngOf(int colorType, int bitDepth, bool interlaced, int width, int height) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = colorType;
    image.bitDepth = bitDepth;
    image.interlaced = interlaced;
    const unsigned entries = bitDepth == 1 ? 2 : 4; // a palette may not outgrow its depth
    const unsigned top = colorType == PNG_COLOR_TYPE_PALETTE ? entries - 1 : (1u << bitDepth) - 1;
    const int samples = width * height * pngChannels(colorType);
    for (int i = 0; i < samples; ++i)
        image.samples.push_back(static_cast<uint16_t>((i * 7919u) % (top + 1)));
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        image.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        image.palette.resize(entries);
    }
    return image;
}

bool writePngSeeds(const fs::path& dir) {
    struct Kind {
        int colorType;
        std::vector<int> depths;
    };
    const Kind kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},  {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    bool ok = true;
    for (const Kind& kind : kinds) {
        for (const int depth : kind.depths) {
            for (const bool interlaced : {false, true}) {
                const std::string name = "type" + std::to_string(kind.colorType) + "_depth" +
                                         std::to_string(depth) + (interlaced ? "_adam7" : "") +
                                         ".png";
                ok = writePng((dir / name).string(),
                              pngOf(kind.colorType, depth, interlaced, 5, 3)) &&
                     ok;
            }
        }
    }
    // Transparency chunks: palette alpha, and a transparent colour for grey and RGB.
    PngImage palette = pngOf(PNG_COLOR_TYPE_PALETTE, 8, false, 4, 4);
    palette.paletteAlpha = {0, 128, 255};
    ok = writePng((dir / "palette_trns.png").string(), palette) && ok;
    PngImage grey = pngOf(PNG_COLOR_TYPE_GRAY, 8, false, 4, 4);
    grey.hasTransparentColor = true;
    grey.transparentColor.gray = 7;
    ok = writePng((dir / "grey_trns.png").string(), grey) && ok;
    PngImage rgb = pngOf(PNG_COLOR_TYPE_RGB, 16, false, 4, 4);
    rgb.hasTransparentColor = true;
    rgb.transparentColor.red = 7;
    ok = writePng((dir / "rgb16_trns.png").string(), rgb) && ok;
    ok =
        writePng((dir / "one_pixel.png").string(), pngOf(PNG_COLOR_TYPE_RGB, 8, false, 1, 1)) && ok;
    return ok;
}

bool write3dsSeeds(const fs::path& dir) {
    return writeTestRig((dir / "rig_100_frames.3ds").string(), 100) &&
           writeTestRig((dir / "rig_1_frame.3ds").string(), 1) &&
           writeTestRig((dir / "rig_0_frames.3ds").string(), 0) &&
           writeTestScene((dir / "scene.3ds").string());
}

bool writeObjSeeds(const fs::path& dir) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                 "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1\n";
    return writeText(dir / "triangle.obj", triangle) &&
           writeText(dir / "everything.obj",
                     "# comment\nmtllib a.mtl\no object\ng group\ns 1\nusemtl m\n"
                     "v -1.5e2 +2.25 .5 1\nvp 1 2 3\nvt 0.25 0.75 0\nvt 1 1\n"
                     "vn 0 0 1\nvn 1 0 0\n  v 9 9 9\n\n"
                     "f 1/1/1 2/2/2 1/2/1 2/1/2\nf 2/1/1 1/2/2 2/2/1\n") &&
           writeText(dir / "empty.obj", "") &&
           writeText(dir / "comments.obj", "# only\n# comments\n") &&
           writeText(dir / "crlf.obj", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvt 0 0\r\nvn 0 0 1\r\n"
                                       "f 1/1/1 2/1/1 3/1/1\r\n");
}

bool writePathSeeds(const fs::path& dir) {
    const std::string head = "*3DSMAX_ASCIIEXPORT 200\n*SCENE {\n}\n*SHAPEOBJECT {\n"
                             "*NODE_TM {\n}\n*SHAPE_LINE 0 {\n";
    return writeText(dir / "five_knots.ASE", head + "*SHAPE_VERTEXCOUNT 5\n"
                                                    "*SHAPE_VERTEX_KNOT 0 0.0 0.0 0.0\n"
                                                    "*SHAPE_VERTEX_KNOT 1 10.0 0.0 0.0\n"
                                                    "*SHAPE_VERTEX_INTERP 2 20.0 0.0 5.0\n"
                                                    "*SHAPE_VERTEX_KNOT 3 30.0 -5.0 5.0\n"
                                                    "*SHAPE_VERTEX_KNOT 4 40.0 -5.0 0.0\n}\n}\n") &&
           writeText(dir / "one_knot.ASE", head + "*SHAPE_VERTEXCOUNT 1\n*V 0 1e3 -2.5E-1 +3\n") &&
           writeText(dir / "coincident.ASE",
                     head + "*SHAPE_VERTEXCOUNT 3\n*V 0 1 1 1\n*V 1 1 1 1\n*V 2 1 1 1\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* target : {"obj", "path", "png", "3ds"})
        fs::create_directories(out / target);
    const bool ok = writeObjSeeds(out / "obj") && writePathSeeds(out / "path") &&
                    writePngSeeds(out / "png") && write3dsSeeds(out / "3ds");
    if (!ok) {
        std::fprintf(stderr, "fuzz-seeds: cannot write the seeds to %s\n", out.c_str());
        return 1;
    }
    return 0;
}
