// The shape builders the world is made of: the shared solids and the world's own tiled
// quads, walls, fans and surfaces of revolution. Exact counts, and faces that look out of
// the side their normals name.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "common/shapes.h"
#include "world/builders.h"
#include "world/paint.h"

using namespace gen;
using namespace gen::world;

namespace {

Vec3 corner(const Mesh& m, const Triangle& t, int k) {
    return m.positions[t.c[k].position];
}

// Every triangle has area, every corner index is in range, and each corner's normal lies on
// the side the counter-clockwise winding faces.
void expectWellFormed(const Mesh& m, const std::string& what) {
    for (const Triangle& t : m.triangles) {
        for (const Corner& c : t.c) {
            ASSERT_GE(c.position, 0) << what;
            ASSERT_LT(c.position, static_cast<int>(m.positions.size())) << what;
            ASSERT_LT(c.normal, static_cast<int>(m.normals.size())) << what;
            ASSERT_LT(c.uv, static_cast<int>(m.uvs.size())) << what;
        }
        const Vec3 a = corner(m, t, 0), b = corner(m, t, 1), c = corner(m, t, 2);
        const Vec3 n = cross(b - a, c - a);
        ASSERT_GT(length(n), 1e-6f) << what << ": degenerate triangle";
        for (const Corner& c : t.c)
            EXPECT_GT(dot(n, m.normals[c.normal]), 0.0f) << what << ": winding against normal";
    }
}

// Fraction of triangles facing away from `inside` (for closed convex solids: all of them).
float facingAway(const Mesh& m, Vec3 inside) {
    int away = 0;
    for (const Triangle& t : m.triangles) {
        const Vec3 a = corner(m, t, 0), b = corner(m, t, 1), c = corner(m, t, 2);
        const Vec3 centre = (a + b + c) * (1.0f / 3);
        if (dot(cross(b - a, c - a), centre - inside) > 0)
            ++away;
    }
    return static_cast<float>(away) / m.triangles.size();
}

struct ShapeCase {
    const char* name;
    std::function<Mesh()> make;
    size_t positions, triangles;
    Vec3 inside;
};

} // namespace

TEST(WorldShapes, SharedSolidsHaveTheirDocumentedCountsAndFaceOutwards) {
    const std::vector<Vec2> hexagon = {{2, 0},  {1, -1.7f}, {-1, -1.7f},
                                       {-2, 0}, {-1, 1.7f}, {1, 1.7f}};
    const ShapeCase cases[] = {
        {"box",
         [] {
             return box({-1, -2, -3}, {1, 2, 3});
         },
         24,
         12,
         {0, 0, 0}},
        {"cylinder with caps",
         [] { return cylinder(1, 0, 2, 8, true); },
         18 + 2 * 10,
         4 * 8,
         {0, 1, 0}},
        {"cylinder open", [] { return cylinder(1, 0, 2, 8, false); }, 18, 2 * 8, {0, 1, 0}},
        {"cone with base", [] { return cone(2, 0, 0, 3, 6, true); }, 14 + 8, 6 + 6, {0, 1, 0}},
        {"frustum with base", [] { return cone(2, 1, 0, 3, 6, true); }, 14 + 8, 12 + 6, {0, 1, 0}},
        {"sphere", [] { return sphere(2, 5, 7); }, 6 * 8, 2 * 7 * 4, {0, 0, 0}},
        {"extrude hexagon",
         [&] { return extrude(hexagon, 0, 2); },
         6 * 4 + 2 * 4 * 3,
         2 * 6 + 2 * 4,
         {0, 1, 0}},
    };
    for (const ShapeCase& c : cases) {
        const Mesh m = c.make();
        EXPECT_EQ(m.positions.size(), c.positions) << c.name;
        EXPECT_EQ(m.triangles.size(), c.triangles) << c.name;
        expectWellFormed(m, c.name);
        EXPECT_EQ(facingAway(m, c.inside), 1.0f) << c.name;
    }
}

