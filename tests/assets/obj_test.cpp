// The OBJ subset: what valid files yield, and how files outside it are refused.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "support/child.h"
#include "support/paths.h"

namespace {

// A unit right triangle with one normal and three texture coordinates.
const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                              "vt 0 0\nvt 1 0\nvt 0 1\n"
                              "vn 0 0 1\n"
                              "f 1/1/1 2/2/1 3/3/1\n";

std::string writeObj(const std::string& name, const std::string& text) {
    const std::string path = makeScratchTree("obj") + "/models/" + name;
    EXPECT_TRUE(writeFile(path, text));
    return path;
}

Mesh loadText(const std::string& text) {
    Mesh mesh;
    mesh.load(writeObj("mesh.obj", text).c_str());
    return mesh;
}

std::vector<float> floats(const float* p, int n) {
    return std::vector<float>(p, p + n);
}

// Seven of each kind, all zero, so that references up to 7 are valid.
std::string sevenOfEach() {
    std::string text;
    for (int i = 0; i < 7; ++i)
        text += "v 0 0 0\nvt 0 0\nvn 0 0 1\n";
    return text;
}

// Seven entries of n components, all 0 but the last component, which is `last`.
std::vector<float> zeros(int n, float last = 0) {
    std::vector<float> v;
    for (int i = 0; i < 7; ++i) {
        v.insert(v.end(), n - 1, 0.0f);
        v.push_back(last);
    }
    return v;
}

struct GoodObj {
    const char* name;
    std::string text;
    std::vector<float> vertices, normals, texCoords; // x y z, x y z, u -v
    std::vector<int> faces; // per face: 3 vertex, 3 texCoord, 3 normal indices (0-based)
};

const std::vector<GoodObj>& goodObjs() {
    static const std::vector<GoodObj> cases = {
        {"empty file", "", {}, {}, {}, {}},
        {"only skipped lines: comments, blank, indented",
         "# nothing\n\n   v 1 2 3\n\tf 1/1/1\n",
         {},
         {},
         {},
         {}},
        {"numbers; normals not normalised; v negated; w never read",
         "v 1.5 -2 3e1 9\nvn 0 0.5 2\nvt 0.25 0.75\nvt 1 2 3\n",
         {1.5f, -2, 30},
         {0, 0.5f, 2},
         {0.25f, -0.75f, 1, -2},
         {}},
        {"atof: leading number, otherwise 0; missing tokens 0; CRLF",
         "v 2.5abc x\r\nv 1 2\r\n",
         {2.5f, 0, 0, 1, 2, 0},
         {},
         {},
         {}},
        {"references become 0-based corners",
         sevenOfEach() + "f 3/5/7 1/2/3 7/6/5\n",
         zeros(3),
         zeros(3, 1),
         zeros(2),
         {2, 0, 6, 4, 1, 5, 6, 2, 4}},
        {"a polygon keeps its first triangle; later tokens are never read",
         sevenOfEach() + "f 1/1/1 2/2/2 3/3/3 4/4/4\nf 4/1/1 3/1/1 2/1/1 nonsense 99//0\n",
         zeros(3),
         zeros(3, 1),
         zeros(2),
         {0, 1, 2, 0, 1, 2, 0, 1, 2, 3, 2, 1, 0, 0, 0, 0, 0, 0}},
        {"vp is a position; o, g, s, mtllib, usemtl are skipped",
         "mtllib a.mtl\no thing\ng group\ns 1\nusemtl red\nvp 1 2 3\n" + kTriangle +
             "# f 9/9/9 9/9/9 9/9/9\n",
         {1, 2, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0},
         {0, 0, 1},
         {0, 0, 1, 0, 0, -1},
         {0, 1, 2, 0, 1, 2, 0, 0, 0}},
        {"faces may come before the lines they refer to",
         "f 3/1/1 2/1/1 1/1/1\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n",
         {0, 0, 0, 1, 0, 0, 0, 1, 0},
         {0, 0, 1},
         {0, 0},
         {2, 1, 0, 0, 0, 0, 0, 0, 0}},
    };
    return cases;
}

} // namespace

