// Per-frame numbers: brightness, and the figures measured through an id mask in the stencil
// buffer.
#include "stats.h"

#include <GL/gl.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "animation/motion.h"
#include "app/clock.h"
#include "app/frame.h"
#include "app/manifest.h"
#include "app/timeline.h"
#include "assets/mesh.h"
#include "camera/camera.h"
#include "sequences/figure.h"

namespace capture {
namespace {

// The node matrices of a motion, in depth-first order: the pose its next draw shows.
struct NodeMatrix {
    float m[16];
};
using Pose = std::vector<NodeMatrix>;

void collectMatrices(Lib3dsNode* node, Pose* pose) {
    for (; node; node = node->next) {
        collectMatrices(node->childs, pose);
        pose->emplace_back();
        std::memcpy(pose->back().m, node->matrix, sizeof(NodeMatrix));
    }
}

void restoreMatrices(Lib3dsNode* node, const Pose& pose, size_t* i) {
    for (; node; node = node->next) {
        restoreMatrices(node->childs, pose, i);
        std::memcpy(node->matrix, pose[(*i)++].m, sizeof(NodeMatrix));
    }
}

// What the hook sees of the frame being drawn. The hook is a plain function pointer, so its
// state lives here; one frame is measured at a time.
struct HookState {
    int figures = 0;                // drawFigure calls so far in this frame
    std::map<Motion*, Pose> before; // each motion's pose at its first draw of the frame
};
HookState hookState;

// During the real frame: notes how many figures there are and each motion's pose before the
// frame changed it. No GL call, so the picture is untouched.
void recordFigure(Motion& motion, bool done) {
    if (done)
        return;
    ++hookState.figures;
    if (motion.file && hookState.before.find(&motion) == hookState.before.end())
        collectMatrices(motion.file->nodes, &hookState.before[&motion]);
}

// During the id pass: figure k writes k + 1 into the stencil buffer wherever it passes the
// depth test; everything else drawn writes 0.
void markFigure(Motion&, bool done) {
    if (done) {
        glStencilFunc(GL_ALWAYS, 0, 0xff);
        return;
    }
    ++hookState.figures;
    glStencilFunc(GL_ALWAYS, std::min(hookState.figures, 255), 0xff);
}

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

FrameStats measureFrame(double seconds, const RgbImage& picture,
                        const std::vector<std::uint8_t>& ids) {
    FrameStats stats;
    stats.seconds = seconds;
    const int w = picture.width, h = picture.height;
    const size_t count = static_cast<size_t>(w) * h;
    if (count == 0 || picture.pixels.size() < count * 3 || ids.size() < count)
        return stats;

    struct Sum {
        long long pixels = 0;
        double luma = 0.0;
        int top = 0, bottom = -1;
        int regions = 0;
    };
    Sum sums[256];
    double total = 0.0;
    long long bright = 0, nearBlack = 0;
    for (size_t i = 0; i < count; ++i) {
        const double y = luma(&picture.pixels[i * 3]);
        total += y;
        bright += y >= kBrightLuma;
        nearBlack += y < kNearBlackLuma;
        if (ids[i] != 0) {
            Sum& s = sums[ids[i]];
            const int row = static_cast<int>(i / w);
            if (s.pixels == 0)
                s.top = row;
            s.bottom = row;
            ++s.pixels;
            s.luma += y;
        }
    }
    stats.meanLuma = total / count;
    stats.brightShare = static_cast<double>(bright) / count;
    stats.nearBlackShare = static_cast<double>(nearBlack) / count;

    // Regions: flood fill over pixels of the same id, diagonal neighbours included, since a
    // thin limb at a slant is drawn as a chain of pixels that touch only at their corners.
    std::vector<std::uint8_t> seen(count, 0);
    std::vector<size_t> stack;
    for (size_t start = 0; start < count; ++start) {
        const std::uint8_t id = ids[start];
        if (id == 0 || seen[start])
            continue;
        ++sums[id].regions;
        seen[start] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const size_t p = stack.back();
            stack.pop_back();
            const int px = static_cast<int>(p % w), py = static_cast<int>(p / w);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = px + dx, ny = py + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const size_t q = static_cast<size_t>(ny) * w + nx;
                    if (!seen[q] && ids[q] == id) {
                        seen[q] = 1;
                        stack.push_back(q);
                    }
                }
        }
    }
    for (int id = 1; id < 256; ++id) {
        const Sum& s = sums[id];
        if (s.pixels == 0)
            continue;
        FigureStats f;
        f.index = id - 1;
        f.pixels = s.pixels;
        f.height = s.bottom - s.top + 1;
        f.luma = s.luma / s.pixels;
        f.regions = s.regions;
        stats.figures.push_back(f);
    }
    return stats;
}

