// The generated world as the demo reads it: every scene mesh through the demo's OBJ reader,
// every texture a colour PNG of a power-of-two size, the enclosures facing inwards, the
// figures standing on floors, the frame budget, and the same bytes on every run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "assets/texture.h"
#include "common/generators.h"
#include "support/paths.h"
#include "world/layout.h"
#include "world_support.h"

namespace fs = std::filesystem;
using namespace gen::world::layout;

namespace {

const char* const kMeshes[] = {"ground",      "houses", "house",      "car",          "softbox",
                               "disco_room1", "lamps",  "roof",       "loudspeekers", "tables",
                               "scenes",      "floor",  "rigg",       "disco_lamp",   "blend",
                               "sofa",        "joint",  "disco_house"};
const char* const kTextures[] = {"ground2", "windows", "retro",  "cloud",  "roof",  "loudspeeker",
                                 "wood",    "metal",   "bricks", "floor1", "blend", "disco_front2"};

std::string model(const std::string& name) {
    return generatedAssets() + "/models/" + name + ".obj";
}

std::uint32_t bigEndian(const std::string& bytes, size_t at) {
    return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
           (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) | std::uint8_t(bytes[at + 3]);
}

bool powerOfTwo(std::uint32_t v) {
    return v && !(v & (v - 1));
}

// Height of the first surface straight below (x, y, z), or -1e9 when there is none.
float surfaceBelow(const std::vector<Tri>& tris, float x, float y, float z) {
    const float d = rayHit({x, y, z}, {0, -1, 0}, tris);
    return d < 0 ? -1e9f : y - d;
}

} // namespace

TEST(WorldAssets, EveryMeshReadsBackWellFormed) {
    for (const char* name : kMeshes) {
        Mesh mesh;
        mesh.load(model(name).c_str());
        SCOPED_TRACE(name);
        ASSERT_GT(mesh.faceCount, 0);
        for (int f = 0; f < mesh.faceCount; ++f) {
            const Face& face = mesh.faces[f];
            float p[3][3];
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(face.vertex[k], 0);
                ASSERT_LT(face.vertex[k], mesh.vertexCount);
                ASSERT_GE(face.normal[k], 0);
                ASSERT_LT(face.normal[k], mesh.normalCount);
                ASSERT_GE(face.texCoord[k], 0);
                ASSERT_LT(face.texCoord[k], mesh.texCoordCount);
                for (int a = 0; a < 3; ++a)
                    p[k][a] = mesh.vertices[3 * face.vertex[k] + a];
            }
            const P3 a{p[0][0], p[0][1], p[0][2]}, b{p[1][0], p[1][1], p[1][2]},
                c{p[2][0], p[2][1], p[2][2]};
            const P3 n = cross(b - a, c - a);
            ASSERT_GT(norm(n), 1e-6f) << "degenerate face " << f;
            for (int k = 0; k < 3; ++k) {
                const float* vn = &mesh.normals[3 * face.normal[k]];
                const P3 corner{vn[0], vn[1], vn[2]};
                ASSERT_NEAR(norm(corner), 1.0f, 2e-3f) << "face " << f;
                ASSERT_GT(dot(corner, n), 0.0f) << "face " << f << " winds against its normal";
            }
        }
    }
}

