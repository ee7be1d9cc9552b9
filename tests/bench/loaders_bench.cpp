// Load times of the asset loaders on large generated fixtures: a 50,000-face OBJ mesh and a
// 1024 x 1024 RGBA PNG, decoded alone and decoded plus uploaded.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../assets/png_writer.h"
#include "assets/mesh.h"
#include "assets/texture.h"
#include "platform/offscreen_gl.h"
#include "support/paths.h"

namespace {

constexpr int kFaces = 50000;
constexpr int kPngSide = 1024;

// A wavy grid of 126 x 200 cells, two triangles per cell, cut to exactly kFaces faces, with one
// texture coordinate and one normal per position, written as an exporter would.
std::string writeObjFixture(const std::string& dir) {
    constexpr int columns = 126, rows = 200;
    std::string text = "# benchmark grid\no grid\n";
    char line[160];
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x) {
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x * 0.5, 0.1 * ((x * y) % 7),
                          y * 0.5);
            text += line;
        }
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x) {
            std::snprintf(line, sizeof line, "vt %.6f %.6f\n", x / double(columns),
                          y / double(rows));
            text += line;
        }
    for (int i = 0; i < (columns + 1) * (rows + 1); ++i)
        text += "vn 0.000000 1.000000 0.000000\n";
    text += "s 1\nusemtl grid\n";
    int faces = 0;
    for (int y = 0; y < rows && faces < kFaces; ++y)
        for (int x = 0; x < columns && faces < kFaces; ++x) {
            const int a = y * (columns + 1) + x + 1, b = a + 1, c = a + columns + 1, d = c + 1;
            const int triangles[2][3] = {{a, c, b}, {b, c, d}};
            for (const auto& f : triangles) {
                if (faces == kFaces)
                    break;
                ++faces;
                std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", f[0], f[0], f[0],
                              f[1], f[1], f[1], f[2], f[2], f[2]);
                text += line;
            }
        }
    const std::string path = dir + "/models/grid.obj";
    writeFile(path, text);
    return path;
}

// Smooth gradients with some noise, so the file compresses like a real texture.
std::string writePngFixture(const std::string& dir) {
    std::vector<uint8_t> bgra(size_t(kPngSide) * kPngSide * 4);
    uint32_t noise = 12345;
    for (int y = 0; y < kPngSide; ++y)
        for (int x = 0; x < kPngSide; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* p = &bgra[(size_t(y) * kPngSide + x) * 4];
            p[0] = uint8_t(x / 4 + (noise >> 29));
            p[1] = uint8_t(y / 4 + (noise >> 28 & 3));
            p[2] = uint8_t((x + y) / 8);
            p[3] = uint8_t(255 - (noise >> 30));
        }
    const std::string path = dir + "/textures/big.png";
    writeBgraPng(path, kPngSide, kPngSide, bgra);
    return path;
}

const std::string& fixtureDir() {
    static const std::string dir = makeScratchTree("bench-loaders");
    return dir;
}

void BM_LoadObj50kFaces(benchmark::State& state) {
    static const std::string path = writeObjFixture(fixtureDir());
    Mesh mesh;
    for (auto _ : state) {
        mesh.load(path.c_str());
        benchmark::DoNotOptimize(mesh.faces);
    }
    if (mesh.faceCount != kFaces)
        state.SkipWithError("fixture did not load as 50,000 faces");
    state.counters["faces"] = mesh.faceCount;
    state.counters["bytes"] = double(readFile(path).size());
}
BENCHMARK(BM_LoadObj50kFaces)->Unit(benchmark::kMillisecond);

void BM_DecodePng1024Rgba(benchmark::State& state) {
    static const std::string path = writePngFixture(fixtureDir());
    for (auto _ : state) {
        int32_t width = 0, height = 0;
        unsigned char* pixels = loadPng(path.c_str(), width, height);
        if (!pixels || width != kPngSide || height != kPngSide) {
            state.SkipWithError("fixture did not decode");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        delete[] pixels;
    }
    state.counters["bytes"] = double(readFile(path).size());
}
BENCHMARK(BM_DecodePng1024Rgba)->Unit(benchmark::kMillisecond);

// Texture::load as start-up runs it: decode plus the GL upload (Mesa llvmpipe).
void BM_LoadTexture1024Rgba(benchmark::State& state) {
    static const std::string path = writePngFixture(fixtureDir());
    static platform::OffscreenGl gl;
    std::string error;
    if (gl.width() == 0 && !gl.create(16, 16, &error)) {
        state.SkipWithError(("no GL context: " + error).c_str());
        return;
    }
    for (auto _ : state) {
        Texture texture;
        texture.load(path.c_str());
        glFinish();
        glDeleteTextures(1, &texture.textureId);
        delete[] texture.pixels;
    }
}
BENCHMARK(BM_LoadTexture1024Rgba)->Unit(benchmark::kMillisecond);

} // namespace
