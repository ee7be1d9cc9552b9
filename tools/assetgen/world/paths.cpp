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
        {0, {240, 150, -160}},    // high over the south-east, the rooftop dancer far ahead
        {3, {205, 122, -100}},
        {5, {160, 104, -64}},     // up to him, his tower's lit face below him
        {6.5f, {132, 103, -46}},
        {7.8f, {104, 106, -40}},  // over the roof beside him
        {9, {84, 90, -46}},       // and down off its far edge over the square
        {10.3f, {66, 50, -60}},
        {12, {48, 18, -70}},
        {14.5f, {16, 16, -72}},   // past the hopper on his island
        {16, {-10, 14, -74}},
        {17.5f, {-23, 15, -68}},  // a tight turn round the queue, low and close to it
        {19, {-24, 13, -46}},     // inside it: the disco's front, its guards and dancer
        {20.5f, {-22, 11, -24}},
        {22, {-10, 12, -10}},
        {23.3f, {12, 14, -8}},
        {24.5f, {32, 17, -14}},   // round to the south, the hopper and the queue in view
        {25.8f, {42, 20, -32}},
        {27.2f, {44, 23, -58}},
        {28.5f, {32, 22, -80}},
        {29.8f, {14, 21, -90}},
        {31, {-2, 19, -80}},      // the queue ahead, on the way to the door
        {33, {8, 15, -50}},
        {34.5f, {20, 11.5f, -24}},
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
        {6, 62, 60},
        {-32, 54, 36},     // round the ring's west side, wide of the beams
        {-48, 50, 0},
        {-38, 48, -46},
        {-8, 48, -104},    // through the arch, the DJ on his balcony ahead
        {-2, 50, -148},
        {-10, 52, -170},   // along the booth's front, the DJ above it
        {-30, 54, -152},
        {-30, 54, -130},   // the hold: the second floor below, the stage beyond
        {-72, 45, -144},
        {-110, 35, -128},  // along the floor's north edge, north of the beams
        {-146, 28, -120},
        {-176, 26, -104},  // through the west door
        {-164, 24, -70},
        {-132, 30, -30},   // the seat on its dais
        {-76, 34, -48},
        {-48, 32, 22},     // back past the ring, the barman ahead
        {-72, 20, 46},
        {-80, 8, 70},      // over the lounge's edge, its table and windows ahead
        {-82, -4, 94},
        {-88, -12, 107},
        {-98, -14, 109},
        {-108, -14, 109},  // the view comes to rest where the close-up stands
    };
    // clang-format on
    return evenKnots(route, 20.0f, {-114, -14, 109});
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