TEST(WorldAssets, PiecedSurfacesHaveNoTJunctions) {
    // Surfaces pieced together from many rectangles: no corner lies inside another
    // triangle's edge, where rounding would leave pixels of the clear colour on the seam.
    for (const char* name : {"ground", "disco_house", "disco_room1", "floor", "scenes"}) {
        SCOPED_TRACE(name);
        const std::vector<Tri> tris = trianglesOf(model(name));
        std::vector<P3> corners;
        for (const Tri& t : tris)
            for (P3 p : {t.a, t.b, t.c})
                corners.push_back(p);
        int junctions = 0;
        for (const Tri& t : tris)
            for (int e = 0; e < 3; ++e) {
                const P3 a = e == 0 ? t.a : e == 1 ? t.b : t.c;
                const P3 b = e == 0 ? t.b : e == 1 ? t.c : t.a;
                const P3 d = b - a;
                const float len = norm(d);
                for (const P3& p : corners) {
                    if (p.x < std::min(a.x, b.x) - 1e-3f || p.x > std::max(a.x, b.x) + 1e-3f ||
                        p.z < std::min(a.z, b.z) - 1e-3f || p.z > std::max(a.z, b.z) + 1e-3f ||
                        p.y < std::min(a.y, b.y) - 1e-3f || p.y > std::max(a.y, b.y) + 1e-3f)
                        continue;
                    const float along = dot(p - a, d) / len;
                    if (along > 1e-3f && along < len - 1e-3f &&
                        norm(p - (a + d * (along / len))) < 1e-3f)
                        ++junctions;
                }
            }
        EXPECT_EQ(junctions, 0);
    }
}

TEST(WorldAssets, EveryTextureIsAColourPngOfAPowerOfTwoSide) {
    for (const char* name : kTextures) {
        SCOPED_TRACE(name);
        const std::string path = generatedAssets() + "/textures/" + name + ".png";
        const std::string bytes = readFile(path);
        ASSERT_GT(bytes.size(), 33u);
        ASSERT_EQ(bytes.substr(1, 3), "PNG");
        const std::uint32_t width = bigEndian(bytes, 16), height = bigEndian(bytes, 20);
        EXPECT_TRUE(powerOfTwo(width) && powerOfTwo(height)) << width << " x " << height;
        EXPECT_GE(std::min(width, height), 256u);
        EXPECT_LE(std::max(width, height), 1024u);
        EXPECT_EQ(bytes[24], 8);                       // bits per sample
        EXPECT_TRUE(bytes[25] == 2 || bytes[25] == 6); // RGB or RGBA
        int32_t w = 0, h = 0;
        unsigned char* pixels = loadPng(path.c_str(), w, h);
        ASSERT_NE(pixels, nullptr);
        // Not a flat fill: the darkest and brightest texels are well apart.
        int lo = 255, hi = 0;
        for (int i = 0; i < w * h; ++i) {
            const int g = pixels[4 * i + 1];
            lo = std::min(lo, g);
            hi = std::max(hi, g);
        }
        delete[] pixels;
        EXPECT_GT(hi - lo, 60);
    }
}

TEST(WorldAssets, TheBeamIsBrightAtTheLampAndBlackAtTheRim) {
    const std::string path = generatedAssets() + "/textures/blend.png";
    int32_t w = 0, h = 0;
    unsigned char* pixels = loadPng(path.c_str(), w, h);
    ASSERT_NE(pixels, nullptr);
    auto rowMean = [&](int row) {
        double sum = 0;
        for (int x = 0; x < w; ++x)
            sum += pixels[4 * (row * w + x)]; // red, the first of R G B A
        return sum / w / 255.0;
    };
    // The mesh maps the lamp end to the image's top row and the rim to the bottom row.
    EXPECT_LT(rowMean(0), 0.1);
    EXPECT_GT(rowMean(h / 10), 0.5);
    EXPECT_GT(rowMean(h / 10), rowMean(h / 2));
    EXPECT_GT(rowMean(h / 2), rowMean(h * 9 / 10));
    EXPECT_LT(rowMean(h - 1), 0.01);
    delete[] pixels;
}