TEST(WorldShapes, TiledQuadCutsWhereTheAtlasRectangleDoesNotWrap) {
    // A rectangle of a 512 x 512 image 128 x 64 pixels large, one copy per 10 x 5 units.
    const AtlasRect rect = AtlasRect::pixels(128, 64, 256, 128, 512, 512, 10, 5);
    EXPECT_FALSE(rect.wrapU);
    EXPECT_FALSE(rect.wrapV);
    struct Case {
        float width, height;
        Vec2 phase;
        float maxCell;
        size_t triangles;
    } cases[] = {
        {10, 5, {0, 0}, 0, 2},     // exactly one copy
        {25, 5, {0, 0}, 0, 6},     // 10 + 10 + 5
        {25, 12, {0, 0}, 0, 18},   // three by three
        {10, 5, {4, 0}, 0, 4},     // shifted: split at 6
        {10, 5, {0, 0}, 2.5f, 16}, // finer cells: four by two
    };
    for (const Case& c : cases) {
        Mesh m;
        AtlasRect r = rect;
        r.maxCell = c.maxCell;
        tiledQuad(m, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, c.width, c.height, r, c.phase);
        EXPECT_EQ(m.triangles.size(), c.triangles) << c.width << " x " << c.height;
        expectWellFormed(m, "tiled quad");
        // Every texture coordinate stays inside the rectangle (half a texel in).
        for (const Vec2& uv : m.uvs) {
            EXPECT_GE(uv.u, 128.5f / 512 - 1e-5f);
            EXPECT_LE(uv.u, 255.5f / 512 + 1e-5f);
            EXPECT_GE(uv.v, 1 - 127.5f / 512 - 1e-5f);
            EXPECT_LE(uv.v, 1 - 64.5f / 512 + 1e-5f);
        }
        for (const Vec3& n : m.normals)
            EXPECT_NEAR(n.z, 1, 1e-6f); // cross(+x, +y)
    }
    // A rectangle across the whole width repeats along u through wrapping: no cuts there.
    Mesh strip;
    tiledQuad(strip, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 100, 5,
              AtlasRect::pixels(0, 0, 512, 128, 512, 512, 10, 5));
    EXPECT_EQ(strip.triangles.size(), 2u);
    EXPECT_NEAR(strip.uvs[1].u - strip.uvs[0].u, 10.0f, 1e-4f);
    EXPECT_EQ(tileCells(100, 10, true), 1);
    EXPECT_EQ(tileCells(100, 10, false), 10);
    EXPECT_EQ(tileCells(100, 10, true, 0, 30), 4);
}

TEST(WorldShapes, WallsFloorsAndBoxesFaceTheWayTheySay) {
    Mesh wallMesh;
    wall(wallMesh, {0, 0}, {10, 0}, 0, 4, AtlasRect::whole(5, 5));
    ASSERT_EQ(wallMesh.triangles.size(), 2u);
    EXPECT_NEAR(wallMesh.normals[0].z, 1, 1e-6f); // right of travel along +x seen from above
    Mesh up, down;
    floorRect(up, 0, 0, 8, 6, 2, AtlasRect::whole(4, 4));
    floorRect(down, 0, 0, 8, 6, 2, AtlasRect::whole(4, 4), false);
    EXPECT_EQ(up.triangles.size(), 2u);
    EXPECT_NEAR(up.normals[0].y, 1, 1e-6f);
    EXPECT_NEAR(down.normals[0].y, -1, 1e-6f);
    expectWellFormed(up, "floor");
    expectWellFormed(down, "ceiling");
    Mesh open;
    stretchedBox(open, {0, 0, 0}, {2, 3, 4}, AtlasRect::whole(1, 1), kNegY | kPosZ);
    EXPECT_EQ(open.triangles.size(), 8u);
    expectWellFormed(open, "open box");
    EXPECT_EQ(facingAway(open, {1, 1.5f, 2}), 1.0f);
    Mesh tiled;
    tiledBox(tiled, {0, 0, 0}, {20, 10, 10}, AtlasRect::pixels(0, 0, 64, 64, 256, 256, 10, 10));
    EXPECT_EQ(tiled.triangles.size(), 2u * (2 + 2 + 1 + 1 + 2 + 2));
    EXPECT_EQ(facingAway(tiled, {10, 5, 5}), 1.0f);
}

TEST(WorldShapes, LeanedNormalsTurnTowardsTheTargetButStayOnTheFacesSide) {
    // The leaned normal's x (towards the targets' side) must fall in [lowX, highX]; its z is
    // what it keeps of the face's own normal, never less than cos 75 degrees.
    const struct {
        Vec3 target;
        float amount, lowX, highX;
    } cases[] = {
        {{0, 0, 100}, 0.9f, -0.02f, 0.02f},     // straight ahead: nothing to turn
        {{100, 0, 100}, 1.0f, 0.69f, 0.72f},    // 45 degrees aside: all the way
        {{100, 0, 100}, 0.5f, 0.3f, 0.5f},      // half way
        {{100, 0, 0}, 1.0f, 0.96f, 0.9660f},    // edge-on: turns as far as 75 degrees
        {{100, 0, -100}, 1.0f, 0.96f, 0.9660f}, // behind the face: the same
        {{100, 0, 100}, 0.0f, -0.02f, 0.02f},   // amount 0: unchanged
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target.x << ", " << c.target.z << " by " << c.amount);
        Mesh m;
        wall(m, {-0.5f, 0}, {0.5f, 0}, -0.5f, 0.5f, AtlasRect::whole(1, 1)); // faces +z
        Mesh before = m;
        before.triangles.push_back(m.triangles[0]); // the part before `first` stays as it is
        leanNormals(before, 2, c.target, c.amount);
        for (size_t t = 0; t < 2; ++t)
            for (const Corner& k : before.triangles[t].c)
                EXPECT_NEAR(before.normals[k.normal].z, 1, 1e-6f);
        const Vec3 n = before.normals[before.triangles[2].c[0].normal];
        EXPECT_NEAR(length(n), 1, 1e-5f);
        EXPECT_GE(n.x, c.lowX);
        EXPECT_LE(n.x, c.highX);
        EXPECT_GE(n.z, 0.2588f - 1e-4f);
        expectWellFormed(before, "leaned");
    }
}

