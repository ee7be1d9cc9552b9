// The disco: a brick hall with a raised round dance floor, a second floor before a stage,
// a DJ balcony, a bar, a dais with a seat and a sunken lounge; trusses, loudspeakers,
// furniture, and the swinging lamp with its beam.
#include <algorithm>
#include <cmath>

#include "common/image.h"
#include "common/shapes.h"
#include "world/builders.h"
#include "world/layout.h"
#include "world/path_math.h"
#include "world/sightlines.h"
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

// The hall's outline seen from above, walked so that every wall faces into the hall (to the
// right of the way): round the back room and the main room, past the walled-off nook.
// The west wall is walked in two stretches, the lounge's and the main room's, each with a
// window of its own.
const Vec2 kOutline[] = {{kHallX1, kHallZ0}, {kHallX1, kNookZ},  {kNookX, kNookZ},
                         {kNookX, kHallZ1},  {kHallX0, kHallZ1}, {kHallX0, kWestSplitZ},
                         {kHallX0, kHallZ0}};

// The red and green lights circle round this point over the main room: surfaces far from it
// lean their normals towards it to catch what reaches them.
const Vec3 kLightsCentre{0, 20, 0};

// Neon tubes run round the walls at two heights; tubes and panels stand a little proud of
// the bricks.
constexpr float kTubeLow = 40.0f, kTubeHigh = 68.0f, kTube = 1.2f;
constexpr float kTubeProud = 0.2f, kPanelProud = 0.35f;

// A tube along the wall from `from` to `to` (the wall faces right of the way), its lower
// edge at y.
void tubeAlong(Mesh& m, Vec2 from, Vec2 to, float y, NeonTube colour) {
    const float dx = to.u - from.u, dz = to.v - from.v, len = std::sqrt(dx * dx + dz * dz);
    const Vec2 out{-dz / len * kTubeProud, dx / len * kTubeProud};
    wall(m, {from.u + out.u, from.v + out.v}, {to.u + out.u, to.v + out.v}, y, y + kTube,
         finer(neonRect(colour, 12, kTube), 40), {0, -y});
}

// A tube standing up a wall facing `facing` (horizontal, unit), centred on `base`, from the
// base's height to y1.
void tubeUp(Mesh& m, Vec3 base, Vec3 facing, float y1, NeonTube colour) {
    const Vec3 across{-facing.z, 0, facing.x}; // cross(up, across) = facing
    const Vec3 origin = base - across * (kTube / 2) + facing * kTubeProud;
    tiledQuad(m, origin, {0, 1, 0}, across, y1 - base.y, kTube,
              finer(neonRect(colour, 12, kTube), 40));
}

// A wall of light panels `panel` units square, `cols` x `rows`, its lower left corner (seen
// from the front) at `origin` on the wall, running along `along` (it faces
// cross(along, up)). Each row starts three panels further round the colours. The panels
// stand `proud` units off the wall, or take its place where it is left out behind them.
void panelWall(Mesh& m, Vec3 origin, Vec3 along, int cols, int rows, float panel, int first,
               float proud = kPanelProud) {
    const Vec3 facing{-along.z, 0, along.x};
    const AtlasRect rect = finer(lightPanelsRect(panel), 3 * panel);
    for (int row = 0; row < rows; ++row)
        tiledQuad(m, origin + facing * proud + Vec3{0, row * panel, 0}, along, {0, 1, 0},
                  cols * panel, panel, rect, {(first + 3 * row) * panel, 0});
}

// The house name in neon along a wall, `height` tall, one name every 8 * height units.
void signBand(Mesh& m, Vec3 origin, Vec3 along, float width, float height) {
    const Vec3 facing{-along.z, 0, along.x};
    tiledQuad(m, origin + facing * kPanelProud, along, {0, 1, 0}, width, height,
              finer(neonSignRect(16 * height, height), 24));
}

// A pillar of bricks from the floor to the ceiling, ringed by the tubes.
void pillar(Mesh& m, float x, float z, float half) {
    tiledBox(m, {x - half, 0, z - half}, {x + half, kHallTop, z + half}, finer(brickRect(), 40),
             kPosY | kNegY);
    // Walked with the faces outwards.
    const Vec2 ring[4] = {
        {x + half, z + half}, {x + half, z - half}, {x - half, z - half}, {x - half, z + half}};
    for (int i = 0; i < 4; ++i) {
        tubeAlong(m, ring[i], ring[(i + 1) % 4], kTubeLow, kNeonPink);
        tubeAlong(m, ring[i], ring[(i + 1) % 4], kTubeHigh, kNeonCyan);
    }
}

