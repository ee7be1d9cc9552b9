// The disco: a brick hall with a raised round dance floor, a second floor before a stage,
// a DJ balcony, a bar, a dais with a seat and a sunken lounge; trusses, loudspeakers,
// furniture, and the swinging lamp with its beam.
#include <algorithm>
#include <cmath>

#include "common/shapes.h"
#include "world/builders.h"
#include "world/layout.h"
#include "world/textures.h"
#include "world/world.h"

namespace gen {
namespace world {
namespace {

using namespace layout;

// A figure's frame: at `at`, turned `degrees` about +y (local +z is where it faces).
Transform facing(Vec3 at, float degrees) {
    return Transform::translate(at) * Transform::rotateY(degrees);
}

// A pillar of bricks from the floor to the ceiling.
void pillar(Mesh& m, float x, float z, float half) {
    tiledBox(m, {x - half, 0, z - half}, {x + half, kHallTop, z + half}, AtlasRect::whole(24, 24),
             kPosY | kNegY);
}

const Vec2 kPillars[] = {{-198, 15}, {56, 130}};

// A sofa for a figure sitting at the local origin facing +z, seat `width` wide, feet at 0.
Mesh sofa(float width) {
    Mesh m;
    const AtlasRect cloth = retroRect(kUpholstery, 12, 12);
    const float seat = kSeatHeight, w = width / 2;
    tiledBox(m, {-w, 0, -3}, {w, seat - 1.8f, 6.5f}, cloth, kNegY | kNegZ);
    tiledBox(m, {-w + 0.3f, seat - 1.8f, -3}, {w - 0.3f, seat, 6.8f}, cloth, kNegY | kNegZ);
    tiledBox(m, {-w, 0, -6.5f}, {w, seat + 7, -3}, cloth, kNegY);
    for (float side : {-1.0f, 1.0f}) {
        const float x0 = side < 0 ? -w - 2.2f : w, x1 = side < 0 ? -w : w + 2.2f;
        tiledBox(m, {x0, 0, -6.5f}, {x1, seat + 1.5f, 6.8f}, cloth, kNegY);
    }
    return m;
}

// A loudspeaker stack of `count` cabinets, front facing +z, standing on y = 0.
Mesh speakerStack(int count, float width, float height, float depth) {
    Mesh m;
    for (int k = 0; k < count; ++k) {
        const float y0 = k * height, y1 = y0 + height;
        const Vec3 lo{-width / 2, y0, -depth / 2}, hi{width / 2, y1, depth / 2};
        AtlasRect front = speakerFrontRect();
        front.unitsU = width;
        front.unitsV = height;
        front.wrapU = front.wrapV = true; // one copy, nothing to split
        tiledQuad(m, {lo.x, y0, hi.z}, {1, 0, 0}, {0, 1, 0}, width, height, front);
        stretchedBox(m, lo, hi, speakerSideRect(1, 1), kPosZ | kNegY | (k + 1 < count ? kPosY : 0));
    }
    return m;
}

// A table on a pedestal: top of `radius` with its upper face at `top`, feet at `floor`.
Mesh pedestalTable(float radius, float floor, float top, int segments) {
    Mesh m;
    const float foot = std::max(2.5f, radius * 0.6f), stem = std::max(0.8f, radius * 0.15f);
    lathe(m,
          {{foot, floor},
           {foot, floor + 0.8f},
           {stem, floor + 0.8f},
           {stem, top - 1.2f},
           {radius, top - 1.2f},
           {radius, top},
           {0, top}},
          segments, AtlasRect::whole(2 * radius, top - floor));
    return m;
}

// One truss of two chords with a zigzag between them, from `a` to `b` (horizontal), its
// lower chord at the points' height, `depth` tall.
void truss(Mesh& m, Vec3 a, Vec3 b, float depth) {
    const AtlasRect metal = AtlasRect::whole(8, 8);
    const Vec3 d = b - a;
    const float len = length(d);
    const float angle = std::atan2(-d.z, d.x) * 57.29578f; // about +y, from +x
    const Transform frame = Transform::translate(a) * Transform::rotateY(angle);
    const float t = 0.35f;
    for (float y : {0.0f, depth}) {
        Mesh chord;
        tiledBox(chord, {0, y - t, -t}, {len, y + t, t}, metal, kPosX | kNegX);
        m.append(chord, frame);
    }
    const int bays = std::max(1, static_cast<int>(len / 4));
    for (int i = 0; i < bays; ++i) {
        const float x0 = len * i / bays, x1 = len * (i + 1) / bays;
        const bool up = i % 2 == 0;
        const Vec3 p0{x0, up ? 0.0f : depth, 0}, p1{x1, up ? depth : 0.0f, 0};
        const Vec3 dir = p1 - p0;
        const float dl = length(dir);
        const float tilt = std::atan2(dir.y, dir.x) * 57.29578f;
        Mesh brace;
        tiledBox(brace, {0, -0.18f, -0.18f}, {dl, 0.18f, 0.18f}, metal, kPosX | kNegX);
        m.append(brace, frame * Transform::translate(p0) * Transform::rotateZ(tilt));
    }
}

// A hanging cable from the ceiling down to `to`.
void cable(Mesh& m, Vec3 to) {
    tiledBox(m, {to.x - 0.15f, to.y, to.z - 0.15f}, {to.x + 0.15f, kHallTop, to.z + 0.15f},
             AtlasRect::whole(4, 4), kPosY | kNegY);
}

} // namespace

Mesh discoRoomMesh() {
    Mesh m;
    const AtlasRect bricks = AtlasRect::whole(24, 24);
    const float x0 = kHallX0, x1 = kHallX1, z0 = kHallZ0, z1 = kHallZ1;
    // The shell faces inwards: walls, and a brick vault of a ceiling.
    const Vec2 c[4] = {{x1, z0}, {x1, z1}, {x0, z1}, {x0, z0}};
    for (int i = 0; i < 4; ++i)
        wall(m, c[i], c[(i + 1) % 4], 0, kHallTop, finer(bricks, 44));
    floorRect(m, x0, z0, x1, z1, kHallTop, finer(bricks, 60), false);
    for (const Vec2& p : kPillars)
        pillar(m, p.u, p.v, 4);
    // The lounge pit's walls face into it.
    const Vec2 pit[4] = {{kLoungeX1, kLoungeZ0},
                         {kLoungeX1, kLoungeZ1},
                         {kLoungeX0, kLoungeZ1},
                         {kLoungeX0, kLoungeZ0}};
    for (int i = 0; i < 4; ++i)
        wall(m, pit[i], pit[(i + 1) % 4], kLoungeFloor, 0, finer(bricks, 20));
    return m;
}

Mesh floorMesh() {
    Mesh m;
    // The hall's floor at 0 round the second floor and the lounge pit.
    const AtlasRect stone = finer(stoneTilesRect(64, 32), 24);
    const float xs[] = {kHallX0, kLoungeX0, kSecondX0, kSecondX1, kLoungeX1, kHallX1};
    const float zs[] = {kHallZ0, kSecondZ0, kSecondZ1, kLoungeZ0, kLoungeZ1, kHallZ1};
    for (int i = 0; i + 1 < 6; ++i)
        for (int j = 0; j + 1 < 6; ++j) {
            const float ax = xs[i], bx = xs[i + 1], az = zs[j], bz = zs[j + 1];
            const float cx = 0.5f * (ax + bx), cz = 0.5f * (az + bz);
            const bool second =
                cx > kSecondX0 && cx < kSecondX1 && cz > kSecondZ0 && cz < kSecondZ1;
            const bool pit = cx > kLoungeX0 && cx < kLoungeX1 && cz > kLoungeZ0 && cz < kLoungeZ1;
            if (!second && !pit && bx > ax && bz > az)
                floorRect(m, ax, az, bx, bz, 0, stone);
        }
    // The raised round floor: a step ring, lit sides, the patterned top.
    lathe(m,
          {{kRoundFloorRadius + 4, 0},
           {kRoundFloorRadius + 4, 4},
           {kRoundFloorRadius, 4},
           {kRoundFloorRadius, kRoundFloorTop}},
          32, lightTilesRect(1));
    disc(m, {0, kRoundFloorTop, 0}, kRoundFloorRadius, 32, roundFloorRect(2 * kRoundFloorRadius),
         true, 4);
    // The second floor's light tiles, the lounge floor, the stage, dais and balcony tops.
    floorRect(m, kSecondX0, kSecondZ0, kSecondX1, kSecondZ1, 0, finer(lightTilesRect(48), 12));
    floorRect(m, kLoungeX0, kLoungeZ0, kLoungeX1, kLoungeZ1, kLoungeFloor,
              finer(lightTilesRect(40), 14));
    floorRect(m, kStageX0, kStageZ0, kStageX1, kStageZ1, kStageTop, stone);
    floorRect(m, kDaisX0, kDaisZ0, kDaisX1, kDaisZ1, kDaisTop, stone);
    floorRect(m, kBoothX0, kBoothZ0, kBoothX1, kBoothZ1, kBoothTop, stone);
    return m;
}

Mesh scenesMesh() {
    Mesh m;
    const AtlasRect curtain = retroRect(kCurtain, 12, 10);
    // Stage: a gold skirt round the box, a sunburst wall behind it.
    tiledBox(m, {kStageX0, 0, kStageZ0}, {kStageX1, kStageTop, kStageZ1}, curtain, kPosY | kNegY);
    const float mid = 0.5f * (kStageX0 + kStageX1);
    stretchedBox(m, {mid - 36, kStageTop, kStageZ0}, {mid + 36, kStageTop + 50, kStageZ0 + 2},
                 curtain, kNegY);
    AtlasRect sun = retroRect(kSunburst, 70, 48);
    sun.wrapU = sun.wrapV = true;
    tiledQuad(m, {mid - 35, kStageTop + 1, kStageZ0 + 2.05f}, {1, 0, 0}, {0, 1, 0}, 70, 48, sun);
    // Dais for the seat.
    tiledBox(m, {kDaisX0, 0, kDaisZ0}, {kDaisX1, kDaisTop, kDaisZ1}, curtain, kPosY | kNegY);
    // The booth: a block against the back wall, a sunburst on its front, a rail on top.
    const AtlasRect chrome = retroPatch(1);
    tiledBox(m, {kBoothX0, 0, kBoothZ0}, {kBoothX1, kBoothTop, kBoothZ1}, curtain,
             kPosY | kNegY | kNegZ | kPosZ);
    AtlasRect burst = retroRect(kSunburst, kBoothX1 - kBoothX0, kBoothTop);
    burst.wrapU = burst.wrapV = true;
    tiledQuad(m, {kBoothX0, 0, kBoothZ1}, {1, 0, 0}, {0, 1, 0}, kBoothX1 - kBoothX0, kBoothTop,
              burst);
    for (float x = kBoothX0 + 0.5f; x < kBoothX1; x += 5.5f)
        stretchedBox(m, {x - 0.2f, kBoothTop, kBoothZ1 - 0.8f},
                     {x + 0.2f, kBoothTop + 6, kBoothZ1 - 0.4f}, chrome, kNegY);
    stretchedBox(m, {kBoothX0, kBoothTop + 6, kBoothZ1 - 1.0f},
                 {kBoothX1, kBoothTop + 6.6f, kBoothZ1 - 0.2f}, chrome);
    // Sunbursts on the long walls, where the tour passes close to them.
    AtlasRect wallBurst = retroRect(kSunburst, 56, 34);
    wallBurst.wrapU = wallBurst.wrapV = true;
    tiledQuad(m, {kHallX1 - 0.1f, 16, 2}, {0, 0, 1}, {0, 1, 0}, 56, 34, wallBurst);
    tiledQuad(m, {kHallX0 + 0.1f, 14, -152}, {0, 0, -1}, {0, 1, 0}, 56, 34, wallBurst);
    // The lounge: a sunburst on the far wall behind the table, steps down at the near end.
    AtlasRect panel = retroRect(kSunburst, 56, 30);
    panel.wrapU = panel.wrapV = true;
    tiledQuad(m, {kLoungeX0 + 0.1f, kLoungeFloor + 3, kTableZ + 28}, {0, 0, -1}, {0, 1, 0}, 56, 30,
              panel);
    const int steps = 6;
    const float rise = -kLoungeFloor / steps, tread = 4;
    for (int k = 0; k + 1 < steps; ++k) {
        const float x1 = kLoungeX1 - k * tread;
        stretchedBox(m, {x1 - tread, kLoungeFloor, 128}, {x1, -rise * (k + 1), kLoungeZ1},
                     retroPatch(12), kNegY | kPosX | kPosZ);
    }
    // Bottles on the back bar (in the barman's frame: he faces +z, the shelves behind him).
    const Transform bar = facing({kBarX, 0, kBarZ}, kBarAngle);
    const int colours[] = {9, 10, 15, 3, 7, 8};
    for (int shelf = 0; shelf < 3; ++shelf)
        for (int b = 0; b < 12; ++b) {
            const float x = -22 + b * 4.0f, y = 14 + shelf * 9.0f;
            Mesh bottle;
            stretchedBox(bottle, {x, y, -12.2f}, {x + 1.4f, y + 4 + (b % 3), -10.8f},
                         retroPatch(colours[(b + shelf) % 6]), kNegY | kNegZ);
            m.append(bottle, bar);
        }
    return m;
}

Mesh tablesMesh() {
    Mesh m;
    const AtlasRect wood = AtlasRect::whole(16, 16);
    // The bar: counter and back bar in the barman's frame.
    const Transform bar = facing({kBarX, 0, kBarZ}, kBarAngle);
    Mesh counter;
    tiledBox(counter, {-24, 0, 5}, {24, 20, 10}, wood, kNegY);
    tiledBox(counter, {-25.5f, 20, 4}, {25.5f, 21.5f, 11.5f}, wood);
    tiledBox(counter, {-26, 0, -13}, {26, 42, -12}, wood, kNegY); // back panel
    for (int shelf = 0; shelf < 3; ++shelf)
        tiledBox(counter, {-24, 13 + shelf * 9.0f, -13}, {24, 14 + shelf * 9.0f, -9.5f}, wood);
    m.append(counter, bar);
    // The lounge's table, its top at -21 under the spinning dancer, and two side tables.
    m.append(pedestalTable(8.5f, kLoungeFloor, kTableTop, 16),
             Transform::translate({kTableX, 0, kTableZ}));
    for (Vec2 p : {Vec2{-150, 100}, Vec2{-100, 140}})
        m.append(pedestalTable(4, kLoungeFloor, kLoungeFloor + 9, 10),
                 Transform::translate({p.u, 0, p.v}));
    // High tables round the round floor.
    for (int k = 0; k < 6; ++k) {
        const float a = 0.5236f + k * 1.0472f;
        m.append(pedestalTable(3.2f, 0, 20, 10),
                 Transform::translate({52 * std::cos(a), 0, 52 * std::sin(a)}));
    }
    // A low table before the seat on the dais.
    m.append(pedestalTable(4, kDaisTop, kDaisTop + 8, 10), Transform::translate({-125, 0, -56}));
    // The DJ's desk on the balcony, before the dancer.
    tiledBox(m, {7, kBoothTop, -266}, {13, kBoothTop + 8.5f, -248}, wood, kNegY);
    return m;
}

Mesh sofaMesh() {
    Mesh m;
    // Lounge: two on one sofa facing -z, one facing +z across the table.
    m.append(sofa(34), facing({-132, kLoungeFloor, 124}, 180));
    m.append(sofa(24), facing({-121, kLoungeFloor, 95}, 0));
    m.append(sofa(36), facing({-156, kLoungeFloor, 143}, 180));
    m.append(sofa(24), facing({-95, kLoungeFloor, 73}, 0));
    // The seat on the dais, and sofas along the walls of the main room.
    m.append(sofa(24), facing({-110, kDaisTop, -56}, -90));
    m.append(sofa(40), facing({kHallX1 - 8, 0, -40}, -90));
    m.append(sofa(40), facing({kHallX1 - 8, 0, 60}, -90));
    m.append(sofa(40), facing({-60, 0, kHallZ1 - 8}, 180));
    return m;
}

Mesh loudspeakersMesh() {
    Mesh m;
    const Mesh stack = speakerStack(2, 10, 16, 9);
    // Four stacks round the round floor, turned to its centre.
    for (int k = 0; k < 4; ++k) {
        const float a = 0.785398f + k * 1.570796f;
        const Vec3 at{46 * std::cos(a), 0, 46 * std::sin(a)};
        const float yaw = std::atan2(-at.x, -at.z) * 57.29578f;
        m.append(stack, facing(at, yaw));
    }
    // Beside the stage, on it, facing the second floor.
    const Mesh tall = speakerStack(3, 10, 14, 9);
    for (float x : {kStageX0 + 7, kStageX1 - 7})
        m.append(tall, Transform::translate({x, kStageTop, kStageZ0 + 12}));
    // On the balcony either side of the desk, facing the room.
    const Mesh small = speakerStack(1, 6, 10, 6);
    for (float x : {-24.0f, 20.0f})
        m.append(small, Transform::translate({x, kBoothTop, kBoothZ1 - 8}));
    // A wall of sound on the floor behind the lounge, over its far edge.
    for (float z = 84; z <= 134; z += 10)
        m.append(stack, facing({kHallX0 + 6, 0, z}, 90));
    // In the lounge's corners, facing in.
    m.append(small, facing({kLoungeX0 + 8, kLoungeFloor, kLoungeZ0 + 8}, 45));
    m.append(small, facing({kLoungeX0 + 8, kLoungeFloor, kLoungeZ1 - 8}, 135));
    return m;
}

Mesh riggMesh() {
    Mesh m;
    // Over the round floor: a square frame whose corners hold the four lamps (anchors at
    // (+-17, 66, +-17)); the lamps hang 4 below its lower chord.
    const float ya = kLampHighA + 4, s = 17, over = 7;
    truss(m, {-s - over, ya, -s}, {s + over, ya, -s}, 3);
    truss(m, {-s - over, ya, s}, {s + over, ya, s}, 3);
    truss(m, {-s, ya, s + over}, {-s, ya, -s - over}, 3);
    truss(m, {s, ya, s + over}, {s, ya, -s - over}, 3);
    for (float x : {-s - over + 1, s + over - 1})
        for (float z : {-s, s})
            cable(m, {x, ya + 3, z});
    // Over the second floor: two long trusses carrying four lamps each (anchors at 60).
    const float yb = kLampHighB + 4;
    for (float z : {-216.0f, -162.0f}) {
        truss(m, {-172, yb, z}, {-78, yb, z}, 3);
        for (float x : {-168.0f, -82.0f})
            cable(m, {x, yb + 3, z});
    }
    return m;
}

Mesh discoLampMesh() {
    Mesh m;
    const AtlasRect metal = AtlasRect::whole(6, 6);
    // Hanger up to the truss and a yoke round the can.
    tiledBox(m, {-0.25f, -1.0f, -0.25f}, {0.25f, 4.0f, 0.25f}, metal, kNegY);
    tiledBox(m, {-3.0f, -1.5f, -0.4f}, {3.0f, -1.0f, 0.4f}, metal);
    for (float x : {-3.0f, 2.6f})
        tiledBox(m, {x, -5.0f, -0.4f}, {x + 0.4f, -1.5f, 0.4f}, metal, kPosY);
    // The can, open at the bottom (its mouth at -7, where the beam starts), dark inside.
    lathe(m, {{2.6f, -7.0f}, {2.3f, -6.4f}, {1.8f, -2.0f}, {1.2f, -1.6f}, {0, -1.6f}}, 12, metal);
    lathe(m, {{1.7f, -2.4f}, {2.45f, -6.9f}}, 12, metal); // inside: listed downwards
    disc(m, {0, -2.3f, 0}, 1.7f, 12, AtlasRect::pixels(100, 100, 140, 140, 256, 256, 1, 1), false);
    return m;
}

Mesh blendMesh() {
    Mesh m;
    // The beam: a widening cone from the lamp's mouth (the origin) down to a rim at -34,
    // drawn inside first and outside second so the near side blends over the far side.
    AtlasRect down;
    down.v0 = 1;
    down.v1 = 0;
    AtlasRect up;
    lathe(m, {{2.3f, 0}, {14, -34}}, 16, down);
    lathe(m, {{14, -34}, {2.3f, 0}}, 16, up);
    return m;
}

Mesh jointMesh() {
    return sphere(1.5f, 6, 8);
}

} // namespace world
} // namespace gen
