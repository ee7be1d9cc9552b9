// Per-frame numbers: brightness, and the figures measured through an id mask in the stencil
// buffer and through their silhouettes.
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
#include "tools/picture/picture.h"

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

// One figure as the id pass drew it: what it takes to draw it again on its own.
struct Sighting {
    Motion* motion = nullptr;
    GLfloat projection[16], modelview[16];
    GLboolean cull = GL_FALSE;
    GLint cullFace = GL_BACK, frontFace = GL_CCW;
    Pose pose; // the pose this draw showed
};

// What the hook sees of the frame being drawn. The hook is a plain function pointer, so its
// state lives here; one frame is measured at a time.
struct HookState {
    int figures = 0;                 // drawFigure calls so far in this frame
    std::map<Motion*, Pose> before;  // each motion's pose at its first draw of the frame
    std::vector<Sighting> sightings; // the id pass's figures, in draw order
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
// depth test; everything else drawn writes 0. Each figure's transform, culling and pose are
// kept for its silhouette.
void markFigure(Motion& motion, bool done) {
    if (done) {
        glStencilFunc(GL_ALWAYS, 0, 0xff);
        return;
    }
    ++hookState.figures;
    glStencilFunc(GL_ALWAYS, std::min(hookState.figures, 255), 0xff);
    Sighting& s = hookState.sightings.emplace_back();
    s.motion = &motion;
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    s.cull = glIsEnabled(GL_CULL_FACE);
    glGetIntegerv(GL_CULL_FACE_MODE, &s.cullFace);
    glGetIntegerv(GL_FRONT_FACE, &s.frontFace);
    if (motion.file)
        collectMatrices(motion.file->nodes, &s.pose);
}

// Where drawing the current figure lands, from the clipped polygons GL feedback mode returns:
// the window rectangle it can touch within a width x height viewport (x0, y0 inclusive, x1, y1
// exclusive, rows from the bottom; empty, x0 >= x1, when nothing of it reaches the screen),
// and whether the near plane cuts it (a clipped corner then lies at window depth 0).
struct Footprint {
    int box[4] = {0, 0, 0, 0};
    bool nearCut = false;
};

Footprint footprint(Motion& motion, int width, int height) {
    static std::vector<GLfloat> feedback(1 << 18);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    motion.drawPose();
    const GLint used = glRenderMode(GL_RENDER);
    Footprint f;
    if (used < 0) { // more than the buffer holds: the whole screen
        f.box[2] = width;
        f.box[3] = height;
        return f;
    }
    float x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    auto vertices = [&](GLint i, GLint n) {
        for (GLint v = 0; v < n && i + 2 < used; ++v, i += 3) {
            x0 = std::min(x0, feedback[i]);
            x1 = std::max(x1, feedback[i]);
            y0 = std::min(y0, feedback[i + 1]);
            y1 = std::max(y1, feedback[i + 1]);
            f.nearCut = f.nearCut || feedback[i + 2] <= 1e-6f;
        }
        return i;
    };
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(feedback[i++]);
        if (token == GL_POLYGON_TOKEN && i < used) {
            const GLint n = static_cast<GLint>(feedback[i++]);
            i = vertices(i, n);
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i = vertices(i, 2);
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
                   token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
            i = vertices(i, 1);
        } else {
            ++i; // GL_PASS_THROUGH_TOKEN and its value
        }
    }
    if (!(x0 <= x1))
        return f;
    // A pixel is covered when its centre is: widen by one on each side to be sure.
    f.box[0] = std::max(0, static_cast<int>(std::floor(x0)) - 1);
    f.box[1] = std::max(0, static_cast<int>(std::floor(y0)) - 1);
    f.box[2] = std::min(width, static_cast<int>(std::ceil(x1)) + 1);
    f.box[3] = std::min(height, static_cast<int>(std::ceil(y1)) + 1);
    if (f.box[0] >= f.box[2] || f.box[1] >= f.box[3])
        f.box[0] = f.box[2] = 0;
    return f;
}

// One figure's silhouette, drawn alone in the pose, transform and culling the frame showed it
// with, depth-tested against nothing and clipped to the screen, is measured into `f`: its
// regions and whether the screen's border or the near plane cuts it. Uses the stencil buffer
// within the figure's rectangle; colour and depth stay untouched.
void measureSilhouette(const Sighting& s, int width, int height, FigureStats* f) {
    if (!s.motion || !s.motion->file)
        return;
    size_t i = 0;
    restoreMatrices(s.motion->file->nodes, s.pose, &i);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(s.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(s.modelview);
    if (s.cull)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glCullFace(s.cullFace);
    glFrontFace(s.frontFace);

    const Footprint print = footprint(*s.motion, width, height);
    const int* box = print.box;
    const int w = box[2] - box[0], h = box[3] - box[1];
    f->cutByNearPlane = print.nearCut;
    if (w <= 0 || h <= 0)
        return;
    glScissor(box[0], box[1], w, h);
    glClear(GL_STENCIL_BUFFER_BIT);
    glStencilFunc(GL_ALWAYS, 1, 0xff);
    s.motion->drawPose();
    std::vector<std::uint8_t> mask(static_cast<size_t>(w) * h);
    glReadPixels(box[0], box[1], w, h, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, mask.data());
    f->regions = picture::countRegions(mask.data(), w, h);
    // Cut by the border: a pixel of it in the picture's outermost row or column.
    auto any = [&](int x, int y, int dx, int dy, int n) {
        for (int k = 0; k < n; ++k)
            if (mask[static_cast<size_t>(y + k * dy) * w + x + k * dx])
                return true;
        return false;
    };
    f->cutByEdge =
        (box[0] == 0 && any(0, 0, 0, 1, h)) || (box[2] == width && any(w - 1, 0, 0, 1, h)) ||
        (box[1] == 0 && any(0, 0, 1, 0, w)) || (box[3] == height && any(0, h - 1, 1, 0, w));
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

    for (int id = 1; id < 256; ++id) {
        const Sum& s = sums[id];
        if (s.pixels == 0)
            continue;
        FigureStats f;
        f.index = id - 1;
        f.pixels = s.pixels;
        f.height = s.bottom - s.top + 1;
        f.luma = s.luma / s.pixels;
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
               ", \"regions\": " + std::to_string(f.regions) +
               ", \"cut_by_edge\": " + (f.cutByEdge ? "true" : "false") +
               ", \"cut_by_near_plane\": " + (f.cutByNearPlane ? "true" : "false") + "}";
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
    FrameStats stats = measureFrame(seconds, *picture, ids);

    // The silhouettes, one figure at a time, for the figures that show. Afterwards the motions
    // hold the poses the frame left them in.
    std::map<Motion*, Pose> after;
    for (const Sighting& s : hookState.sightings)
        if (s.motion->file && after.find(s.motion) == after.end())
            collectMatrices(s.motion->file->nodes, &after[s.motion]);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_STENCIL_TEST);
    glClearStencil(0);
    glStencilMask(0xff);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    for (FigureStats& f : stats.figures)
        if (f.index < static_cast<int>(hookState.sightings.size()))
            measureSilhouette(hookState.sightings[f.index], w, h, &f);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    for (auto& [motion, pose] : after) {
        size_t i = 0;
        restoreMatrices(motion->file->nodes, pose, &i);
    }
    return stats;
}

} // namespace capture