// The wall across the hall: brick blocks either side of the arch and over the west door,
// both faces dressed alike with tubes, the name over the arch and light panels beside it.
void partition(Mesh& m) {
    const AtlasRect bricks = finer(brickRect(), 40);
    const float z0 = kPartitionZ - kPartitionHalf, z1 = kPartitionZ + kPartitionHalf;
    tiledBox(m, {kHallX0, kWestDoorTop, z0}, {kWestDoorX1, kHallTop, z1}, bricks, kPosY | kNegX);
    tiledBox(m, {kWestDoorX1, 0, z0}, {kArchX0, kHallTop, z1}, bricks, kPosY | kNegY);
    tiledBox(m, {kArchX0, kArchTop, z0}, {kArchX1, kHallTop, z1}, bricks, kPosY | kNegX | kPosX);
    tiledBox(m, {kArchX1, 0, z0}, {kHallX1, kHallTop, z1}, bricks, kPosY | kNegY | kPosX);
    for (int side = 0; side < 2; ++side) {
        // Seen from the main room (the north face) the wall runs left to right towards +x,
        // seen from the back room towards -x.
        const bool north = side == 0;
        const float z = north ? z1 : z0;
        const Vec3 along{north ? 1.0f : -1.0f, 0, 0}, facing{0, 0, north ? 1.0f : -1.0f};
        auto run = [&](float xa, float xb, float y, NeonTube colour) {
            north ? tubeAlong(m, {xa, z}, {xb, z}, y, colour)
                  : tubeAlong(m, {xb, z}, {xa, z}, y, colour);
        };
        run(kHallX0, kArchX0 - 2.4f, kTubeHigh, kNeonCyan); // over the door
        run(kArchX1 + 2.4f, kHallX1, kTubeHigh, kNeonCyan);
        run(kWestDoorX1, kArchX0, kTubeLow, kNeonPink);
        run(kArchX1, kHallX1, kTubeLow, kNeonPink);
        // Amber tubes on the brick round the arch and the door.
        for (float x : {kArchX0 - kTube / 2, kArchX1 + kTube / 2})
            tubeUp(m, {x, 0, z}, facing, kArchTop + kTube, kNeonAmber);
        tubeUp(m, {kWestDoorX1 + kTube / 2, 0, z}, facing, kWestDoorTop + kTube, kNeonAmber);
        run(kArchX0 - kTube, kArchX1 + kTube, kArchTop, kNeonAmber);
        run(kHallX0, kWestDoorX1 + kTube, kWestDoorTop, kNeonAmber);
        // The name over the arch, columns of light panels beside it.
        const float signX = north ? kArchX0 : kArchX1;
        signBand(m, {signX, kArchTop + kTube + 0.4f, z}, along, kArchX1 - kArchX0, 6);
        for (float x : {kArchX0 - 16.0f, kArchX1 + 4.0f}) {
            const float start = north ? x : x + 12;
            panelWall(m, {start, 4, z}, along, 2, 8, 6, north ? 1 : 5);
        }
    }
}