TEST(ObjReader, ValidFilesLoadAsWritten) {
    for (const GoodObj& c : goodObjs()) {
        SCOPED_TRACE(c.name);
        const Mesh m = loadText(c.text);
        ASSERT_EQ(m.vertexCount * 3, int(c.vertices.size()));
        ASSERT_EQ(m.normalCount * 3, int(c.normals.size()));
        ASSERT_EQ(m.texCoordCount * 2, int(c.texCoords.size()));
        ASSERT_EQ(m.faceCount * 9, int(c.faces.size()));
        EXPECT_EQ(floats(m.vertices, m.vertexCount * 3), c.vertices);
        EXPECT_EQ(floats(m.normals, m.normalCount * 3), c.normals);
        EXPECT_EQ(floats(m.texCoords, m.texCoordCount * 2), c.texCoords);
        std::vector<int> faces;
        for (int i = 0; i < m.faceCount; ++i) {
            const Face& f = m.faces[i];
            for (const int32_t* corners : {f.vertex, f.texCoord, f.normal})
                faces.insert(faces.end(), corners, corners + 3);
        }
        EXPECT_EQ(faces, c.faces);
    }
}

// Numbers read exactly as atof reads them, bit for bit, whichever way the reader takes: plain
// decimals at the edges of the exact shortcut (2^53, 18 digits, 22 fraction digits) and past
// them, signs, exponents, hex, and many seeded random decimals.
TEST(ObjReader, NumbersReadAsAtofReadsThem) {
    std::vector<std::string> numbers = {"0",
                                        "-0",
                                        "-0.0",
                                        "+.5",
                                        "5.",
                                        ".",
                                        "-",
                                        "+",
                                        "1e3",
                                        "-2.5E-3",
                                        "0x1p3",
                                        "inf",
                                        "9007199254740992",
                                        "9007199254740993",
                                        "123456789012345678",
                                        "1234567890123456789",
                                        "0.1234567890123456789012",
                                        "0.12345678901234567890123",
                                        "3.4028235e38",
                                        "1e39",
                                        "-1e39",
                                        "0000000000000000001.5",
                                        "12.5.6",
                                        "7-3",
                                        "340282356779733661637539395458142568448"};
    std::uint64_t seed = 88172645463325252ull;
    auto next = [&seed] {
        seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
        return seed;
    };
    for (int i = 0; i < 3000; ++i) {
        std::string n = next() % 3 == 0 ? "-" : "";
        const int whole = int(next() % 17), fraction = int(next() % 26);
        for (int k = 0; k <= whole; ++k)
            n += char('0' + next() % 10);
        n += '.';
        for (int k = 0; k < fraction; ++k)
            n += char('0' + next() % 10);
        numbers.push_back(n);
    }
    std::string text;
    for (const std::string& n : numbers)
        text += "v " + n + " 0 0\n";
    const Mesh m = loadText(text);
    ASSERT_EQ(m.vertexCount, int(numbers.size()));
    for (size_t i = 0; i < numbers.size(); ++i) {
        const double d = std::strtod(numbers[i].c_str(), nullptr);
        const float expected = d > FLT_MAX ? HUGE_VALF : d < -FLT_MAX ? -HUGE_VALF : float(d);
        const float got = m.vertices[3 * i];
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
            << numbers[i] << ": " << got << " instead of " << expected;
    }
}