TEST(WorldAssets, EnclosuresFaceInwards) {
    // The sky dome: every face looks towards its centre.
    for (const Tri& t : trianglesOf(model("softbox"))) {
        const P3 centre = (t.a + t.b + t.c) * (1.0f / 3);
        EXPECT_GT(dot(cross(t.b - t.a, t.c - t.a), centre * -1.0f), 0.0f);
    }
    // The hall: the faces on its walls and ceiling look into it.
    int shell = 0;
    for (const Tri& t : trianglesOf(model("disco_room1"))) {
        const P3 n = unit(cross(t.b - t.a, t.c - t.a));
        const P3 c = (t.a + t.b + t.c) * (1.0f / 3);
        // Lying in one of the shell's planes: all three corners on it.
        auto on = [&t](float P3::*axis, float plane) {
            return std::fabs(t.a.*axis - plane) < 0.01f && std::fabs(t.b.*axis - plane) < 0.01f &&
                   std::fabs(t.c.*axis - plane) < 0.01f;
        };
        if (on(&P3::x, kHallX0) || on(&P3::x, kHallX1) || on(&P3::z, kHallZ0) ||
            on(&P3::z, kHallZ1) || on(&P3::y, kHallTop)) {
            ++shell;
            const P3 inward = unit(P3{-80, 40, -60} - c);
            EXPECT_GT(dot(n, inward), 0.0f) << c.x << " " << c.y << " " << c.z;
        }
    }
    EXPECT_GT(shell, 10);
    // The light wells behind the windows and under the lounge's glass floor: every face on
    // a well's box (outside the hall, where the skyline's towers stand too) looks into it.
    const WellBox wells[] = {kBoothWell, kWestWell, kNorthWell, kFloorWell};
    const std::vector<Tri> room = trianglesOf(model("disco_room1"));
    for (const WellBox& w : wells) {
        SCOPED_TRACE(testing::Message() << "well from " << w.x0 << ", " << w.y0 << ", " << w.z0);
        const P3 middle{0.5f * (w.x0 + w.x1), 0.5f * (w.y0 + w.y1), 0.5f * (w.z0 + w.z1)};
        const float planes[3][2] = {{w.x0, w.x1}, {w.y0, w.y1}, {w.z0, w.z1}};
        int faces = 0;
        for (const Tri& t : room) {
            const P3 c = (t.a + t.b + t.c) * (1.0f / 3);
            const bool inHall = c.x > kHallX0 - 0.5f && c.x < kHallX1 + 0.5f &&
                                c.z > kHallZ0 - 0.5f && c.z < kHallZ1 + 0.5f &&
                                c.y > kLoungeFloor - 0.5f;
            bool onBox = false;
            for (int axis = 0; axis < 3; ++axis)
                for (float plane : planes[axis]) {
                    auto at = [axis](P3 p) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; };
                    onBox = onBox || (std::fabs(at(t.a) - plane) < 0.01f &&
                                      std::fabs(at(t.b) - plane) < 0.01f &&
                                      std::fabs(at(t.c) - plane) < 0.01f);
                }
            if (inHall || !onBox)
                continue;
            ++faces;
            EXPECT_GT(dot(cross(t.b - t.a, t.c - t.a), middle - c), 0.0f)
                << c.x << " " << c.y << " " << c.z;
        }
        EXPECT_GE(faces, 8); // at least four faces, two triangles each
    }
}

