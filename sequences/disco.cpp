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

const ScreenRect kEverything{-1e9f, -1e9f, 1e9f, 1e9f};

ScreenRect overlap(const ScreenRect& a, const ScreenRect& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

ScreenRect around(const ScreenRect& a, const ScreenRect& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

// Whether the two rectangles meet (touching edges count).
bool meet(const ScreenRect& a, const ScreenRect& b) {
    return a.x1 >= b.x0 && a.x0 <= b.x1 && a.y1 >= b.y0 && a.y0 <= b.y1;
}

// The picture's matrices (the modelview's and projection's product, column major) and its
// viewport.
struct Picture {
    float mvp[16];
    GLint vp[4];
};

Picture currentPicture() {
    Picture p;
    float mv[16], pr[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, p.vp);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            p.mvp[4 * c + r] = 0;
            for (int k = 0; k < 4; ++k)
                p.mvp[4 * c + r] += pr[4 * k + r] * mv[4 * c + k];
        }
    return p;
}

std::array<float, 4> clipCoordinates(const Picture& p, const float* v) {
    std::array<float, 4> c;
    for (int r = 0; r < 4; ++r)
        c[r] = p.mvp[r] * v[0] + p.mvp[4 + r] * v[1] + p.mvp[8 + r] * v[2] + p.mvp[12 + r];
    return c;
}

ScreenRect viewportRect(const Picture& p) {
    return {static_cast<float>(p.vp[0]), static_cast<float>(p.vp[1]),
            static_cast<float>(p.vp[0] + p.vp[2]), static_cast<float>(p.vp[1] + p.vp[3])};
}

// Clip coordinates with w below this lie behind the eye (or nearly): what has them has no
// rectangle in the picture.
const float kMinW = 1e-3f;

void addPoint(ScreenRect& r, const Picture& p, const std::array<float, 4>& c) {
    const float x = p.vp[0] + (c[0] / c[3] + 1) * 0.5f * p.vp[2];
    const float y = p.vp[1] + (c[1] / c[3] + 1) * 0.5f * p.vp[3];
    r = {std::min(r.x0, x), std::min(r.y0, y), std::max(r.x1, x), std::max(r.y1, y)};
}

// The rectangle of the viewport that holds the opening's picture, two pixels larger all
// round; empty when it is out of the picture. The opening is cut to w >= kMinW first.
ScreenRect onScreen(const Opening& o, const Picture& p) {
    std::array<std::array<float, 4>, 4> corners;
    for (int i = 0; i < 4; ++i)
        corners[i] = clipCoordinates(p, o.corner[i]);
    ScreenRect r{1e9f, 1e9f, -1e9f, -1e9f};
    for (int i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        if (a[3] >= kMinW)
            addPoint(r, p, a);
        if ((a[3] >= kMinW) != (b[3] >= kMinW)) {
            const float t = (kMinW - a[3]) / (b[3] - a[3]);
            std::array<float, 4> c;
            for (int k = 0; k < 4; ++k)
                c[k] = a[k] + (b[k] - a[k]) * t;
            addPoint(r, p, c);
        }
    }
    return overlap({r.x0 - 2, r.y0 - 2, r.x1 + 2, r.y1 + 2}, viewportRect(p));
}

// The rectangle of the picture a face of the mesh reaches into; everything when it reaches
// behind the eye.
ScreenRect faceOnScreen(const Mesh& m, int32_t face, const Picture& p) {
    ScreenRect r{1e9f, 1e9f, -1e9f, -1e9f};
    for (int k = 0; k < 3; ++k) {
        const std::array<float, 4> c = clipCoordinates(p, m.vertices + 3 * m.faces[face].vertex[k]);
        if (c[3] < kMinW)
            return kEverything;
        addPoint(r, p, c);
    }
    return r;
}

void scissorTo(const ScreenRect& r) {
    const GLint x = static_cast<GLint>(std::floor(r.x0));
    const GLint y = static_cast<GLint>(std::floor(r.y0));
    glScissor(x, y, static_cast<GLsizei>(std::ceil(r.x1)) - x,
              static_cast<GLsizei>(std::ceil(r.y1)) - y);
}

// The wall across the hall, from z -102 to -98, parts the main room (north) from the back
// room; either sees the other only through the arch and the west door. Their outlines on
// either face of the wall, a unit larger all round.
const Opening kArch[2] = {
    {{{-41, -1, -98}, {51, -1, -98}, {51, 73, -98}, {-41, 73, -98}}, false},
    {{{-41, -1, -102}, {51, -1, -102}, {51, 73, -102}, {-41, 73, -102}}, false}};
const Opening kWestDoor[2] = {
    {{{-209, -1, -98}, {-99, -1, -98}, {-99, 53, -98}, {-209, 53, -98}}, false},
    {{{-209, -1, -102}, {-99, -1, -102}, {-99, 53, -102}, {-209, 53, -102}}, false}};

enum Side : unsigned char { kNorth, kSouth, kBoth };

// Which room a face lies in: north when every corner is at z -98 or beyond, south when every
// corner is at -102 or before; both when it spans the wall or lies in its openings.
Side sideOf(const Mesh& m, int32_t face) {
    bool north = true, south = true;
    for (int k = 0; k < 3; ++k) {
        const float z = m.vertices[3 * m.faces[face].vertex[k] + 2];
        north = north && z >= -98.01f;
        south = south && z <= -101.99f;
    }
    return north ? kNorth : south ? kSouth : kBoth;
}

// The faces of a mesh by room, worked out once per mesh (again when it is loaded again).
const std::vector<unsigned char>& sides(const Mesh& m) {
    struct Entry {
        const Mesh* mesh;
        const Face* faces;
        int32_t count;
        std::vector<unsigned char> side;
    };
    static std::vector<Entry> cache;
    for (Entry& e : cache)
        if (e.mesh == &m) {
            if (e.faces != m.faces || e.count != m.faceCount) {
                e.faces = m.faces;
                e.count = m.faceCount;
                e.side.resize(static_cast<size_t>(m.faceCount));
                for (int32_t i = 0; i < m.faceCount; ++i)
                    e.side[static_cast<size_t>(i)] = sideOf(m, i);
            }
            return e.side;
        }
    cache.push_back({&m, nullptr, -1, {}});
    return sides(m);
}

// What the eye sees of the room it does not stand in: the rectangles of the picture that
// hold the arch and the west door. `far` is the side of the faces seen only through them
// (kBoth when the eye stands inside the wall's openings and sees either room whole).
struct Partition {
    Side far = kBoth;
    ScreenRect arch{0, 0, 0, 0}, door{0, 0, 0, 0};
};

Partition partitionSeen(const Picture& p) {
    Partition s;
    if (!discoLeavesOutHidden)
        return s;
    const float z = camera.eye[2];
    if (z > -98) {
        s.far = kSouth;
        s.arch = onScreen(kArch[0], p);
        s.door = onScreen(kWestDoor[0], p);
    } else if (z < -102) {
        s.far = kNorth;
        s.arch = onScreen(kArch[1], p);
        s.door = onScreen(kWestDoor[1], p);
    }
    return s;
}

// Draws the model's faces first to end - 1 in order; of those in the room the eye does not
// stand in, only the ones that reach into the arch's or the door's rectangle, cut to it.
// The picture is the same: that room shows only through the two.
void drawThroughPartition(Model& model, int32_t first, int32_t end, const Partition& seen,
                          const Picture& p) {
    if (!model.mesh || seen.far == kBoth) {
        model.draw(first, end);
        return;
    }
    model.draw(first, first); // the material and the texture
    const Mesh& m = *model.mesh;
    const std::vector<unsigned char>& side = sides(m);
    end = std::min(end, m.faceCount);
    // Per face: 0 drawn as it is, 1 cut to the arch, 2 to the door, 3 to both, 4 left out.
    int runMode = -1;
    int32_t runStart = first;
    auto flush = [&](int32_t i) {
        if (runMode >= 0 && runMode < 4 && i > runStart) {
            if (runMode == 0)
                glDisable(GL_SCISSOR_TEST);
            else {
                scissorTo(runMode == 1   ? seen.arch
                          : runMode == 2 ? seen.door
                                         : around(seen.arch, seen.door));
                glEnable(GL_SCISSOR_TEST);
            }
            model.drawFaces(runStart, i);
        }
        runStart = i;
    };
    for (int32_t i = first; i < end; ++i) {
        int mode = 0;
        if (side[static_cast<size_t>(i)] == seen.far) {
            const ScreenRect r = faceOnScreen(m, i, p);
            const bool arch = !seen.arch.empty() && meet(r, seen.arch);
            const bool door = !seen.door.empty() && meet(r, seen.door);
            mode = arch && door ? 3 : arch ? 1 : door ? 2 : 4;
        }
        if (mode != runMode) {
            flush(i);
            runMode = mode;
        }
    }
    flush(end);
    glDisable(GL_SCISSOR_TEST);
}

// The room, its outside drawn once through each opening in the picture, cut to that
// opening's rectangle of it, and of the outside only the faces that reach into that
// rectangle: the same picture, without rasterizing the outside where the walls hide it.
// Where two rectangles overlap the second pass only meets its own depths.
void drawRoom(const Partition& seen, const Picture& p) {
    if (!mdlDiscoRoom.mesh) {
        mdlDiscoRoom.draw();
        return;
    }
    // Found again every frame, since the mesh may be loaded again: a scan of the few hundred
    // faces at the end.
    const Mesh& mesh = *mdlDiscoRoom.mesh;
    const int32_t faces = mesh.faceCount;
    const int32_t outside = discoLeavesOutHidden ? outsideFrom(mesh) : faces;
    drawThroughPartition(mdlDiscoRoom, 0, outside, seen, p);
    if (outside == faces)
        return;
    static std::vector<ScreenRect> extent;
    extent.resize(static_cast<size_t>(faces - outside));
    for (int32_t i = outside; i < faces; ++i)
        extent[static_cast<size_t>(i - outside)] = faceOnScreen(mesh, i, p);
    const bool abovePit = camera.eye[1] > 0;
    const ScreenRect mouth = onScreen(kPitMouth, p);
    glEnable(GL_SCISSOR_TEST);
    for (const Opening& o : kOpenings) {
        ScreenRect r = onScreen(o, p);
        if (o.inPit && abovePit)
            r = overlap(r, mouth);
        if (r.empty())
            continue;
        scissorTo(r);
        // Runs of faces that reach into the rectangle.
        int32_t run = -1;
        for (int32_t i = outside; i <= faces; ++i) {
            const bool in = i < faces && meet(extent[static_cast<size_t>(i - outside)], r);
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

bool discoLeavesOutHidden = true;

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

    // The same models in the same order; what lies behind the wall across the hall or
    // outside it is rasterized only where the openings let it show.
    const Picture picture = currentPicture();
    const Partition seen = partitionSeen(picture);
    drawRoom(seen, picture);
    for (Model* model : {&mdlFloor, &mdlLoudspeakers, &mdlTables, &mdlScenes, &mdlRigg, &mdlSofa})
        drawThroughPartition(*model, 0, model->mesh ? model->mesh->faceCount : 0, seen, picture);

    FigurePlacement figures[kDiscoFigureCount];
    discoFigures(t, figures);
    for (const FigurePlacement& figure : figures)
        drawFigure(figure);
    drawDiscoLamps(T);
}
