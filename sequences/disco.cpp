// The disco: the camera opens out of the fog and tours the room along the disco path among
// circling coloured lights, dancers and swinging lamps, then holds a nodding close-up.
#include "sequences/disco.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "app/clock.h"
#include "app/manifest.h"
#include "assets/mesh.h"
#include "camera/camera.h"
#include "sequences/disco_lamps.h"
#include "sequences/figure.h"
#include "sequences/fog.h"

namespace {

const double kPi = 3.14159265358979323846;

// Seconds of sequence time over which the eye runs the whole disco path.
const double kPathSeconds = 60.0;
const double kLookAheadSeconds = 3.0;

void placeCamera(int mode, double t) {
    if (mode < 2) {
        const double h = std::fmod(t, kPathSeconds);
        camera.eyeFromPath(pathDisco, static_cast<float>(h / kPathSeconds), true,
                           SplineMode::CatmullRom);
        camera.centerFromPath(pathDisco, static_cast<float>((h + kLookAheadSeconds) / kPathSeconds),
                              true, SplineMode::CatmullRom);
    } else {
        // Standing in the lounge, facing the dancer on the table, nodding.
        camera.setCenter(-124, static_cast<float>(5.0 * std::sin(6.5 * t + 0.5) - 16.0), 109);
        camera.setEye(-91, -15, 109);
    }
    camera.setUp(0, 1, 0);
    camera.apply();
}

// Whether a point lies outside the hall by more than a unit: the hall runs from x -208 to
// 66 and z -282 to 162 up to the ceiling at 80, over the floor at 0 and the lounge's pit sunk
// to -36 between x -190 and -74, z 66 and 152. The walls' surfaces lie on the bounds, and the
// bars of the windows stand half a unit beyond them.
bool outsideHall(float x, float y, float z) {
    const bool pit = x > -191 && x < -73 && z > 65 && z < 153 && y > -37;
    return x < -209 || x > 67 || z < -283 || z > 163 || y > 81 || (y < -1 && !pit);
}

// The room mesh ends with the world outside the hall, the light wells and the skyline, which
// show only through the hall's openings. The first of those faces: the last faces lying
// outside the hall.
int32_t outsideFrom(const Mesh& m) {
    int32_t first = m.faceCount;
    while (first > 0) {
        const Face& f = m.faces[first - 1];
        float c[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a)
                c[a] += m.vertices[3 * f.vertex[k] + a] / 3;
        if (!outsideHall(c[0], c[1], c[2]))
            break;
        --first;
    }
    return first;
}

// The openings through which the hall looks out, a unit larger all round: the window behind
// the booth, the glass in the west wall and in the north wall over the lounge, the window in
// the pit's far wall, the low glass along its sides and its glass floor. Corners in order.
// The pit's openings are seen only through its mouth from above the hall's floor.
struct Opening {
    float corner[4][3];
    bool inPit;
};
const Opening kOpenings[] = {
    {{{-31, 41.3f, -282}, {27, 41.3f, -282}, {27, 78, -282}, {-31, 78, -282}}, false},
    {{{-208, 0.5f, -95}, {-208, 0.5f, 161}, {-208, 78, 161}, {-208, 78, -95}}, false},
    {{{-207, 0.5f, 162}, {-69, 0.5f, 162}, {-69, 78, 162}, {-207, 78, 162}}, false},
    {{{-190, -34, 68}, {-190, -34, 150}, {-190, -0.4f, 150}, {-190, -0.4f, 68}}, true},
    {{{-191, -35.5f, 152}, {-73, -35.5f, 152}, {-73, -20.2f, 152}, {-191, -20.2f, 152}}, true},
    {{{-191, -35.5f, 66}, {-73, -35.5f, 66}, {-73, -20.2f, 66}, {-191, -20.2f, 66}}, true},
    {{{-185, -36, 71}, {-78, -36, 71}, {-78, -36, 148}, {-185, -36, 148}}, true},
};
const Opening kPitMouth{{{-191, 0, 65}, {-73, 0, 65}, {-73, 0, 153}, {-191, 0, 153}}, false};

// A rectangle of the window, x0, y0 to x1, y1 in pixels.
struct ScreenRect {
    float x0, y0, x1, y1;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

ScreenRect overlap(const ScreenRect& a, const ScreenRect& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

// The rectangle of the viewport that holds the opening's picture under the matrices (column
// major, the modelview's and projection's product), two pixels larger all round; empty when
// it is out of the picture.
ScreenRect onScreen(const Opening& o, const float mvp[16], const GLint vp[4]) {
    // Clip coordinates of the corners, then the polygon cut to w >= a small positive value:
    // what lies behind the eye has no place in the picture.
    std::array<std::array<float, 4>, 4> corners;
    for (int i = 0; i < 4; ++i)
        for (int r = 0; r < 4; ++r)
            corners[i][r] = mvp[r] * o.corner[i][0] + mvp[4 + r] * o.corner[i][1] +
                            mvp[8 + r] * o.corner[i][2] + mvp[12 + r];
    const float kMinW = 1e-3f;
    ScreenRect r{1e9f, 1e9f, -1e9f, -1e9f};
    auto add = [&](const std::array<float, 4>& c) {
        const float x = vp[0] + (c[0] / c[3] + 1) * 0.5f * vp[2];
        const float y = vp[1] + (c[1] / c[3] + 1) * 0.5f * vp[3];
        r = {std::min(r.x0, x), std::min(r.y0, y), std::max(r.x1, x), std::max(r.y1, y)};
    };
    for (int i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        if (a[3] >= kMinW)
            add(a);
        if ((a[3] >= kMinW) != (b[3] >= kMinW)) {
            const float t = (kMinW - a[3]) / (b[3] - a[3]);
            std::array<float, 4> c;
            for (int k = 0; k < 4; ++k)
                c[k] = a[k] + (b[k] - a[k]) * t;
            add(c);
        }
    }
    const ScreenRect viewport{static_cast<float>(vp[0]), static_cast<float>(vp[1]),
                              static_cast<float>(vp[0] + vp[2]), static_cast<float>(vp[1] + vp[3])};
    return overlap({r.x0 - 2, r.y0 - 2, r.x1 + 2, r.y1 + 2}, viewport);
}

// The room, its outside drawn once through each opening in the picture, cut to that
// opening's rectangle of it, and of the outside only the faces that reach into that
// rectangle: the same picture, without rasterizing the outside where the walls hide it.
// Where two rectangles overlap the second pass only meets its own depths.
void drawRoom() {
    if (!mdlDiscoRoom.mesh) {
        mdlDiscoRoom.draw();
        return;
    }
    // Found again every frame, since the mesh may be loaded again: a scan of the few hundred
    // faces at the end.
    const Mesh& mesh = *mdlDiscoRoom.mesh;
    const int32_t faces = mesh.faceCount;
    const int32_t outside = outsideFrom(mesh);
    mdlDiscoRoom.draw(0, outside);
    if (outside == faces)
        return;
    float mv[16], pr[16], mvp[16];
    GLint vp[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            mvp[4 * c + r] = 0;
            for (int k = 0; k < 4; ++k)
                mvp[4 * c + r] += pr[4 * k + r] * mv[4 * c + k];
        }
    // Each outside face's rectangle in the picture; the whole picture for one reaching
    // behind the eye.
    static std::vector<ScreenRect> extent;
    extent.resize(static_cast<size_t>(faces - outside));
    const ScreenRect everything{-1e9f, -1e9f, 1e9f, 1e9f};
    for (int32_t i = outside; i < faces; ++i) {
        ScreenRect& e = extent[static_cast<size_t>(i - outside)];
        e = {1e9f, 1e9f, -1e9f, -1e9f};
        for (int k = 0; k < 3; ++k) {
            const float* p = mesh.vertices + 3 * mesh.faces[i].vertex[k];
            float c[4];
            for (int r = 0; r < 4; ++r)
                c[r] = mvp[r] * p[0] + mvp[4 + r] * p[1] + mvp[8 + r] * p[2] + mvp[12 + r];
            if (c[3] < 1e-3f) {
                e = everything;
                break;
            }
            const float x = vp[0] + (c[0] / c[3] + 1) * 0.5f * vp[2];
            const float y = vp[1] + (c[1] / c[3] + 1) * 0.5f * vp[3];
            e = {std::min(e.x0, x), std::min(e.y0, y), std::max(e.x1, x), std::max(e.y1, y)};
        }
    }
    const bool abovePit = camera.eye[1] > 0;
    const ScreenRect mouth = onScreen(kPitMouth, mvp, vp);
    glEnable(GL_SCISSOR_TEST);
    for (const Opening& o : kOpenings) {
        ScreenRect r = onScreen(o, mvp, vp);
        if (o.inPit && abovePit)
            r = overlap(r, mouth);
        if (r.empty())
            continue;
        const GLint x = static_cast<GLint>(std::floor(r.x0));
        const GLint y = static_cast<GLint>(std::floor(r.y0));
        glScissor(x, y, static_cast<GLsizei>(std::ceil(r.x1)) - x,
                  static_cast<GLsizei>(std::ceil(r.y1)) - y);
        // Runs of faces that reach into the rectangle (an edge touching it counts).
        int32_t run = -1;
        for (int32_t i = outside; i <= faces; ++i) {
            bool in = false;
            if (i < faces) {
                const ScreenRect& e = extent[static_cast<size_t>(i - outside)];
                in = e.x1 >= r.x0 && e.x0 <= r.x1 && e.y1 >= r.y0 && e.y0 <= r.y1;
            }
            if (in && run < 0)
                run = i;
            if (!in && run >= 0) {
                mdlDiscoRoom.drawFaces(run, i);
                run = -1;
            }
        }
    }
    glDisable(GL_SCISSOR_TEST);
}

} // namespace

void discoLightPosition(int light, float tau, float out[4]) {
    // Red lights circle, green lights run Lissajous figures, around two centres at height 20.
    const double cx = light < 2 ? 0.0 : -125.0;
    const double cz = light < 2 ? 0.0 : -184.0;
    const bool red = light % 2 == 0;
    out[0] = static_cast<float>(50.0 * std::cos((red ? 4.0 : 5.0) * tau) + cx);
    out[1] = 20.0f;
    out[2] = static_cast<float>(50.0 * std::sin((red ? 4.0 : 6.0) * tau) + cz);
    out[3] = 1.0f;
}

void setDiscoLights(double T) {
    const float tau = static_cast<float>(T);
    static const GLfloat kRed[4] = {1, 0, 0, 1}, kRedSpecular[4] = {0.3f, 0, 0, 1};
    static const GLfloat kGreen[4] = {0, 1, 0, 1}, kGreenSpecular[4] = {0, 0.3f, 0, 1};
    static const GLfloat kAmbient[4] = {0.5f, 0.5f, 0.5f, 1};
    glPushMatrix();
    for (int i = 0; i < 4; ++i) {
        const GLenum light = GL_LIGHT0 + i;
        const bool red = i % 2 == 0;
        float position[4];
        discoLightPosition(i, tau, position);
        glEnable(light);
        glLightfv(light, GL_POSITION, position);
        glLightfv(light, GL_DIFFUSE, red ? kRed : kGreen);
        glLightfv(light, GL_SPECULAR, red ? kRedSpecular : kGreenSpecular);
        glLightfv(light, GL_AMBIENT, kAmbient);
        glLightf(light, GL_QUADRATIC_ATTENUATION, 0.0005f);
    }
    glPopMatrix();
}

void discoFigures(double t, FigurePlacement out[kDiscoFigureCount]) {
    int n = 0;
    // Four dancers in a ring of radius 20 on the raised floor, all facing the same way relative
    // to the ring, a quarter second apart.
    for (int i = 0; i < 4; ++i) {
        const double a = i * kPi / 2.0;
        out[n++] = {&motHumanDance, static_cast<float>(20.0 * std::cos(a)), 8,
                    static_cast<float>(20.0 * std::sin(a)), static_cast<float>(-90 * (i + 1)),
                    0.2f, 60, static_cast<float>(0.25 * i)};
    }
    out[n++] = {&motJuck, -2, 41, -257, 90, 0.1f, 60, 0};       // the booth
    out[n++] = {&motSitting, -110, 3, -56, -90, 0.2f, 60, 0};   // a seat by the floor
    out[n++] = {&motSitting, -125, -36, 124, 180, 0.2f, 60, 0}; // the lounge
    out[n++] = {&motSitting, -139, -36, 124, 180, 0.2f, 60, 2};
    out[n++] = {&motSitting, -121, -36, 95, 0, 0.2f, 120, 4};
    // The dancer spinning on the lounge table, 40 degrees per second of sequence time.
    out[n++] = {&motHumanDance, -124, -21, 109, static_cast<float>(-40.0 * t), 0.1f, 120, 4};
    out[n++] = {&motBarMan, -134, 0, 39, 135, 0.2f, 60, 0};   // behind the bar
    out[n++] = {&motKelbro, -145, 10, -230, 0, 0.15f, 60, 0}; // on stage
    out[n++] = {&motKelbro, -125, 10, -230, 0, 0.15f, 60, 0};
    out[n++] = {&motPist2, -139, 0, -182, 0, 0.15f, 40, 0}; // the second floor
    out[n++] = {&motPist2, -109, 0, -162, -90, 0.15f, 40, 0};
    out[n++] = {&motPist2, -169, 0, -162, 90, 0.15f, 40, 0};
}

void drawDisco(int mode, double t) {
    const double T = clockMain.seconds();
    setSceneFog(mode == 0 ? static_cast<float>(200.0 * t) : 400.0f);
    placeCamera(mode, t);
    setDiscoLights(T);

    drawRoom();
    mdlFloor.draw();
    mdlLoudspeakers.draw();
    mdlTables.draw();
    mdlScenes.draw();
    mdlRigg.draw();
    mdlSofa.draw();

    FigurePlacement figures[kDiscoFigureCount];
    discoFigures(t, figures);
    for (const FigurePlacement& figure : figures)
        drawFigure(figure);
    drawDiscoLamps(T);
}
