// The city: ground, blocks of buildings with their roofs, street lamps, the disco's house
// and the sky dome. Everything is laid out around the fixed places of layout.h and kept
// clear of the camera's flight.
#include <algorithm>
#include <cmath>

#include "common/shapes.h"
#include "world/builders.h"
#include "world/layout.h"
#include "world/path_math.h"
#include "world/textures.h"
#include "world/world.h"

namespace gen {
namespace world {
namespace {

using namespace layout;

// City blocks: raised pavements at height 1 between streets at height 0.
struct Band {
    float lo, hi;
};
const Band kBlockX[] = {{-330, -160}, {-144, -56}, {kSquareX0, kSquareX1}, {86, 180}, {196, 330}};
const Band kBlockZ[] = {{-330, -176}, {-160, kStreetSouth}, {kStreetNorth, 130}, {146, 330}};
constexpr float kGroundExtent = 470.0f;

bool isSquareBlock(const Band& bx, const Band& bz) {
    return bx.lo == kSquareX0 && bz.lo == kStreetNorth;
}

struct Building {
    float x0, z0, x1, z1, top;
    int style;
    bool detailed; // parapet and rooftop structures
};

// Points of the camera's flight, from the start to the last point the eye looks at
// ((36.6 + 3) / 40 of the path).
const std::vector<Vec3>& flightSamples() {
    static const std::vector<Vec3> samples = [] {
        std::vector<Vec3> s;
        const std::vector<Vec3> knots = cityPathKnots();
        for (int i = 0; i <= 2000; ++i)
            s.push_back(samplePath(knots, 0.99f * i / 2000.0f, false));
        return s;
    }();
    return samples;
}

// Highest roof a lot may have so the flight passes at least `clearance` above it.
float ceilingOver(float x0, float z0, float x1, float z1, float clearance) {
    float ceiling = 1e9f;
    const float margin = 6.0f;
    for (const Vec3& p : flightSamples())
        if (p.x > x0 - margin && p.x < x1 + margin && p.z > z0 - margin && p.z < z1 + margin)
            ceiling = std::min(ceiling, p.y - clearance);
    return ceiling;
}

// Horizontal distance from a lot's centre to the nearest point of the flight.
float distanceToFlight(float x, float z) {
    float best = 1e9f;
    for (const Vec3& p : flightSamples())
        best = std::min(best, std::hypot(p.x - x, p.z - z));
    return best;
}

// Every building of the city, fixed ones first, then lots cut from each block. Lots are one
// to two bays of the facade texture wide, so their walls need few cells; those the camera
// passes closely get parapets and rooftop structures, and none rises into the flight.
const std::vector<Building>& buildings() {
    static const std::vector<Building> all = [] {
        std::vector<Building> out;
        // The tower of the rooftop dancer, and the houses around the square.
        out.push_back({kTowerX0, kTowerZ0, kTowerX1, kTowerZ1, kTowerTop, 0, true});
        out.push_back({kSquareX0 + 2, kDiscoFrontZ + 2, kDiscoX0 - 2, 128, 49.5f, 1, true});
        out.push_back({kDiscoX0, kDiscoZ1 + 2, kSquareX1 - 2, 128, 41.5f, 3, true});
        Rng rng(201);
        const float widths[] = {24, 36, 48, 48};
        for (const Band& bx : kBlockX)
            for (const Band& bz : kBlockZ) {
                if (isSquareBlock(bx, bz))
                    continue;
                const bool south = bz.hi <= kStreetSouth;
                const bool far = std::hypot(0.5f * (bx.lo + bx.hi), 0.5f * (bz.lo + bz.hi)) > 250;
                float x = bx.lo + 2;
                while (x < bx.hi - 20) {
                    float w = far ? 48 + 24 * rng.below(2) : widths[rng.below(4)];
                    if (bx.hi - 2 - (x + w) < 22)
                        w = bx.hi - 2 - x;
                    const float depth = bz.hi - bz.lo - 4;
                    const int splits = depth > 60 && !far ? 2 : 1;
                    for (int k = 0; k < splits; ++k) {
                        const float z0 = bz.lo + 2 + k * depth / splits;
                        const float z1 =
                            bz.lo + 2 + (k + 1) * depth / splits - (splits > 1 ? 3 : 0);
                        Building b{x, z0, x + w, z1, 0, rng.below(4), false};
                        if (b.x1 > kTowerX0 - 2 && b.x0 < kTowerX1 + 2 && b.z1 > kTowerZ0 - 2 &&
                            b.z0 < kTowerZ1 + 2) {
                            if (b.z1 - (kTowerZ1 + 3) < 16)
                                continue;
                            b.z0 = kTowerZ1 + 3; // behind the tower
                        }
                        int storeys = south ? 2 + rng.below(3) : 3 + rng.below(5);
                        if (!south && rng.uniform() < 0.2f)
                            storeys += 3;
                        b.top = kPavementTop + storeys * kStorey + 1.5f;
                        const float ceiling = ceilingOver(b.x0, b.z0, b.x1, b.z1, 12);
                        while (b.top > ceiling && b.top > kPavementTop + kStorey + 1.5f)
                            b.top -= kStorey;
                        if (b.top > ceiling)
                            continue;
                        b.detailed =
                            distanceToFlight(0.5f * (b.x0 + b.x1), 0.5f * (b.z0 + b.z1)) < 70;
                        out.push_back(b);
                    }
                    x += w + 3;
                }
            }
        return out;
    }();
    return all;
}

// The four outward walls of a footprint from y0 to y1.
void outerWalls(Mesh& m, float x0, float z0, float x1, float z1, float y0, float y1,
                const AtlasRect& rect, float phaseV = 0) {
    const Vec2 c[4] = {{x1, z0}, {x0, z0}, {x0, z1}, {x1, z1}};
    for (int i = 0; i < 4; ++i)
        wall(m, c[i], c[(i + 1) % 4], y0, y1, rect, {0, phaseV});
}

// The four inward walls of a footprint (the inside of a parapet).
void innerWalls(Mesh& m, float x0, float z0, float x1, float z1, float y0, float y1,
                const AtlasRect& rect) {
    const Vec2 c[4] = {{x1, z0}, {x1, z1}, {x0, z1}, {x0, z0}};
    for (int i = 0; i < 4; ++i)
        wall(m, c[i], c[(i + 1) % 4], y0, y1, rect);
}

// A flat roof with a parapet `rim` wide and `high` tall inside the walls' top.
void flatRoof(Mesh& m, float x0, float z0, float x1, float z1, float y, float rim, float high) {
    floorRect(m, x0 + rim, z0 + rim, x1 - rim, z1 - rim, y,
              roofRect(kGravel, x1 - x0, std::max(z1 - z0, 1.0f)));
    if (high <= 0)
        return;
    innerWalls(m, x0 + rim, z0 + rim, x1 - rim, z1 - rim, y, y + high,
               roofRect(kParapet, 16, 2 * high));
    const AtlasRect cap = roofRect(kParapet, 16, 96);
    floorRect(m, x0, z0, x1, z0 + rim, y + high, cap);
    floorRect(m, x0, z1 - rim, x1, z1, y + high, cap);
    floorRect(m, x0, z0 + rim, x0 + rim, z1 - rim, y + high, cap);
    floorRect(m, x1 - rim, z0 + rim, x1, z1 - rim, y + high, cap);
}

// A box standing on a roof (stair house, machine room): five faces.
void rooftopBox(Mesh& m, Vec3 lo, Vec3 hi) {
    tiledBox(m, lo, hi, roofRect(kSheet, 8, 4), kNegY);
}

// One street lamp standing at (x, y, z) whose arm reaches over the street along (dx, dz).
void streetLamp(Mesh& m, float x, float y, float z, float dx, float dz) {
    const float height = 12.0f, reach = 1.6f;
    const AtlasRect white = AtlasRect::whole(1, 1);
    m.append(cylinder(0.28f, 0, height, 4, false), Transform::translate({x, y, z}));
    const float ax = x + dx * reach, az = z + dz * reach;
    const Vec3 lo{std::min(x, ax) - 0.25f, y + height - 0.3f, std::min(z, az) - 0.25f};
    const Vec3 hi{std::max(x, ax) + 0.25f, y + height + 0.1f, std::max(z, az) + 0.25f};
    stretchedBox(m, lo, hi, white, kNegY);
    stretchedBox(m, {ax - 0.9f, y + height - 0.7f, az - 0.6f},
                 {ax + 0.9f, y + height - 0.3f, az + 0.6f}, white, kPosY);
}

} // namespace

Mesh groundMesh() {
    Mesh m;
    const float e = kGroundExtent;
    // Streets at height 0 between the blocks: the main street with its markings, plain
    // tarmac elsewhere. Cells are kept small where the camera comes close, since fog is
    // worked out at their corners.
    std::vector<float> xs{-e, e}, zs{-e, e};
    for (const Band& b : kBlockX) {
        xs.push_back(b.lo);
        xs.push_back(b.hi);
    }
    for (const Band& b : kBlockZ) {
        zs.push_back(b.lo);
        zs.push_back(b.hi);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(zs.begin(), zs.end());
    auto inBlock = [](float x, float z) {
        for (const Band& bx : kBlockX)
            for (const Band& bz : kBlockZ)
                if (x > bx.lo && x < bx.hi && z > bz.lo && z < bz.hi)
                    return true;
        return false;
    };
    for (size_t i = 0; i + 1 < xs.size(); ++i)
        for (size_t j = 0; j + 1 < zs.size(); ++j) {
            const float x0 = xs[i], x1 = xs[i + 1], z0 = zs[j], z1 = zs[j + 1];
            if (x1 <= x0 || z1 <= z0 || inBlock(0.5f * (x0 + x1), 0.5f * (z0 + z1)))
                continue;
            const bool main = z0 == kStreetSouth && z1 == kStreetNorth;
            const bool outer = x0 < -330 || x1 > 330 || z0 < -330 || z1 > 330;
            if (main)
                tiledQuad(m, {x0, 0, z1}, {1, 0, 0}, {0, 0, -1}, x1 - x0, z1 - z0,
                          finer(groundRect(kRoad, 36, z1 - z0), 30), {x0 + e, 0});
            else
                floorRect(m, x0, z0, x1, z1, 0,
                          outer ? groundRect(kTarmac, 256, 256)
                                : finer(groundRect(kTarmac, 128, 64), 64));
        }
    // The crossing island.
    const AtlasRect slabs = groundRect(GroundStrip::kPavement, 64, 16);
    floorRect(m, kIslandX0, kIslandZ0, kIslandX1, kIslandZ1, kPavementTop, slabs);
    outerWalls(m, kIslandX0, kIslandZ0, kIslandX1, kIslandZ1, 0, kPavementTop, slabs);
    // Blocks: pavements at height 1 with kerbs.
    for (const Band& bx : kBlockX)
        for (const Band& bz : kBlockZ) {
            if (isSquareBlock(bx, bz))
                continue;
            const bool near = bz.hi == kStreetSouth || bz.lo == kStreetNorth;
            floorRect(m, bx.lo, bz.lo, bx.hi, bz.hi, kPavementTop,
                      finer(groundRect(GroundStrip::kPavement, 128, 32), near ? 64.0f : 0.0f));
            outerWalls(m, bx.lo, bz.lo, bx.hi, bz.hi, 0, kPavementTop,
                       finer(slabs, near ? 90.0f : 0.0f));
        }
    // The square: cobbles up to the disco, with the entrance recess at height 0.
    const AtlasRect cobbles = finer(groundRect(kCobbles, 64, 16), 32);
    const float x0 = kSquareX0, x1 = kSquareX1, z0 = kStreetNorth, z1 = 130;
    floorRect(m, x0, z0, x1, kRecessZ0, kPavementTop, cobbles);
    floorRect(m, x0, kRecessZ0, kRecessX0, kDiscoFrontZ, kPavementTop, cobbles);
    floorRect(m, kRecessX1, kRecessZ0, x1, kDiscoFrontZ, kPavementTop, cobbles);
    floorRect(m, kRecessX0, kRecessZ0, kRecessX1, kDiscoFrontZ, 0.02f, cobbles);
    floorRect(m, x0, kDiscoFrontZ, x1, z1, kPavementTop, finer(cobbles, 100));
    outerWalls(m, x0, z0, x1, z1, 0, kPavementTop, finer(slabs, 40));
    // Recess sides face into it.
    wall(m, {kRecessX0, kDiscoFrontZ}, {kRecessX0, kRecessZ0}, 0, kPavementTop, slabs);
    wall(m, {kRecessX0, kRecessZ0}, {kRecessX1, kRecessZ0}, 0, kPavementTop, slabs);
    wall(m, {kRecessX1, kRecessZ0}, {kRecessX1, kDiscoFrontZ}, 0, kPavementTop, slabs);
    return m;
}

Mesh housesMesh() {
    Mesh m;
    for (const Building& b : buildings())
        outerWalls(m, b.x0, b.z0, b.x1, b.z1, 0, b.top + (b.detailed ? 1.2f : 0),
                   facadeRect(b.style), -kPavementTop);
    return m;
}

Mesh roofMesh() {
    Mesh m;
    Rng rng(211);
    for (const Building& b : buildings()) {
        flatRoof(m, b.x0, b.z0, b.x1, b.z1, b.top, b.detailed ? 0.6f : 0, b.detailed ? 1.2f : 0);
        if (!b.detailed)
            continue;
        const float w = b.x1 - b.x0, d = b.z1 - b.z0;
        if (b.x0 == kTowerX0 && b.z0 == kTowerZ0) {
            // Keep the dancer's corner clear: stair house, tank and mast at the back.
            rooftopBox(m, {108, b.top, -36}, {117, b.top + 7, -27.6f});
            m.append(cylinder(3.5f, b.top, b.top + 6, 8, true), Transform::translate({94, 0, -31}));
            rooftopBox(m, {113.6f, b.top + 7, -31.6f}, {114.4f, b.top + 28, -30.8f});
            continue;
        }
        const int boxes = rng.below(3);
        for (int k = 0; k < boxes; ++k) {
            const float bw = rng.range(4, std::min(12.0f, w * 0.4f));
            const float bd = rng.range(4, std::min(10.0f, d * 0.4f));
            const float bx = b.x0 + rng.range(2, w - bw - 2), bz = b.z0 + rng.range(2, d - bd - 2);
            rooftopBox(m, {bx, b.top, bz}, {bx + bw, b.top + rng.range(2.5f, 6), bz + bd});
        }
    }
    return m;
}

Mesh lampsMesh() {
    Mesh m;
    // Both sides of the main street, arms over the road.
    for (float x = -300; x <= 300; x += 60) {
        streetLamp(m, x + 30, kPavementTop, kStreetSouth - 2.5f, 0, 1);
        const bool square = x > kSquareX0 - 4 && x < kSquareX1 + 4;
        if (!square)
            streetLamp(m, x, kPavementTop, kStreetNorth + 2.5f, 0, -1);
    }
    // Round the square, clear of the queue (x -6..2, z -56..-29) and the entrance.
    const float edge = kStreetNorth + 2.5f;
    for (float x : {-32.0f, -18.0f, 16.0f, 40.0f, 62.0f})
        streetLamp(m, x, kPavementTop, edge, 0, -1);
    for (float z : {-34.0f, -8.0f, 18.0f}) {
        streetLamp(m, kSquareX0 + 1.5f, kPavementTop, z, 1, 0);
        streetLamp(m, kSquareX1 - 1.5f, kPavementTop, z, -1, 0);
    }
    return m;
}

Mesh discoHouseMesh() {
    Mesh m;
    const float x0 = kDiscoX0, x1 = kDiscoX1, z0 = kDiscoFrontZ, z1 = kDiscoZ1;
    const float top = kFacadeHeight;
    // The front, one copy of the facade with the door at the bottom centre.
    tiledQuad(m, {x1, 0, z0}, {-1, 0, 0}, {0, 1, 0}, x1 - x0, top, frontRect(kFacade, 0, 0));
    const AtlasRect brick = frontRect(kSideBrick, 24, 16);
    wall(m, {x0, z0}, {x0, z1}, 0, top, brick);
    wall(m, {x0, z1}, {x1, z1}, 0, top, brick);
    wall(m, {x1, z1}, {x1, z0}, 0, top, brick);
    // A cornice with bulbs over the front and the tar roof.
    const AtlasRect bulbs = frontRect(kMarquee, 4, 1.5f);
    tiledBox(m, {x0 - 0.5f, top, z0 - 1.0f}, {x1 + 0.5f, top + 1.5f, z0 + 1.0f}, bulbs);
    floorRect(m, x0, z0 + 1.0f, x1, z1, top, frontRect(kTar, 32, 16));
    // The canopy over the door: its top carries a dancer at height 5.
    const float ct = kCanopyTop, cb = kCanopyTop - 0.6f;
    tiledBox(m, {kCanopyX0, cb, kCanopyZ0}, {kCanopyX1, ct, z0}, frontRect(kMarquee, 4, 0.6f),
             kPosY | kNegY | kPosZ);
    floorRect(m, kCanopyX0, kCanopyZ0, kCanopyX1, z0, ct, frontRect(kTar, 16, 16));
    floorRect(m, kCanopyX0, kCanopyZ0, kCanopyX1, z0, cb, frontRect(kMarquee, 4, 1.5f), false);
    for (float px : {kCanopyX0 + 0.5f, kCanopyX1 - 0.5f})
        m.append(cylinder(0.22f, 0, cb, 6, false), Transform::translate({px, 0, kCanopyZ0 + 0.5f}));
    return m;
}

Mesh softboxMesh() {
    Mesh m;
    // An ellipsoidal dome listed from the top down, so it faces inwards; its skirt reaches
    // below the ground.
    std::vector<Vec2> profile;
    const int rings = 6;
    for (int i = 0; i <= rings; ++i) {
        const float a = 1.5707963f * i / rings;
        profile.push_back({kSkyRadius * std::sin(a), kSkyHeight * std::cos(a)});
    }
    profile.push_back({kSkyRadius, -20});
    lathe(m, profile, 16, AtlasRect::whole(1, 1));
    // Clouds projected from a point deep below the centre: no seam and no pinch at the top,
    // and no streaks down the steep rim.
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const Vec3 p = m.positions[i];
        const float k = 2.4f / (p.y + 380.0f);
        m.uvs[i] = {p.x * k, p.z * k};
    }
    return m;
}

Mesh houseMesh() {
    Mesh m;
    stretchedBox(m, {-6, 0, -5}, {6, 7, 5}, retroPatch(13));
    // Pitched roof: two slopes and two gables.
    const AtlasRect roof = retroPatch(3);
    const Vec2 t0 = roof.at(0, 0), t1 = roof.at(1, 0), t2 = roof.at(1, 1), t3 = roof.at(0, 1);
    m.addFlatQuad({-6.5f, 7, 5.5f}, {6.5f, 7, 5.5f}, {6.5f, 11, 0}, {-6.5f, 11, 0}, t0, t1, t2, t3);
    m.addFlatQuad({6.5f, 7, -5.5f}, {-6.5f, 7, -5.5f}, {-6.5f, 11, 0}, {6.5f, 11, 0}, t0, t1, t2,
                  t3);
    const AtlasRect gable = retroPatch(13);
    m.addFlatTriangle({6, 7, 5}, {6, 7, -5}, {6, 11, 0}, gable.at(0, 0), gable.at(1, 0),
                      gable.at(0.5f, 1));
    m.addFlatTriangle({-6, 7, -5}, {-6, 7, 5}, {-6, 11, 0}, gable.at(0, 0), gable.at(1, 0),
                      gable.at(0.5f, 1));
    stretchedBox(m, {-1.2f, 0, 5}, {1.2f, 4.5f, 5.2f}, retroPatch(6), kNegZ);
    for (float x : {-4.0f, 3.0f})
        stretchedBox(m, {x - 0.2f, 3, 5}, {x + 1.6f, 5, 5.15f}, retroPatch(7), kNegZ);
    return m;
}

Mesh carMesh() {
    Mesh m;
    stretchedBox(m, {-4.5f, 0.6f, -1.8f}, {4.5f, 2.2f, 1.8f}, retroPatch(3));
    stretchedBox(m, {-2.2f, 2.2f, -1.6f}, {2.0f, 3.5f, 1.6f}, retroPatch(7), kNegY);
    for (float x : {-3.0f, 3.0f})
        for (float z : {-1.85f, 1.85f}) {
            const Transform xf = Transform::translate({x, 0.7f, z}) * Transform::rotateX(90);
            m.append(cylinder(0.7f, -0.35f, 0.35f, 8, true), xf);
        }
    stretchedBox(m, {4.5f, 1.4f, -1.5f}, {4.6f, 1.9f, -0.8f}, retroPatch(15), kNegX);
    stretchedBox(m, {4.5f, 1.4f, 0.8f}, {4.6f, 1.9f, 1.5f}, retroPatch(15), kNegX);
    return m;
}

} // namespace world
} // namespace gen