// A sofa for a figure sitting at the local origin facing +z, seat `width` wide, feet at 0:
// the cushion's top at the seat height, its front (and the arms') no further forward than
// kSeatFront, so the sitter's thighs rest on it and the calves hang in front of it. The base
// under the cushion stands well back, so that feet drawn in under the seat stay clear of it.
// With `legs` above 0 it stands that high on six slim legs, so that a lit floor shows under it.
Mesh sofa(float width, float legs = 0) {
    Mesh m;
    const AtlasRect cloth = retroRect(kUpholstery, 12, 12);
    const float seat = kSeatHeight, front = kSeatFront, w = width / 2, y0 = legs;
    // The base's top lies under the cushion and its ends inside the arms; it keeps its
    // bottom, which shows when it stands on legs.
    tiledBox(m, {-w, y0, -3}, {w, seat - 1.8f, front - 3.5f}, cloth,
             kNegZ | kPosY | kPosX | kNegX | (legs > 0 ? 0 : kNegY));
    tiledBox(m, {-w + 0.3f, seat - 1.8f, -3}, {w - 0.3f, seat, front}, cloth, kNegY | kNegZ);
    tiledBox(m, {-w, y0, -6.5f}, {w, seat + 5.5f, -3}, cloth, legs > 0 ? 0 : kNegY);
    for (float side : {-1.0f, 1.0f}) {
        const float x0 = side < 0 ? -w - 2.2f : w, x1 = side < 0 ? -w : w + 2.2f;
        tiledBox(m, {x0, y0, -6.5f}, {x1, seat + 1.5f, front}, cloth, legs > 0 ? 0 : kNegY);
        if (legs > 0)
            for (float z : {-6.0f, 0.25f, front - 0.5f}) {
                const float x = side < 0 ? x0 + 0.5f : x1 - 0.5f;
                stretchedBox(m, {x - 0.35f, 0, z - 0.35f}, {x + 0.35f, y0, z + 0.35f},
                             retroPatch(1), kNegY | kPosY);
            }
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

// A fixed rod from a truss's lower chord at height `chord` down to the ball a lamp swings on
// at `anchor`, stopping just above it.
void dropRod(Mesh& m, Vec3 anchor, float chord) {
    tiledBox(m, {anchor.x - 0.22f, anchor.y + 0.55f, anchor.z - 0.22f},
             {anchor.x + 0.22f, chord, anchor.z + 0.22f}, AtlasRect::whole(4, 4), kPosY);
}

// A hanging cable from the ceiling down to `to`.
void cable(Mesh& m, Vec3 to) {
    tiledBox(m, {to.x - 0.15f, to.y, to.z - 0.15f}, {to.x + 0.15f, kHallTop, to.z + 0.15f},
             AtlasRect::whole(4, 4), kPosY | kNegY);
}

// Windows open onto light wells: deep boxes behind the walls, so far from every camera that
// the fog paints them in its own colour. Lit surfaces far from the circling lights stay dim,
// but the fog is bright: the windows glow, and the DJ before one and the lounge's dancer
// before the others stand out against them. The lounge's windows are the close-up's
// brightest part, so they fill as much of its picture as the walls allow.
struct Opening {
    float a0, a1, y0, y1; // units along its wall from the wall's start, heights
    int panes;
};
// Behind the booth, in the back wall (the outline's last wall); behind the lounge's table, a
// glass wall in the west wall and a window across the pit's far wall, three panes each, so
// that no bar stands right behind the DJ or the table. Glass walls beside them, in the main
// room's stretch of the west wall and in the north wall over the lounge, open the rest of
// the close-up's picture onto the same night.
constexpr int kNorthWindowWall = 3, kLoungeWindowWall = 4, kMainWindowWall = 5,
              kBoothWindowWall = 6, kPitWindowWall = 2;
const Opening kNorthWindow{kNookX - kNorthWindowX1, kNookX - kNorthWindowX0, kLoungeWindowY0,
                           kLoungeWindowY1, 4};
const Opening kMainWindow{kWestSplitZ - kMainWindowZ1, kWestSplitZ - kMainWindowZ0, kLoungeWindowY0,
                          kLoungeWindowY1, 5};
const Opening kBoothWindow{kBoothX0 - kHallX0, kBoothX1 - kHallX0, kBoothWindowY0, kBoothWindowY1,
                           3};
const Opening kLoungeWindow{kHallZ1 - kLoungeWindowZ1, kHallZ1 - kLoungeWindowZ0, kLoungeWindowY0,
                            kLoungeWindowY1, 3};
const Opening kPitWindow{kLoungeZ1 - kPitWindowZ1, kLoungeZ1 - kPitWindowZ0, kPitWindowY0,
                         kPitWindowY1, 3};

constexpr int kOutlineCorners = static_cast<int>(sizeof kOutline / sizeof kOutline[0]);

// A point `s` units along the wall from `from` to `to`.
Vec2 pointAlong(Vec2 from, Vec2 to, float s) {
    const float dx = to.u - from.u, dz = to.v - from.v, len = std::hypot(dx, dz);
    return {from.u + dx / len * s, from.v + dz / len * s};
}

// Bricks of the wall from `from` to `to` between heights y0 and y1, round `hole` if any.
void wallAround(Mesh& m, Vec2 from, Vec2 to, float y0, float y1, const AtlasRect& rect,
                const Opening* hole) {
    const float len = std::hypot(to.u - from.u, to.v - from.v);
    auto piece = [&](float s0, float s1, float b0, float b1) {
        if (s1 > s0 && b1 > b0)
            wall(m, pointAlong(from, to, s0), pointAlong(from, to, s1), b0, b1, rect, {s0, 0});
    };
    if (!hole) {
        piece(0, len, y0, y1);
        return;
    }
    piece(0, hole->a0, y0, y1);
    piece(hole->a1, len, y0, y1);
    piece(hole->a0, hole->a1, y0, hole->y0);
    piece(hole->a0, hole->a1, hole->y1, y1);
}

// A tube along the wall that stops short of `hole` where it would cross it.
void tubeAround(Mesh& m, Vec2 from, Vec2 to, float y, NeonTube colour, const Opening* hole) {
    if (hole && y + kTube > hole->y0 - kTube && y < hole->y1 + kTube) {
        tubeAlong(m, from, pointAlong(from, to, hole->a0 - kTube), y, colour);
        tubeAlong(m, pointAlong(from, to, hole->a1 + kTube), to, y, colour);
    } else
        tubeAlong(m, from, to, y, colour);
}

// The opening's amber frame, and dark bars between its panes.
void windowFrame(Mesh& m, Vec2 from, Vec2 to, const Opening& w) {
    const float len = std::hypot(to.u - from.u, to.v - from.v);
    const Vec3 dir{(to.u - from.u) / len, 0, (to.v - from.v) / len};
    const Vec3 facing{-dir.z, 0, dir.x};
    const Vec3 origin{from.u, 0, from.v};
    for (float s : {w.a0 - kTube / 2, w.a1 + kTube / 2})
        tubeUp(m, origin + dir * s + Vec3{0, w.y0 - kTube, 0}, facing, w.y1 + kTube, kNeonAmber);
    const Vec2 left = pointAlong(from, to, w.a0 - kTube),
               right = pointAlong(from, to, w.a1 + kTube);
    tubeAlong(m, left, right, w.y1, kNeonAmber);
    tubeAlong(m, left, right, w.y0 - kTube, kNeonAmber);
    for (int k = 1; k < w.panes; ++k) {
        const Vec3 c = origin + dir * (w.a0 + (w.a1 - w.a0) * k / w.panes);
        const Vec3 p = c - dir * 0.4f - facing * 0.5f, q = c + dir * 0.4f + facing * 0.3f;
        stretchedBox(m, {std::min(p.x, q.x), w.y0, std::min(p.z, q.z)},
                     {std::max(p.x, q.x), w.y1, std::max(p.z, q.z)}, darkRect(), kPosY | kNegY);
    }
}

// A light well: a box with its faces turned inwards and the face `open` left out.
void lightWell(Mesh& m, const WellBox& box, int open) {
    Mesh well;
    stretchedBox(well, {box.x0, box.y0, box.z0}, {box.x1, box.y1, box.z1}, darkRect(), open);
    well.flip();
    m.append(well);
}

// The night city beyond the lounge's glass: rows of towers at growing distances in the west
// well, so that the fog pales each row more than the one before it and the skyline reads in
// depth. No light reaches them: each is a silhouette in the fog's colour at its distance.
// A valley stays open behind the table, so that the dancer stands against the glow. The
// rows are laid out from the farthest but written nearest first, so that the towers a nearer
// row hides fail the depth test. The farthest row would stand behind the west well's far
// side, its fronts in that side's plane, in the same colour at the same depth: it is laid
// out (the nearer rows' towers follow from the same random sequence) but left out.
void skyline(Mesh& m) {
    Rng rng(191);
    const AtlasRect dark = darkRect();
    const int rows = 4;
    Mesh rowMesh[rows];
    for (int row = rows - 1; row >= 0; --row) {
        const float x1 = kHallX0 - kSkylineNear - (kSkylineFar - kSkylineNear) * row / (rows - 1);
        const float reach = kHallX0 - x1 + 117; // distance from the close-up's eye
        const float valley = 0.16f * reach;
        for (float z = kTableZ - 1.1f * reach; z < kTableZ + 1.1f * reach;) {
            const float width = rng.range(12, 30), gap = rng.range(2, 9);
            const float mid = z + width / 2, off = std::fabs(mid - kTableZ);
            if (off - width / 2 > valley) {
                // Taller away from the valley and in the farther rows.
                const float top = -30 + 0.45f * (off - valley) + 25.0f * row +
                                  rng.range(0, 45) * (rng.uniform() < 0.25f ? 2.0f : 1.0f);
                const float depth = rng.range(12, 26);
                // Only the faces that can turn towards the lounge, and only down to a little
                // below the lowest look through the pit's window and the glass floor.
                const int away = mid > kTableZ ? kPosZ : kNegZ;
                stretchedBox(rowMesh[row], {x1 - depth, -25 - 0.2f * reach, z},
                             {x1, std::min(top, kHallTop + 250), z + width}, dark,
                             kNegY | kNegX | away);
            }
            z += width + gap;
        }
    }
    for (int row = 0; row + 1 < rows; ++row)
        m.append(rowMesh[row]);
}

// The lounge pit, its walls facing into it: a pink tube under the rim, the window in its far
// wall, and the long side walls lined with light panels below the tube.
Mesh loungePit() {
    Mesh m;
    const Vec2 pit[4] = {{kLoungeX1, kLoungeZ0},
                         {kLoungeX1, kLoungeZ1},
                         {kLoungeX0, kLoungeZ1},
                         {kLoungeX0, kLoungeZ0}};
    // The long side walls: light panels below the tube (the close-up looks along them, and
    // nothing else there could be as bright), over low glass onto the well under the lounge.
    // The panels take the place of the bricks behind them, which would only be drawn to be
    // hidden.
    const AtlasRect bricks = finer(brickRect(), 20);
    const float panel = (-4 - kPitPanelsY0) / 2; // two rows up to the tube
    for (int i = 0; i < 4; ++i) {
        const Vec2 from = pit[i], to = pit[(i + 1) % 4];
        const float len = std::hypot(to.u - from.u, to.v - from.v);
        if (i % 2 == 0) {
            const Opening* hole = i == kPitWindowWall ? &kPitWindow : nullptr;
            wallAround(m, from, to, kLoungeFloor, 0, bricks, hole);
            tubeAround(m, from, to, -3.4f, kNeonPink, hole);
            if (hole)
                windowFrame(m, from, to, *hole);
            continue;
        }
        const int cols = static_cast<int>(len / panel);
        const float margin = (len - cols * panel) / 2;
        const Opening panels{margin, len - margin, kPitPanelsY0, -4, 0};
        const Opening glass{margin, len - margin, kPitSideWindowY0, kPitSideWindowY1, cols / 2};
        wallAround(m, from, to, kLoungeFloor, kPitPanelsY0, bricks, &glass);
        wallAround(m, from, to, kPitPanelsY0, 0, bricks, &panels);
        tubeAlong(m, from, to, -3.4f, kNeonPink);
        windowFrame(m, from, to, glass);
        const Vec3 along{(to.u - from.u) / len, 0, (to.v - from.v) / len};
        const Vec3 start = Vec3{from.u, kPitPanelsY0, from.v} + along * margin;
        panelWall(m, start, along, cols, 2, panel, i, 0);
    }
    leanNormals(m, 0, kLightsCentre, 1.0f);
    return m;
}

// The openings through which the hall looks out: the windows behind the booth, in the west
// wall (both stretches as one), over the lounge in the north wall, in the pit's far wall and
// low in its long side walls, and the lounge's glass floor. From above the hall's floor the
// pit's openings are seen only through its mouth.
const Portal kPitMouth{1, 0, -1, {kLoungeX0, kLoungeZ0}, {kLoungeX1, kLoungeZ1}};
std::vector<Portal> hallOpenings() {
    return {
        {2, kHallZ0, -1, {kBoothX0, kBoothWindowY0}, {kBoothX1, kBoothWindowY1}},
        {0, kHallX0, -1, {kLoungeWindowY0, kMainWindowZ0}, {kLoungeWindowY1, kLoungeWindowZ1}},
        {2, kHallZ1, 1, {kNorthWindowX0, kLoungeWindowY0}, {kNorthWindowX1, kLoungeWindowY1}},
        {0, kLoungeX0, -1, {kPitWindowY0, kPitWindowZ0}, {kPitWindowY1, kPitWindowZ1}, &kPitMouth},
        {2, kLoungeZ1, 1, {kLoungeX0, kPitSideWindowY0}, {kLoungeX1, kPitSideWindowY1}, &kPitMouth},
        {2,
         kLoungeZ0,
         -1,
         {kLoungeX0, kPitSideWindowY0},
         {kLoungeX1, kPitSideWindowY1},
         &kPitMouth},
        {1, kLoungeFloor, -1, {kGlassX0, kGlassZ0}, {kGlassX1, kGlassZ1}, &kPitMouth},
    };
}

// Everywhere the disco's eye goes and where it looks: the tour path, finely sampled, with
// the point three seconds ahead, and the close-up.
std::vector<View> discoViews() {
    const std::vector<Vec3> knots = discoPathKnots();
    std::vector<View> views;
    const int samples = 4000;
    for (int k = 0; k <= samples; ++k) {
        const float f = static_cast<float>(k) / samples;
        views.push_back({samplePath(knots, f, true), samplePath(knots, f + 3.0f / 60, true)});
    }
    views.push_back({{-91, -15, 109}, {-124, -16, 109}});
    return views;
}

} // namespace

Mesh discoRoomMesh() {
    // The close-up's own walls first, so that the hall's surfaces behind them fail the depth
    // test there; then the wall across the hall, which hides from either room the other's
    // walls and ceiling, cheaper to reject than to paint.
    Mesh m = loungePit();
    partition(m);
    // The shell faces inwards: walls ringed by the tubes, a coffered ceiling with downlights.
    const AtlasRect bricks = finer(brickRect(), 40);
    for (int i = 0; i < kOutlineCorners; ++i) {
        const Vec2 from = kOutline[i], to = kOutline[(i + 1) % kOutlineCorners];
        const Opening* hole = i == kBoothWindowWall    ? &kBoothWindow
                              : i == kLoungeWindowWall ? &kLoungeWindow
                              : i == kMainWindowWall   ? &kMainWindow
                              : i == kNorthWindowWall  ? &kNorthWindow
                                                       : nullptr;
        wallAround(m, from, to, 0, kHallTop, bricks, hole);
        tubeAround(m, from, to, kTubeLow, kNeonPink, hole);
        tubeAround(m, from, to, kTubeHigh, kNeonCyan, hole);
        if (hole)
            windowFrame(m, from, to, *hole);
    }
    const AtlasRect coffers = finer(coffersRect(12), 40);
    // In three pieces that meet edge to edge with the same cuts, so no corner of one lies
    // inside an edge of another (such T-junctions leave unpainted pixels along the seam).
    floorRect(m, kHallX0, kHallZ0, kNookX, kNookZ, kHallTop, coffers, false);
    floorRect(m, kNookX, kHallZ0, kHallX1, kNookZ, kHallTop, coffers, false);
    floorRect(m, kHallX0, kNookZ, kNookX, kHallZ1, kHallTop, coffers, false);
    pillar(m, -198, 15, 4);
    // Walls of light panels where the coloured lights pass close and the camera looks: the
    // east wall by the round floor, the back room's west wall by the second floor, beside
    // the window behind the booth, the nook's wall under the house name.
    panelWall(m, {kHallX1, 8, -42}, {0, 0, 1}, 12, 4, 7, 0);
    panelWall(m, {kHallX0, 8, -146}, {0, 0, -1}, 10, 6, 7, 2);
    for (float x : {kBoothX0 - 16.0f, kBoothX1 + 4.0f})
        panelWall(m, {x, kBoothTop + 5, kHallZ0}, {1, 0, 0}, 2, 5, 6, 4);
    panelWall(m, {44, 16, kNookZ}, {-1, 0, 0}, 12, 3, 7, 6);
    signBand(m, {kHallX1, 46, kNookZ}, {-1, 0, 0}, kHallX1 - kNookX, 8);
    // Last the skyline and the wells behind the glass, which the nearer surfaces hide in
    // most of every picture: drawn after them, their hidden parts fail the depth test. Of
    // them only what the tour can see through the openings is kept.
    const size_t outside = m.triangles.size();
    skyline(m);
    // The wells reach far to the sides and up and down, so that no look through a window
    // meets their sides before their far end.
    lightWell(m, kBoothWell, kPosZ);
    lightWell(m, kWestWell, kPosX);
    // North of the lounge the well is open towards the west one, which its rays reach.
    lightWell(m, kNorthWell, kNegZ | kNegX);
    // Below the lounge's glass floor a well reaches far down and out under the hall, so that
    // the panes glow like the windows above them; westwards it opens into the west well.
    lightWell(m, kFloorWell, kPosY | kNegX);
    // The view is 60 degrees tall; the margins take in the close-up's nod and pictures up to
    // 2.4 times as wide as tall.
    keepSeenThrough(m, outside, hallOpenings(), discoViews(), 1.0f, 40, 62);
    return m;
}

// A hidden rectangle of floor, x0, z0, x1, z1.
struct Covered {
    float x0, z0, x1, z1;
};

// The floor from (ax, az) to (bx, bz) round the rectangles `covered` from `k` on: each one
// that overlaps it leaves up to four strips round the overlap, which the rest then cut.
void floorAround(Mesh& m, float ax, float az, float bx, float bz,
                 const std::vector<Covered>& covered, size_t k, const AtlasRect& rect) {
    if (bx <= ax || bz <= az)
        return;
    if (k == covered.size()) {
        floorRect(m, ax, az, bx, bz, 0, rect);
        return;
    }
    const float x0 = std::max(ax, covered[k].x0), x1 = std::min(bx, covered[k].x1);
    const float z0 = std::max(az, covered[k].z0), z1 = std::min(bz, covered[k].z1);
    if (x1 <= x0 || z1 <= z0) {
        floorAround(m, ax, az, bx, bz, covered, k + 1, rect);
        return;
    }
    floorAround(m, ax, az, x0, bz, covered, k + 1, rect);
    floorAround(m, x1, az, bx, bz, covered, k + 1, rect);
    floorAround(m, x0, az, x1, z0, covered, k + 1, rect);
    floorAround(m, x0, z1, x1, bz, covered, k + 1, rect);
}

Mesh floorMesh() {
    Mesh m;
    // The hall's floor at 0 round the second floor and the lounge pit, not under the nook,
    // nor where the stage, the booth and the dais stand on it or inside the round floor's
    // step (the largest square its 32-sided ring encloses, less a unit).
    const std::vector<Covered> covered{{kStageX0, kStageZ0, kStageX1, kStageZ1},
                                       {kBoothX0, kBoothZ0, kBoothX1, kBoothZ1},
                                       {kDaisX0, kDaisZ0, kDaisX1, kDaisZ1},
                                       {-23, -23, 23, 23}};
    const AtlasRect stone = finer(stoneTilesRect(64, 32), 24);
    const float xs[] = {kHallX0, kLoungeX0, kSecondX0, kSecondX1, kLoungeX1, kNookX, kHallX1};
    const float zs[] = {kHallZ0, kSecondZ0, kSecondZ1, kLoungeZ0, kNookZ, kLoungeZ1, kHallZ1};
    const int nx = static_cast<int>(sizeof xs / sizeof xs[0]);
    const int nz = static_cast<int>(sizeof zs / sizeof zs[0]);
    for (int i = 0; i + 1 < nx; ++i)
        for (int j = 0; j + 1 < nz; ++j) {
            const float ax = xs[i], bx = xs[i + 1], az = zs[j], bz = zs[j + 1];
            const float cx = 0.5f * (ax + bx), cz = 0.5f * (az + bz);
            const bool second =
                cx > kSecondX0 && cx < kSecondX1 && cz > kSecondZ0 && cz < kSecondZ1;
            const bool pit = cx > kLoungeX0 && cx < kLoungeX1 && cz > kLoungeZ0 && cz < kLoungeZ1;
            const bool nook = cx > kNookX && cz > kNookZ;
            if (!second && !pit && !nook)
                floorAround(m, ax, az, bx, bz, covered, 0, stone);
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
    // The lounge: a glass floor lit from the well below, in panes between bars that rest on
    // the border of light tiles round it; the tiles stay under the steps at the near end.
    const size_t lounge = m.triangles.size();
    const AtlasRect tiles = finer(lightTilesRect(40), 14);
    floorRect(m, kLoungeX0, kLoungeZ0, kLoungeX1, kGlassZ0, kLoungeFloor, tiles);
    floorRect(m, kLoungeX0, kGlassZ1, kLoungeX1, kLoungeZ1, kLoungeFloor, tiles);
    floorRect(m, kLoungeX0, kGlassZ0, kGlassX0, kGlassZ1, kLoungeFloor, tiles);
    floorRect(m, kGlassX1, kGlassZ0, kLoungeX1, kGlassStepsZ, kLoungeFloor, tiles);
    floorRect(m, kGlassStepsX, kGlassStepsZ, kLoungeX1, kGlassZ1, kLoungeFloor, tiles);
    // Chrome bars: one flat colour, so they are cut only where the fog needs more corners.
    AtlasRect bar = retroPatch(1);
    bar.unitsU = bar.unitsV = 1000;
    bar.maxCell = 26;
    const float paneX = (kGlassX1 - kGlassX0) / kGlassPanesX;
    for (int i = 0; i <= kGlassPanesX; ++i) {
        const float x = kGlassX0 + paneX * i;
        const float z1 = x > kGlassStepsX + 0.5f ? kGlassStepsZ : kGlassZ1;
        floorRect(m, x - 0.6f, kGlassZ0 - 0.5f, x + 0.6f, z1 + 0.5f, kLoungeFloor + 0.03f, bar);
    }
    floorRect(m, kGlassStepsX - 0.6f, kGlassStepsZ, kGlassStepsX + 0.6f, kGlassZ1 + 0.5f,
              kLoungeFloor + 0.03f, bar);
    for (float z : kGlassRowsZ) {
        const float x1 = z > kGlassStepsZ + 0.5f ? kGlassStepsX : kGlassX1;
        floorRect(m, kGlassX0 - 0.5f, z - 0.6f, x1 + 0.5f, z + 0.6f, kLoungeFloor + 0.045f, bar);
    }
    leanNormals(m, lounge, kLightsCentre, 1.0f);
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
    // The lounge: steps down at the near end.
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
    // The bar's lights: a white glass wall behind the bottles, a light strip along the
    // counter's front, and a chrome gantry over the counter with five lamps hanging from it.
    Mesh lights;
    stretchedBox(lights, {-24, 12, -11.95f}, {24, 40, -11.9f}, retroPatch(8), kNegZ);
    stretchedBox(lights, {-24, 16.5f, 10}, {24, 18, 10.2f}, retroPatch(15), kNegZ);
    for (float x : {-25.0f, 24.4f})
        stretchedBox(lights, {x, 21.5f, 7.2f}, {x + 0.6f, 36, 7.8f}, retroPatch(1), kNegY);
    stretchedBox(lights, {-26, 36, 7}, {26, 37, 8}, retroPatch(1));
    for (int k = 0; k < 5; ++k) {
        const float x = -20 + 10.0f * k;
        stretchedBox(lights, {x - 0.15f, 34, 7.35f}, {x + 0.15f, 36, 7.65f}, retroPatch(1),
                     kNegY | kPosY);
        stretchedBox(lights, {x - 1.8f, 31.5f, 5.7f}, {x + 1.8f, 34, 9.3f}, retroPatch(15));
    }
    m.append(lights, bar);
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
    const size_t lounge = m.triangles.size();
    m.append(pedestalTable(8.5f, kLoungeFloor, kTableTop, 16),
             Transform::translate({kTableX, 0, kTableZ}));
    for (Vec2 p : {Vec2{-150, 100}, Vec2{-100, 140}})
        m.append(pedestalTable(4, kLoungeFloor, kLoungeFloor + 9, 10),
                 Transform::translate({p.u, 0, p.v}));
    leanNormals(m, lounge, kLightsCentre, 1.0f);
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
    // They stand on legs over the glass floor, which glows under them.
    const float legs = 3;
    m.append(sofa(30, legs), facing({-132, kLoungeFloor, 124}, 180));
    m.append(sofa(22, legs), facing({-121, kLoungeFloor, 95}, 0));
    m.append(sofa(36, legs), facing({-156, kLoungeFloor, 143}, 180));
    m.append(sofa(24, legs), facing({-95, kLoungeFloor, 73}, 0));
    leanNormals(m, 0, kLightsCentre, 1.0f);
    // The seat on the dais, and sofas along the walls of the main room.
    m.append(sofa(24), facing({-110, kDaisTop, -56}, -90));
    m.append(sofa(40), facing({kHallX1 - 8, 0, -40}, -90));
    m.append(sofa(40), facing({kHallX1 - 8, 0, 60}, -90));
    m.append(sofa(40), facing({2, 0, kNookZ - 8}, 180));
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
    // Tall stacks either side of the booth, facing the back room.
    for (float x : {kBoothX0 - 7, kBoothX1 + 7})
        m.append(tall, Transform::translate({x, 0, kBoothZ1 - 14}));
    // In the lounge's near corner, facing in, out of the way of its windows.
    m.append(small, facing({kLoungeX1 - 8, kLoungeFloor, kLoungeZ0 + 8}, -45));
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
    for (float x : {-s, s})
        for (float z : {-s, s})
            dropRod(m, {x, kLampHighA, z}, ya);
    // Over the second floor: two long trusses carrying four lamps each (anchors at 60).
    const float yb = kLampHighB + 4;
    for (float z : {-216.0f, -162.0f}) {
        truss(m, {-172, yb, z}, {-78, yb, z}, 3);
        for (float x : {-168.0f, -82.0f})
            cable(m, {x, yb + 3, z});
        for (float x : {-163.0f, -138.0f, -113.0f, -87.7f})
            dropRod(m, {x, kLampHighB, z}, yb);
    }
    return m;
}

Mesh discoLampMesh() {
    Mesh m;
    const AtlasRect metal = AtlasRect::whole(6, 6);
    // A ball at the anchor, the pivot the lamp swings on under the truss's fixed drop rod
    // (so nothing of the lamp reaches up to slide along the truss), a short stem down to a
    // yoke round the can.
    m.append(sphere(0.7f, 4, 6));
    tiledBox(m, {-0.25f, -1.0f, -0.25f}, {0.25f, 0.3f, 0.25f}, metal, kNegY | kPosY);
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
    // Twelve sides: the soft edge shows no corners, and fewer, wider slivers cost less fill.
    AtlasRect down;
    down.v0 = 1;
    down.v1 = 0;
    AtlasRect up;
    lathe(m, {{2.3f, 0}, {14, -34}}, 12, down);
    lathe(m, {{14, -34}, {2.3f, 0}}, 12, up);
    return m;
}

Mesh jointMesh() {
    return sphere(1.5f, 6, 8);
}

} // namespace world
} // namespace gen