TEST(WorldAssets, FiguresStandOnFloorsWithRoomAboveThem) {
    const std::vector<Tri> city =
        worldTriangles({"ground", "houses", "lamps", "roof", "disco_house"});
    const std::vector<Tri> disco = worldTriangles(
        {"disco_room1", "floor", "loudspeekers", "tables", "scenes", "rigg", "sofa"});
    struct Stand {
        const char* who;
        bool inCity;
        float x, y, z, height;
    };
    std::vector<Stand> stands = {
        {"guard", true, 28.4f, 0, 26.4f, 3.4f},
        {"guard", true, 33, 0, 26.4f, 3.7f},
        {"entrance dancer", true, 30.9f, 5, 31.7f, 6.8f},
        {"rooftop dancer", true, 104, 85, -51, 13.6f},
        {"lone hopper", true, -2, 1, -64, 8.5f},
        {"ring dancer", false, 20, 8, 0, 30},
        {"ring dancer", false, 0, 8, -20, 30},
        {"booth dancer", false, -2, 41, -257, 17},
        {"barman", false, -134, 0, 39, 30},
        {"performer", false, -145, 10, -230, 25},
        {"performer", false, -125, 10, -230, 25},
        {"floor dancer", false, -139, 0, -182, 25},
        {"floor dancer", false, -109, 0, -162, 25},
        {"floor dancer", false, -169, 0, -162, 25},
        {"table dancer", false, -124, -21, 109, 17},
    };
    for (int row = 0; row < 10; ++row)
        for (float x : {-6.0f, 2.0f})
            stands.push_back({"queue", true, x, 1, -56.0f + 3 * row, 3.4f});
    for (float x = -104; x <= 104; x += 8) {
        stands.push_back({"walker", true, x, 0, -61, 6.8f});
        stands.push_back({"walker", true, x, 0, -69, 6.8f});
    }
    for (const Stand& s : stands) {
        const std::vector<Tri>& world = s.inCity ? city : disco;
        EXPECT_NEAR(surfaceBelow(world, s.x, s.y + 0.5f, s.z), s.y, 0.05f)
            << s.who << " at " << s.x << ", " << s.z;
        const float above = rayHit({s.x, s.y + 0.5f, s.z}, {0, 1, 0}, world);
        EXPECT_TRUE(above < 0 || above > s.height) << s.who << " at " << s.x << ", " << s.z;
    }
    // The sitters rest on seats at their height, their feet on the floor below.
    struct Sit {
        float x, y, z;
    } sitters[] = {{-110, 3, -56}, {-125, -36, 124}, {-139, -36, 124}, {-121, -36, 95}};
    const std::vector<Tri> sofas = worldTriangles({"sofa"});
    for (const Sit& s : sitters) {
        EXPECT_NEAR(surfaceBelow(sofas, s.x, s.y + 30, s.z), s.y + kSeatHeight, 0.05f) << s.x;
        EXPECT_NEAR(surfaceBelow(disco, s.x, s.y + 0.5f, s.z), s.y, 0.05f) << s.x;
    }
}

TEST(WorldAssets, SittersRestOnTheirSeatsAndTheirLegsClearTheSofasInEveryPose) {
    const std::vector<Tri> sofas = worldTriangles({"sofa"});
    ASSERT_FALSE(generatedFigures().empty()) << "the figures' generator failed";
    const float scale = 0.2f;
    // The bone mesh (5 long on +y) is stretched along its length only, so its widest point
    // off its axis is the limb's radius whatever the bone's length; its ends may reach past
    // the joints.
    float boneRadius = 0, low = 0, high = 5;
    for (const Tri& t : trianglesOf(generatedFigures() + "/models/bone.obj"))
        for (P3 p : {t.a, t.b, t.c}) {
            boneRadius = std::max(boneRadius, std::hypot(p.x, p.z));
            low = std::min(low, p.y);
            high = std::max(high, p.y);
        }
    ASSERT_GT(boneRadius, 0.0f);
    // Every frame of the loop (the demo shows whole frames), the whole length of each bone.
    const std::vector<std::vector<P3>> frames = bonePoints("sitting.3DS", 1, 10, low / 5, high / 5);
    ASSERT_FALSE(frames.empty());
    const float radius = scale * boneRadius;
    const struct {
        float x, y, z, angle;
    } sitters[] = {
        {-110, 3, -56, -90}, {-125, -36, 124, 180}, {-139, -36, 124, 180}, {-121, -36, 95, 0}};
    for (const auto& s : sitters) {
        SCOPED_TRACE(testing::Message() << "sitter at " << s.x << ", " << s.z);
        std::vector<Tri> near;
        for (const Tri& t : sofas)
            if (norm(t.a - P3{s.x, s.y, s.z}) < 40)
                near.push_back(t);
        const float a = s.angle / 57.29578f, c = std::cos(a), sn = std::sin(a);
        int inside = 0, grazing = 0;
        float lowestOverSeat = 1e9f, closest = 1e9f;
        for (const std::vector<P3>& frame : frames)
            for (const P3& p : frame) {
                // As the demo places it: turned about +y by the angle, scaled, moved.
                const P3 q{s.x + scale * (p.x * c + p.z * sn), s.y + scale * p.y,
                           s.z + scale * (p.z * c - p.x * sn)};
                // Straight up from inside the upholstery the first face met is a top seen
                // from below; from outside nothing, or a face seen from its front.
                int hit = -1;
                rayHit(q, {0, 1, 0}, near, &hit);
                if (hit >= 0 && near[hit].normal.y > 0.5f)
                    ++inside;
                // Below the cushion's top hang the shins and feet: the whole limb, not only
                // its axis, stays out of the sofa.
                if (scale * p.y < kSeatHeight) {
                    const float d = distanceToMesh(q, near);
                    closest = std::min(closest, d);
                    grazing += d < radius;
                }
                if (scale * p.z > -3 && scale * p.z < kSeatFront)
                    lowestOverSeat = std::min(lowestOverSeat, scale * p.y);
            }
        EXPECT_EQ(inside, 0) << "bone points inside the sofa";
        EXPECT_EQ(grazing, 0) << "shins or feet within " << radius << " of the sofa, closest "
                              << closest;
        // Sitting on the cushion, not hovering over it.
        EXPECT_GE(lowestOverSeat, kSeatHeight);
        EXPECT_LT(lowestOverSeat, kSeatHeight + 1.5f);
    }
}

