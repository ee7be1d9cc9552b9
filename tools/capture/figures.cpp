// --figures: every motion at three moments of its loop, head-on and from the side, in one
// labelled picture. Uses the demo's own Motion, models and start-up GL state through an
// offscreen context, with the tick held still so each moment is chosen exactly.
#include "figures.h"

#include <GL/gl.h>
#include <lib3ds/file.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "animation/motion.h"
#include "app/startup.h"
#include "assets/material.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "platform/offscreen_gl.h"
#include "platform/tick.h"
#include "tools/picture/picture.h"

#include "partial_output.h"

namespace capture {
namespace {

struct MotionEntry {
    const char* label;
    const char* path;
    bool body; // the torso replaces the "Upper spin" bone, as in the demo
};

const MotionEntry kMotions[] = {
    {"human_dance", "../models/moves/human_dance.3ds", false},
    {"vakt", "../models/moves/vakt.3ds", true},
    {"sitting", "../models/moves/sitting.3DS", false},
    {"bar_man", "../models/moves/bar_man.3DS", false},
    {"kelbro", "../models/moves/kelbro.3DS", false},
    {"pist", "../models/moves/pist.3DS", false},
    {"walking_man", "../models/moves/walking_man.3DS", true},
    {"hoppande", "../models/moves/hoppande.3DS", false},
    {"pist2", "../models/moves/pist2.3DS", false},
    {"juck", "../models/moves/juck.3DS", false},
};
constexpr int kMotionCount = sizeof kMotions / sizeof kMotions[0];

// Moments shown, as fractions of each loop; the dances change move about every third of it.
const double kMoments[] = {1.0 / 6, 0.5, 5.0 / 6};
constexpr int kMomentCount = 3;

// Cell size in pixels at scale 1 and the world window it shows (rig units, y up, feet at 0).
constexpr int kBaseCellW = 112, kBaseCellH = 144, kLabelH = 12;
constexpr double kViewW = 180, kViewBottom = -12;
constexpr unsigned kFps = 60;

struct Layout {
    int cellW, cellH;
    double viewH; // world height shown under the label strip
};

// A white key light from the upper front left and a grey fill, fixed to the eye.
void setupLight() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat position[4] = {-0.4f, 0.6f, 1.0f, 0.0f};
    const GLfloat diffuse[4] = {0.85f, 0.85f, 0.85f, 1};
    const GLfloat ambient[4] = {0.45f, 0.45f, 0.45f, 1};
    const GLfloat black[4] = {0, 0, 0, 1};
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
}

// Draws one figure in the cell at column `col`, row `row` (from the top), turned by `angle`
// degrees about y, at the moment `frame` of its loop.
void drawCell(const Layout& layout, Motion& motion, Material& plain, int col, int row, int rows,
              double angle, int frame) {
    const int x = col * layout.cellW, y = (rows - 1 - row) * layout.cellH;
    glViewport(x, y, layout.cellW, layout.cellH - kLabelH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kViewW / 2, kViewW / 2, kViewBottom, kViewBottom + layout.viewH, -400, 400);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(angle, 0, 1, 0);
    // The offset puts the frame's middle under the held clock (which reads 0).
    const float offset = static_cast<float>((frame + 0.5) / kFps);
    plain.apply();
    // The first draw shows the previous pose and evaluates the wanted one; the second shows it.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    motion.draw(kFps, offset);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    plain.apply();
    motion.draw(kFps, offset);
}

} // namespace

int drawFigureSheet(const std::string& path, int scale) {
    Layout layout;
    layout.cellW = kBaseCellW * scale;
    layout.cellH = kBaseCellH * scale;
    layout.viewH = kViewW * (layout.cellH - kLabelH) / layout.cellW;
    const int cellW = layout.cellW, cellH = layout.cellH;
    platform::useVirtualTick(true);
    platform::setVirtualTick(0);

    const int cols = 2 * kMomentCount, rows = kMotionCount;
    const int width = cols * cellW, height = rows * cellH;
    platform::OffscreenGl gl;
    std::string error;
    if (!gl.create(width, height, &error)) {
        std::fprintf(stderr, "demo-capture: no offscreen OpenGL context: %s\n", error.c_str());
        return 1;
    }
    setupFixedGlState();
    glClearColor(0.30f, 0.32f, 0.38f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setupLight();

    static Material plain;
    plain.setAmbient(0.2f);
    plain.setDiffuse(1.0f);
    static Mesh headMesh, bodyMesh;
    static Texture headTexture, bodyTexture;
    static Model head, body;
    headTexture.load("../textures/head.png");
    bodyTexture.load("../textures/body.png");
    headMesh.load("../models/head_hat.obj");
    bodyMesh.load("../models/body.obj");
    head.setMesh(&headMesh);
    head.setTexture(&headTexture);
    head.setMaterial(&plain);
    body.setMesh(&bodyMesh);
    body.setTexture(&bodyTexture);
    body.setMaterial(&plain);

    static Motion motions[kMotionCount];
    for (int m = 0; m < kMotionCount; ++m) {
        motions[m].load(kMotions[m].path);
        motions[m].attachModel(&head, "Head");
        if (kMotions[m].body)
            motions[m].attachModel(&body, "Upper spin");
    }

    for (int m = 0; m < kMotionCount; ++m) {
        const int frames = motions[m].file->frames;
        for (int k = 0; k < kMomentCount; ++k) {
            const int frame = static_cast<int>(std::floor(kMoments[k] * frames));
            drawCell(layout, motions[m], plain, k, m, rows, 0, frame);
            drawCell(layout, motions[m], plain, kMomentCount + k, m, rows, -90, frame);
        }
    }
    glFinish();

    picture::RgbImage image{width, height, gl.readRgbTopDown()};
    std::vector<std::uint8_t>& rgb = image.pixels;
    // Floor lines, cell borders and labels.
    const int floorRow =
        cellH - static_cast<int>(std::lround(-kViewBottom / layout.viewH * (cellH - kLabelH)));
    auto set = [&](int px, int py, std::uint8_t v) {
        std::uint8_t* p = &rgb[(static_cast<size_t>(py) * width + px) * 3];
        p[0] = p[1] = p[2] = v;
    };
    for (int r = 0; r < rows; ++r)
        for (int px = 0; px < width; ++px) {
            set(px, r * cellH, 20);
            if (r * cellH + floorRow < height)
                set(px, r * cellH + floorRow, 120);
        }
    for (int c = 1; c < cols; ++c)
        for (int py = 0; py < height; ++py)
            set(c * cellW, py, c == kMomentCount ? 20 : 60);
    const unsigned char ink[3] = {235, 225, 150};
    for (int m = 0; m < kMotionCount; ++m) {
        std::string label = kMotions[m].label;
        for (char& c : label)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        picture::drawText(&image, 3, m * cellH + 3, label, 1, ink);
        picture::drawText(&image, kMomentCount * cellW + 3, m * cellH + 3, "SIDE", 1, ink);
    }
    PartialOutput partial(partialName(path), PartialOutput::Kind::File);
    if (!picture::writePng(partial.path(), image, &error) || !partial.commit(path, &error)) {
        std::fprintf(stderr, "demo-capture: %s\n", error.c_str());
        return 1;
    }
    std::printf("demo-capture: %d motions, %d x %d pixels, written to %s\n", kMotionCount, width,
                height, path.c_str());
    return 0;
}

} // namespace capture
