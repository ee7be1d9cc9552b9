// Camera paths: reading the ASE token stream, sampling, and the camera's path operations.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "animation/camera_path.h"
#include "camera/camera.h"
#include "support/child.h"
#include "support/paths.h"

namespace {

struct Vec {
    float x, y, z;
};

// An ASE shape export around the knots (given in the file's z-up frame). The fourth '{'
// opens the shape line's block.
std::string aseText(const std::vector<Vec>& fileKnots,
                    const std::string& word = "*SHAPE_VERTEX_KNOT") {
    std::ostringstream s;
    s << "*3DSMAX_ASCIIEXPORT\t200\n*COMMENT \"path\"\n*SCENE {\n\t*SCENE_FIRSTFRAME 0\n}\n"
      << "*SHAPEOBJECT {\n\t*NODE_NAME \"Line01\"\n\t*NODE_TM {\n\t\t*TM_ROW0 1 0 0\n\t}\n"
      << "\t*SHAPE_LINECOUNT 1\n\t*SHAPE_LINE 0 {\n\t\t*SHAPE_VERTEXCOUNT " << fileKnots.size()
      << "\n";
    s.precision(9);
    for (std::size_t i = 0; i < fileKnots.size(); ++i)
        s << "\t\t" << word << "\t" << i << "\t" << fileKnots[i].x << "\t" << fileKnots[i].y << "\t"
          << fileKnots[i].z << "\n";
    s << "\t}\n}\n";
    return s.str();
}

std::string writePath(const std::string& text) {
    const std::string path = makeScratchTree("camera-path") + "/models/path.ASE";
    EXPECT_TRUE(writeFile(path, text));
    return path;
}

// Renderer-frame knots to the file frame: renderer (x, y, z) = (file x, file z, -file y).
std::vector<Vec> toFile(const std::vector<Vec>& renderer) {
    std::vector<Vec> file;
    for (const Vec& v : renderer)
        file.push_back({v.x, -v.z, v.y});
    return file;
}

// The five knots of the worked examples, renderer frame.
const std::vector<Vec> kFive = {{0, 0, 0}, {10, 0, 0}, {20, 5, 0}, {30, 5, 5}, {40, 0, 5}};

Vec sampleAt(const CameraPath& path, float t, bool byLength, int mode) {
    Vec v{NAN, NAN, NAN};
    path.sample(t, byLength, &v.x, &v.y, &v.z, mode);
    return v;
}

class FiveKnotPath : public ::testing::Test {
  protected:
    void SetUp() override { path.load(writePath(aseText(toFile(kFive))).c_str()); }
    CameraPath path;
};

TEST_F(FiveKnotPath, LoadsKnotsAndLengths) {
    ASSERT_EQ(path.knotCount, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(path.knotX[i], kFive[i].x);
        EXPECT_EQ(path.knotY[i], kFive[i].y);
        EXPECT_EQ(path.knotZ[i], kFive[i].z);
    }
    EXPECT_FLOAT_EQ(path.segmentLength[0], 10.0f);
    for (int i = 1; i < 4; ++i)
        EXPECT_FLOAT_EQ(path.segmentLength[i], std::sqrt(125.0f));
    EXPECT_FLOAT_EQ(path.totalLength, 10.0f + 3 * std::sqrt(125.0f));
}

struct SampleCase {
    const char* what;
    float t;
    bool byLength;
    int mode;
    Vec expected;
    float tolerance; // 0: exact
};

TEST_F(FiveKnotPath, WorkedSamples) {
    const Vec k0 = kFive[0], k1 = kFive[1], k2 = kFive[2], k3 = kFive[3];
    // Uniform knot parameters are sums of 1/n = 1/5 (not 1/(n - 1)) in single precision.
    const float f1 = 0.2f, f2 = f1 + 0.2f, f3 = f2 + 0.2f;
    const float lengthToK3 = 1.0f - path.segmentLength[3] / path.totalLength;
    const float lengthToK1 = path.segmentLength[0] / path.totalLength;
    const SampleCase cases[] = {
        {"t = 0.2 is knot 1", 0.2f, false, SplineMode::CatmullRom, k1, 0},
        {"t = 0.5, three steps, u about 0.5",
         0.5f,
         false,
         SplineMode::CatmullRom,
         {25, 5.625f, 2.5f},
         1e-4f},
        {"t = 0.5 cubic, u just below 0.5",
         0.5f,
         false,
         SplineMode::Cubic,
         {25, 6.25f, 2.5f},
         1e-4f},
        {"t = 0.1, one step, points K0 K0 K1 K2",
         0.1f,
         false,
         SplineMode::CatmullRom,
         {4.375f, -0.3125f, 0},
         1e-4f},
        {"t = 0.6 reaches knot 3", 0.6f, false, SplineMode::CatmullRom, k3, 0},
        {"t = 0.75 rests on knot 3", 0.75f, false, SplineMode::CatmullRom, k3, 0},
        {"t = 0.9 clamps u at the n - 2 bound", 0.9f, false, SplineMode::CatmullRom, k3, 0},
        {"t = 1 never reaches knot 4", 1.0f, false, SplineMode::CatmullRom, k3, 0},
        {"t = 0 is knot 0", 0.0f, false, SplineMode::CatmullRom, k0, 0},
        {"t = 0 cubic is knot 0", 0.0f, false, SplineMode::Cubic, k0, 0},
        {"t below 0 is knot 0", -0.5f, false, SplineMode::CatmullRom, k0, 0},
        {"t below 0 by length is knot 0", -3.0f, true, SplineMode::Cubic, k0, 0},
        {"F(1) uniform", f1, false, SplineMode::CatmullRom, k1, 0},
        {"F(2) uniform", f2, false, SplineMode::CatmullRom, k2, 0},
        {"F(3) uniform", f3, false, SplineMode::CatmullRom, k3, 0},
        {"F(2) uniform, cubic", f2, false, SplineMode::Cubic, k2, 1e-5f},
        {"F(1) by length", lengthToK1, true, SplineMode::CatmullRom, k1, 1e-5f},
        {"by length reaches knot 3 at 1 - last / total", lengthToK3, true, SplineMode::CatmullRom,
         k3, 1e-4f},
        {"by length rests on knot 3 up to 1", 1.0f, true, SplineMode::CatmullRom, k3, 0},
        {"by length rests on knot 3, cubic", 0.95f, true, SplineMode::Cubic, k3, 1e-5f},
    };
    for (const SampleCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Vec v = sampleAt(path, c.t, c.byLength, c.mode);
        if (c.tolerance == 0) {
            EXPECT_EQ(v.x, c.expected.x);
            EXPECT_EQ(v.y, c.expected.y);
            EXPECT_EQ(v.z, c.expected.z);
        } else {
            EXPECT_NEAR(v.x, c.expected.x, c.tolerance);
            EXPECT_NEAR(v.y, c.expected.y, c.tolerance);
            EXPECT_NEAR(v.z, c.expected.z, c.tolerance);
        }
    }
}

TEST_F(FiveKnotPath, OtherModesWriteNothing) {
    for (int mode : {2, -1, 7}) {
        Vec v{1, 2, 3};
        path.sample(0.5f, false, &v.x, &v.y, &v.z, mode);
        EXPECT_EQ(v.x, 1);
        EXPECT_EQ(v.y, 2);
        EXPECT_EQ(v.z, 3);
    }
}

TEST_F(FiveKnotPath, CameraOperationsClampTFromAboveAndWriteTheirVector) {
    Camera cam{};
    cam.setEye(-1, -1, -1);
    cam.setCenter(-2, -2, -2);
    cam.eyeFromPath(path, 1.7f, false, SplineMode::CatmullRom);
    EXPECT_EQ(cam.eye[0], 30);
    EXPECT_EQ(cam.eye[1], 5);
    EXPECT_EQ(cam.eye[2], 5);
    EXPECT_EQ(cam.center[0], -2); // untouched

    cam.centerFromPath(path, 0.2f, false, SplineMode::CatmullRom);
    EXPECT_EQ(cam.center[0], 10);
    EXPECT_EQ(cam.center[1], 0);
    EXPECT_EQ(cam.center[2], 0);
    EXPECT_EQ(cam.eye[0], 30);

    // No clamp from below: t = -4 reaches the sample unchanged and gives knot 0.
    cam.eyeFromPath(path, -4.0f, true, SplineMode::Cubic);
    EXPECT_EQ(cam.eye[0], 0);

    cam.setEye(7, 8, 9);
    cam.eyeFromPath(path, 0.5f, false, 2);
    EXPECT_EQ(cam.eye[0], 7);
    EXPECT_EQ(cam.eye[1], 8);
    EXPECT_EQ(cam.eye[2], 9);
}

// Paths too short to step along, and paths of no length spaced by length, rest on knot 0.
TEST(CameraPathShort, OneTwoOrCoincidentKnotsGiveKnotZero) {
    const std::vector<std::vector<Vec>> paths = {
        {{4, 5, 6}},
        {{4, 5, 6}, {40, 50, 60}},
        {{4, 5, 6}, {4, 5, 6}, {4, 5, 6}, {4, 5, 6}},
    };
    for (const std::vector<Vec>& knots : paths) {
        CameraPath path;
        path.load(writePath(aseText(knots)).c_str());
        ASSERT_EQ(path.knotCount, static_cast<int>(knots.size()));
        for (float t : {-1.0f, 0.0f, 0.3f, 0.99f, 1.0f, 5.0f})
            for (bool byLength : {false, true})
                for (int mode : {SplineMode::Cubic, SplineMode::CatmullRom}) {
                    SCOPED_TRACE(testing::Message()
                                 << knots.size() << " knots, t " << t << ", by length " << byLength
                                 << ", mode " << mode);
                    const Vec v = sampleAt(path, t, byLength, mode);
                    // Knot 0 in the renderer frame: (file x, file z, -file y).
                    EXPECT_EQ(v.x, 4);
                    EXPECT_EQ(v.y, 6);
                    EXPECT_EQ(v.z, -5);
                }
    }
}

TEST(CameraPathShort, UnloadedPathWritesNothing) {
    CameraPath path;
    Vec v{1, 2, 3};
    path.sample(0.5f, false, &v.x, &v.y, &v.z, SplineMode::CatmullRom);
    EXPECT_EQ(v.x, 1);
    EXPECT_EQ(v.z, 3);
}

TEST(CameraPathLoad, ConvertsTheFileFrameAndMeasuresSegments) {
    CameraPath path;
    path.load(writePath(aseText({{1, 2, 3}, {0, 0, 0}, {3, 0, 4}}, "v")).c_str());
    ASSERT_EQ(path.knotCount, 3);
    EXPECT_EQ(path.knotX[0], 1);
    EXPECT_EQ(path.knotY[0], 3);
    EXPECT_EQ(path.knotZ[0], -2);
    EXPECT_FLOAT_EQ(path.segmentLength[0], std::sqrt(14.0f));
    EXPECT_FLOAT_EQ(path.segmentLength[1], 5.0f);
    EXPECT_FLOAT_EQ(path.totalLength, std::sqrt(14.0f) + 5.0f);
}

TEST(CameraPathLoad, TwoKnotsMakeOneSegment) {
    CameraPath path;
    path.load(writePath(aseText({{0, 0, 0}, {3, 4, 0}})).c_str());
    EXPECT_EQ(path.segmentLength[0], 5.0f);
    EXPECT_EQ(path.totalLength, 5.0f);
}

// The reader follows tokens, not lines or words: any white space separates, the record words
// may differ, braces inside the prefix count wherever they are, and what follows the last
// record is ignored.
TEST(CameraPathLoad, ReadsATokenStream) {
    const std::string longWord(99, 'w');
    const std::string text = "junk{in{a{word\n{ " + longWord +
                             " 3\n*SHAPE_VERTEX_KNOT 0 1 2 3 *SHAPE_VERTEX_INTERP\t1\n-4.5e1\n+.5 "
                             "6. x 2 0 0 0\n} trailing { garbage 1e";
    CameraPath path;
    path.load(writePath(text).c_str());
    ASSERT_EQ(path.knotCount, 3);
    EXPECT_EQ(path.knotX[0], 1);
    EXPECT_EQ(path.knotY[0], 3);
    EXPECT_EQ(path.knotZ[0], -2);
    EXPECT_EQ(path.knotX[1], -45);
    EXPECT_EQ(path.knotY[1], 6);
    EXPECT_EQ(path.knotZ[1], -0.5f);
    EXPECT_EQ(path.knotX[2], 0);
}

TEST(CameraPathLoad, LoadingAgainReplacesTheKnots) {
    CameraPath path;
    path.load(writePath(aseText(toFile(kFive))).c_str());
    path.load(writePath(aseText({{7, 8, 9}})).c_str());
    ASSERT_EQ(path.knotCount, 1);
    EXPECT_EQ(path.knotX[0], 7);
    EXPECT_EQ(path.totalLength, 0.0f);
}

// Every malformed file ends the process with one line naming the file and the reason.
TEST(CameraPathLoad, MalformedFilesEndTheProcess) {
    const std::string good = aseText({{0, 0, 0}, {1, 0, 0}});
    const std::string head = "{{{{ *COUNT ";
    struct Bad {
        const char* what;
        std::string text;
        const char* reason;
    };
    const Bad cases[] = {
        {"empty", "", "fewer than four '{'"},
        {"three braces", "{ { { *SHAPE_VERTEXCOUNT 1 v 0 1 2 3", "fewer than four '{'"},
        {"nothing after the braces", "{{{{", "ends before the knot count"},
        {"no count", "{{{{ *SHAPE_VERTEXCOUNT", "ends before the knot count"},
        {"count zero", head + "0 v 0 1 2 3", "below 1"},
        {"count negative", head + "-3 v 0 1 2 3", "below 1"},
        {"count not a number", head + "two v 0 1 2 3", "not a decimal integer"},
        {"count with a fraction", head + "1.5 v 0 1 2 3", "not a decimal integer"},
        {"count too large", head + "99999999999999999999 v 0 1 2 3", "out of range"},
        {"count above the records", head + "3 v 0 1 2 3 v 1 4 5 6", "only 2 records"},
        {"file ends inside a record", head + "2 v 0 1 2 3 v 1 4 5", "ends inside the record"},
        {"index not an integer", head + "1 v one 1 2 3", "index 'one'"},
        {"coordinate not a number", head + "1 v 0 1 abc 3", "'abc' is not a number"},
        {"coordinate with a comma", head + "1 v 0 1,5 2 3", "'1,5' is not a number"},
        {"coordinate nan", head + "1 v 0 nan 2 3", "'nan' is not a number"},
        {"coordinate hexadecimal", head + "1 v 0 0x10 2 3", "'0x10' is not a number"},
        {"exponent without digits", head + "1 v 0 1e 2 3", "'1e' is not a number"},
        {"word of 100 characters", head + "1 " + std::string(100, 'w') + " 0 1 2 3",
         "longer than 99 characters"},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.what);
        const std::string path = writePath(bad.text);
        const ChildResult r = runInChild([&] {
            CameraPath p;
            p.load(path.c_str());
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(bad.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    // The same records well-formed load, so the cases fail for their stated reason.
    CameraPath p;
    p.load(writePath(good).c_str());
    EXPECT_EQ(p.knotCount, 2);
}

TEST(CameraPathLoad, MissingOrUnreadableFilesEndTheProcess) {
    const std::string dir = makeScratchTree("camera-path-missing");
    for (const std::string& path : {dir + "/models/none.ASE", dir + "/models"}) {
        SCOPED_TRACE(path);
        const ChildResult r = runInChild([&] {
            CameraPath p;
            p.load(path.c_str());
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("\"" + path + "\""), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

} // namespace