TEST(WorldAssets, NoFrameDrawsMoreThanTheBudget) {
    auto count = [](std::initializer_list<const char*> names) {
        size_t n = 0;
        for (const char* name : names)
            n += trianglesOf(model(name)).size();
        return n;
    };
    const int hopper = figureTriangles("hoppande.3DS", false);
    const int guard = figureTriangles("vakt.3ds", true);
    const int walker = figureTriangles("walking_man.3DS", true);
    ASSERT_GT(hopper, 0) << "the figures' generator failed";
    ASSERT_GT(guard, 0);
    ASSERT_GT(walker, 0);
    const size_t city = count({"ground", "houses", "lamps", "roof", "disco_house", "softbox"}) +
                        2 * guard + figureTriangles("human_dance.3ds", false) +
                        figureTriangles("pist.3DS", false) + 2 * walker + 51 * hopper;
    const size_t disco =
        count({"disco_room1", "floor", "loudspeekers", "tables", "scenes", "rigg", "sofa"}) +
        12 * count({"disco_lamp", "blend"}) + 5 * figureTriangles("human_dance.3ds", false) +
        figureTriangles("juck.3DS", false) + 4 * figureTriangles("sitting.3DS", false) +
        figureTriangles("bar_man.3DS", false) + 2 * figureTriangles("kelbro.3DS", false) +
        3 * figureTriangles("pist2.3DS", false);
    std::cout << "[ triangles ] city frame " << city << ", disco frame " << disco << "\n";
    EXPECT_LE(city, 20000u);
    EXPECT_LE(disco, 20000u);
}

TEST(WorldAssets, GeneratingTwiceWritesTheSameBytes) {
    const std::string again = makeScratchTree("world-again");
    const gen::OutputDirs out{again + "/models", again + "/models/moves", again + "/textures",
                              again + "/music"};
    ASSERT_TRUE(gen::generateWorld(out));
    int compared = 0;
    for (const char* sub : {"models", "textures"})
        for (const auto& entry : fs::directory_iterator(again + "/" + sub)) {
            if (!entry.is_regular_file())
                continue;
            const std::string name = entry.path().filename().string();
            const std::string first = readFile(generatedAssets() + "/" + sub + "/" + name);
            EXPECT_FALSE(first.empty()) << name;
            EXPECT_TRUE(first == readFile(entry.path().string())) << name << " differs";
            ++compared;
        }
    EXPECT_EQ(compared, 18 + 2 + 12);
}