// Each mesh owns its arrays: a second load replaces them, a later read leaves earlier meshes
// alone, copies are independent.
TEST(ObjReader, MeshesOwnSeparateCopies) {
    const std::string first = writeObj("first.obj", kTriangle);
    const std::string second = writeObj("second.obj", "v 7 8 9\n");
    Mesh a, b;
    a.load(first.c_str());
    b.load(first.c_str());
    EXPECT_NE(a.vertices, b.vertices);
    EXPECT_NE(a.vertices, objReader.mesh->vertices);
    b.load(second.c_str());
    ASSERT_EQ(b.vertexCount, 1);
    EXPECT_EQ(b.faceCount, 0);
    EXPECT_EQ(b.faces, nullptr);
    EXPECT_EQ(floats(b.vertices, 3), (std::vector<float>{7, 8, 9}));
    EXPECT_EQ(*objReader.path, second);
    ASSERT_EQ(a.vertexCount, 3);
    EXPECT_EQ(floats(a.vertices, 9), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));

    Mesh c(a);
    c.vertices[0] = 42;
    EXPECT_EQ(a.vertices[0], 0);
    c = c;
    EXPECT_EQ(c.vertices[0], 42);
    c = b;
    EXPECT_EQ(c.vertexCount, 1);
    EXPECT_EQ(c.faceCount, 0);
    EXPECT_EQ(c.vertices[0], 7);
}

TEST(ObjReader, MissingFileEndsTheProgram) {
    const std::string path = makeScratchTree("obj-missing") + "/models/none.obj";
    const ChildResult r = runInChild([&] { Mesh().load(path.c_str()); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Unable to open obj-file \"" + path + "\".\n");
    EXPECT_EQ(r.out, "");
}

// Files outside the subset end the program with one line naming the file, the line and the
// reason.
TEST(ObjReader, FilesOutsideTheSubsetAreRefused) {
    const std::string header = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\n"; // 6 lines
    struct Bad {
        std::string face; // line 7
        std::string reason;
    } cases[] = {
        {"f 1/1/1 2/2/1", "a face needs three vertex references"},
        {"f", "a face needs three vertex references"},
        {"f 1 2 3", "vertex reference \"1\" is not in the form p/t/n"},
        {"f 1/1 2/2 3/1", "vertex reference \"1/1\" is not in the form p/t/n"},
        {"f 1//1 2//1 3//1", "vertex reference \"1//1\" is not in the form p/t/n"},
        {"f 1/1/ 2/2/1 3/1/1", "vertex reference \"1/1/\" is not in the form p/t/n"},
        {"f /1/1 2/2/1 3/1/1", "vertex reference \"/1/1\" is not in the form p/t/n"},
        {"f 1/1/1/1 2/2/1 3/1/1", "vertex reference \"1/1/1/1\" is not in the form p/t/n"},
        {"f 1/1/1 2/2/1 0/1/1",
         "position index 0 in \"0/1/1\" is out of range (the file has 3 positions)"},
        {"f -1/1/1 2/2/1 3/1/1",
         "position index -1 in \"-1/1/1\" is out of range (the file has 3 positions)"},
        {"f 1/1/1 4/2/1 3/1/1",
         "position index 4 in \"4/2/1\" is out of range (the file has 3 positions)"},
        {"f 1/3/1 2/2/1 3/1/1", "texture coordinate index 3 in \"1/3/1\" is out of range (the "
                                "file has 2 texture coordinates)"},
        {"f 1/1/2 2/2/1 3/1/1",
         "normal index 2 in \"1/1/2\" is out of range (the file has 1 normal)"},
        {"f 1/1/x 2/2/1 3/1/1",
         "normal index 0 in \"1/1/x\" is out of range (the file has 1 normal)"},
        {"f 99999999999999/1/1 2/2/1 3/1/1", "position index"},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.face);
        // The bad face comes before a good one: the first bad line is reported.
        const std::string path =
            writeObj("bad.obj", header + bad.face + "\nf 1/1/1 2/2/1 3/1/1\n" + bad.face + "\n");
        const ChildResult r = runInChild([&] { Mesh().load(path.c_str()); });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1);
        const std::string prefix = "Invalid obj-file \"" + path + "\", line 7: ";
        EXPECT_EQ(r.err.substr(0, prefix.size() + bad.reason.size()), prefix + bad.reason);
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
}
