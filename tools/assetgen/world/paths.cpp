// The two camera flights, storyboarded as timed waypoints and written as ASE shapes.
#include <cmath>
#include <cstdio>

#include "world/path_math.h"
#include "world/world.h"

namespace gen {
namespace world {
namespace {

// A dense Catmull-Rom curve through `points`, cut into knots `spacing` units apart; the
// last knot is put just beyond the one before it, so the by-length sampling, which never
// passes knot n-2, rests there almost at the very end of the parameter range.
std::vector<Vec3> evenKnots(const std::vector<Vec3>& points, float spacing, Vec3 last) {
    std::vector<Waypoint> timed;
    for (size_t i = 0; i < points.size(); ++i)
        timed.push_back({static_cast<float>(i), points[i]});
    const int steps = 200 * static_cast<int>(points.size());
    const std::vector<Vec3> dense =
        resample(timed, static_cast<float>(points.size() - 1) / steps, steps + 1);
    std::vector<Vec3> knots{dense.front()};
    float carried = 0;
    for (size_t i = 1; i < dense.size(); ++i) {
        float seg = length(dense[i] - dense[i - 1]);
        Vec3 from = dense[i - 1];
        while (carried + seg >= spacing) {
            const float need = spacing - carried;
            from = from + (dense[i] - from) * (need / seg);
            knots.push_back(from);
            seg -= need;
            carried = 0;
        }
        carried += seg;
    }
    knots.push_back(dense.back());
    knots.push_back(last);
    return knots;
}

} // namespace

std::vector<Vec3> cityPathKnots() {
    // Seconds of the flight and where the eye is then; the camera looks at the point it
    // reaches 3 s later. Knot k is passed at k seconds (40 knots at k/40).
    // clang-format off
    const std::vector<Waypoint> storyboard = {
        {0, {240, 150, -160}},    // high over the south-east, diving towards the tower
        {3, {196, 122, -118}},
        {5.5f, {150, 96, -80}},
        {7, {119, 91, -64}},      // past the rooftop dancer, face to face
        {9, {82, 72, -71}},
        {11, {45, 42, -71}},      // down into the main street, walkers coming and going
        {12.5f, {10, 21, -71}},
        {14, {-28, 15, -71}},
        {15.5f, {-70, 16, -70}},
        {17, {-112, 22, -86}},    // round over the south side
        {19.5f, {-104, 30, -128}},
        {22, {-56, 38, -146}},
        {24.5f, {-8, 40, -140}},
        {26.5f, {8, 36, -122}},   // round to the south of the square
        {29, {-6, 28, -104}},
        {31.5f, {0, 20, -76}},    // the queue ahead
        {33.5f, {14, 14, -42}},
        {35, {26, 10, -13}},
        {36, {30.2f, 9, -6}},     // the guards and the facade
        {37, {30.7f, 8.6f, 0}},
        {38, {30.7f, 9, 30}},     // where the view rests
        {39, {30.7f, 9, 40}},
    };
    // clang-format on
    return resample(storyboard, 1.0f, 40);
}

std::vector<Vec3> discoPathKnots() {
    // clang-format off
    const std::vector<Vec3> route = {
        {30, 72, 94},      // out of the fog high up, looking down on the round floor
        {12, 54, 46},
        {2, 60, 2},        // over the ring of dancers, between the beams
        {6, 52, -62},
        {8, 48, -126},     // through the arch, the DJ on his balcony ahead
        {12, 50, -184},
        {-6, 54, -214},    // along the booth's front, the DJ above it
        {-28, 50, -200},
        {-36, 52, -172},
        {-46, 54, -130},   // the hold: the second floor below, the stage beyond
        {-90, 45, -148},
        {-114, 41, -150},
        {-124, 37, -168},  // the performers on the stage ahead
        {-128, 31, -196},
        {-132, 28, -213},
        {-164, 27, -212},
        {-182, 26, -172},  // up the west side
        {-172, 24, -108},
        {-150, 22, -64},   // the seat on its dais
        {-112, 24, -30},
        {-94, 24, 0},      // the barman ahead
        {-106, 22, 28},
        {-80, 20, 54},
        {-68, 16, 90},     // down into the lounge, turning to its windows
        {-76, 8, 106},
        {-98, -12, 109},
        {-114, -14, 109},  // where the view rests: towards the dancer on the table
    };
    // clang-format on
    return evenKnots(route, 40.0f, {-120, -14, 109});
}

std::string aseShape(const std::string& name, const std::vector<Vec3>& knots) {
    std::string out;
    char line[256];
    out += "*3DSMAX_ASCIIEXPORT\t200\n";
    out += "*COMMENT \"AsciiExport Version  2,00 - generated path\"\n";
    out += "*SCENE {\n\t*SCENE_FILENAME \"" + name +
           ".max\"\n\t*SCENE_FIRSTFRAME 0\n"
           "\t*SCENE_LASTFRAME 100\n\t*SCENE_FRAMESPEED 30\n\t*SCENE_TICKSPERFRAME 160\n}\n";
    out += "*SHAPEOBJECT {\n\t*NODE_NAME \"" + name + "\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"" + name +
           "\"\n";
    out += "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n"
           "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n\t}\n";
    out += "\t*SHAPE_LINECOUNT 1\n\t*SHAPE_LINE 0 {\n";
    std::snprintf(line, sizeof line, "\t\t*SHAPE_VERTEXCOUNT %zu\n", knots.size());
    out += line;
    for (size_t i = 0; i < knots.size(); ++i) {
        // File frame: z up, y pointing away from the renderer's +z.
        std::snprintf(line, sizeof line, "\t\t*SHAPE_VERTEX_KNOT\t%zu\t%.4f\t%.4f\t%.4f\n", i,
                      knots[i].x, -knots[i].z, knots[i].y);
        out += line;
    }
    out += "\t}\n}\n";
    return out;
}

} // namespace world
} // namespace gen