std::string frameJson(const FrameStats& s) {
    long long pixels = 0;
    int tallest = 0;
    double lumaSum = 0.0;
    for (const FigureStats& f : s.figures) {
        pixels += f.pixels;
        tallest = std::max(tallest, f.height);
        lumaSum += f.luma * f.pixels;
    }
    std::string out = "{\"t\": " + number(s.seconds, 3) +
                      ", \"mean_luma\": " + number(s.meanLuma, 2) +
                      ", \"bright\": " + number(s.brightShare, 4) +
                      ", \"near_black\": " + number(s.nearBlackShare, 4) +
                      ", \"figures_on_screen\": " + std::to_string(s.figures.size()) +
                      ", \"figure_pixels\": " + std::to_string(pixels) +
                      ", \"tallest_figure_px\": " + std::to_string(tallest) +
                      ", \"figure_luma\": " + (pixels > 0 ? number(lumaSum / pixels, 2) : "null") +
                      ", \"figures\": [";
    for (size_t i = 0; i < s.figures.size(); ++i) {
        const FigureStats& f = s.figures[i];
        out += (i ? ", " : "") + std::string("{\"index\": ") + std::to_string(f.index) +
               ", \"pixels\": " + std::to_string(f.pixels) +
               ", \"height\": " + std::to_string(f.height) + ", \"luma\": " + number(f.luma, 2) +
               ", \"regions\": " + std::to_string(f.regions) + "}";
    }
    return out + "]}";
}

FrameStats FrameMeter::drawAndMeasure(Playback* playback, double seconds, RgbImage* picture) {
    // The frame itself, with the hook only taking notes.
    const Camera cameraBefore = camera;
    hookState = HookState{};
    figureDrawHook = recordFigure;
    playback->draw(seconds);
    figureDrawHook = nullptr;
    picture->width = playback->gl().width();
    picture->height = playback->gl().height();
    picture->pixels = playback->gl().readRgbTopDown();
    const Camera cameraAfter = camera;

    // The id pass: the same frame again from the same state (same tick, camera and poses), so
    // every figure stands where it stood and shows the pose it showed. The beams draw nothing.
    camera = cameraBefore;
    for (auto& [motion, pose] : hookState.before) {
        size_t i = 0;
        restoreMatrices(motion->file->nodes, pose, &i);
    }
    static Mesh noBeam;
    Mesh* beam = mdlBlend.mesh;
    mdlBlend.mesh = &noBeam;
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xff);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    hookState.figures = 0;
    figureDrawHook = markFigure;
    drawFrame();
    figureDrawHook = nullptr;
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    mdlBlend.mesh = beam;
    camera = cameraAfter;

    const int w = picture->width, h = picture->height;
    std::vector<std::uint8_t> bottomUp(static_cast<size_t>(w) * h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<std::uint8_t> ids(bottomUp.size());
    for (int y = 0; y < h; ++y)
        std::memcpy(&ids[static_cast<size_t>(y) * w], &bottomUp[static_cast<size_t>(h - 1 - y) * w],
                    w);
    return measureFrame(seconds, *picture, ids);
}

} // namespace capture