TEST(WorldShapes, TJunctionsAreSplitSoNeighboursShareTheirCorners) {
    // Walls of one height meeting at a corner share their corner's ends: nothing to split.
    Mesh corners;
    wall(corners, {0, 0}, {2, 0}, 0, 2, AtlasRect::whole(2, 2));
    wall(corners, {2, 0}, {2, 2}, 0, 2, AtlasRect::whole(1, 1));
    EXPECT_EQ(removeTJunctions(corners), 0);
    EXPECT_EQ(corners.triangles.size(), 4u);
    // A wall 2 wide on two walls 1 wide: the lower walls' shared corner at (1, 0, 0) lies
    // inside the wide wall's bottom edge, and only one of its triangles has that edge.
    Mesh line;
    wall(line, {0, 0}, {2, 0}, 0, 2, AtlasRect::whole(2, 2));
    wall(line, {0, 0}, {1, 0}, -1, 0, AtlasRect::whole(1, 1));
    wall(line, {1, 0}, {2, 0}, -1, 0, AtlasRect::whole(1, 1));
    EXPECT_EQ(removeTJunctions(line), 1);
    EXPECT_EQ(line.triangles.size(), 7u);
    expectWellFormed(line, "welded");
    float area = 0;
    int atJunction = 0;
    for (size_t i = 0; i < line.triangles.size(); ++i) {
        const Triangle& t = line.triangles[i];
        const Vec3 a = corner(line, t, 0), b = corner(line, t, 1), c = corner(line, t, 2);
        area += 0.5f * length(cross(b - a, c - a));
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = corner(line, t, k);
            if (p.x != 1 || p.y != 0 || p.z != 0)
                continue;
            ++atJunction;
            // The wide wall's three triangles come first; their texture runs on across the
            // split edge, one unit of a copy 2 units wide.
            if (i < 3) {
                EXPECT_NEAR(line.uvs[t.c[k].uv].u, 0.5f, 1e-5f);
            }
        }
    }
    EXPECT_EQ(atJunction, 2 + 3);        // both halves of the split; three small-wall corners
    EXPECT_NEAR(area, 4 + 1 + 1, 1e-4f); // nothing lost, nothing doubled
}

TEST(WorldShapes, DiscsAndLathesHaveExactCountsAndFaceTheirSide) {
    Mesh top, bottom;
    disc(top, {0, 3, 0}, 2, 12, AtlasRect::whole(4, 4));
    disc(bottom, {0, 3, 0}, 2, 12, AtlasRect::whole(4, 4), false);
    EXPECT_EQ(top.triangles.size(), 12u);
    EXPECT_EQ(top.positions.size(), 13u);
    expectWellFormed(top, "disc up");
    expectWellFormed(bottom, "disc down");
    EXPECT_GT(top.normals[0].y, 0.99f);
    EXPECT_LT(bottom.normals[0].y, -0.99f);
    // A closed can: bottom centre, wall, top centre; listed upwards it faces out.
    const std::vector<Vec2> can = {{0, 0}, {2, 0}, {2, 5}, {0, 5}};
    Mesh out;
    lathe(out, can, 10, AtlasRect::whole(1, 1));
    EXPECT_EQ(out.triangles.size(), 10u + 20u + 10u);
    expectWellFormed(out, "lathe");
    EXPECT_EQ(facingAway(out, {0, 2.5f, 0}), 1.0f);
    // The same profile listed downwards faces in: an enclosure.
    Mesh in;
    lathe(in, {{0, 5}, {2, 5}, {2, 0}, {0, 0}}, 10, AtlasRect::whole(1, 1));
    expectWellFormed(in, "inward lathe");
    EXPECT_EQ(facingAway(in, {0, 2.5f, 0}), 0.0f);
}

TEST(WorldShapes, TheSignFontCoversTheLettersTheFacadeUses) {
    Image img(64, 16, {0, 0, 0, 1});
    const Color white{1, 1, 1, 1};
    EXPECT_EQ(textWidth("DISCO", 1), 29);
    EXPECT_EQ(drawText(img, 0, 0, "DISCO", 1, white), 29);
    // Every letter of both signs lights some pixels, and an unknown one lights none.
    for (char ch : std::string("DISCOQURVEX")) {
        Image one(8, 8, {0, 0, 0, 1});
        drawText(one, 0, 0, std::string(1, ch), 1, white);
        int lit = 0;
        for (const Color& c : one.pixels)
            lit += c.r > 0.5f;
        EXPECT_GE(lit, 9) << ch;
    }
    Image none(8, 8, {0, 0, 0, 1});
    drawText(none, 0, 0, "~", 1, white);
    for (const Color& c : none.pixels)
        EXPECT_EQ(c.r, 0.0f);
    // "S" is not a mirrored "2": its top row starts dark, its left column is lit below it.
    Image s(8, 8, {0, 0, 0, 1});
    drawText(s, 0, 0, "S", 1, white);
    EXPECT_EQ(s.at(0, 0).r, 0.0f);
    EXPECT_EQ(s.at(0, 1).r, 1.0f);
    EXPECT_EQ(s.at(4, 1).r, 0.0f);
}
