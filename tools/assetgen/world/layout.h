// Where the world's fixed things are: the places the sequences put figures, lights and the
// camera, and the heights the content must give them. Renderer frame, y up, world units.
#pragma once

namespace gen {
namespace world {
namespace layout {

// ---- City -----------------------------------------------------------------------------
// The main street runs along x; the walkers cross it on z = -61 and z = -69 at height 0.
constexpr float kStreetNorth = -58.0f, kStreetSouth = -76.0f;
// A crossing island at height 1 holds the lone hopper at (-2, 1, -64).
constexpr float kIslandX0 = -9.0f, kIslandX1 = 5.0f, kIslandZ0 = -66.6f, kIslandZ1 = -62.3f;
// The square north of the street is a pavement at height 1 (the hopping queue stands on it,
// x -6..2, z -56..-29) up to the disco's front at z = 35.
constexpr float kPavementTop = 1.0f;
constexpr float kSquareX0 = -40.0f, kSquareX1 = 70.0f;
constexpr float kDiscoFrontZ = 35.0f;
// The disco's entrance: a recess at height 0 where the guards stand (28.4 and 33, z 26.4),
// under a canopy whose top at height 5 carries a dancer at (30.9, 5, 31.7).
constexpr float kDoorX = 30.7f;
constexpr float kRecessX0 = 23.0f, kRecessX1 = 38.5f, kRecessZ0 = 19.0f;
constexpr float kCanopyX0 = 25.5f, kCanopyX1 = 36.0f, kCanopyZ0 = 28.5f, kCanopyTop = 5.0f;
constexpr float kDiscoX0 = kDoorX - 32.0f, kDiscoX1 = kDoorX + 32.0f, kDiscoZ1 = 100.0f;
// The tower whose roof at 85 carries the rooftop dancer at (104, 85, -51).
constexpr float kTowerX0 = 88.0f, kTowerX1 = 120.0f, kTowerZ0 = -56.0f, kTowerZ1 = -24.0f;
constexpr float kTowerTop = 85.0f;
// The glowing sky dome, before the sequence scales it by 1.4.
constexpr float kSkyRadius = 320.0f, kSkyHeight = 200.0f, kSkyScale = 1.4f;

// ---- Disco ----------------------------------------------------------------------------
// The hall: brick shell around everything.
constexpr float kHallX0 = -208.0f, kHallX1 = 66.0f, kHallZ0 = -282.0f, kHallZ1 = 162.0f;
constexpr float kHallTop = 80.0f;
// A brick wall across the hall parts the main room from the back room (second floor, stage,
// booth), so that neither room looks down the whole length of the hall into the fog. The
// tour passes through a wide arch on the way to the booth and through a door on the west.
constexpr float kPartitionZ = -100.0f, kPartitionHalf = 2.0f;
constexpr float kArchX0 = -40.0f, kArchX1 = 50.0f, kArchTop = 72.0f;
constexpr float kWestDoorX1 = -100.0f, kWestDoorTop = 52.0f;
// The main room's north-east corner is walled off east of the lounge: there the north wall
// stands at z = kNookZ, east of x = kNookX.
constexpr float kNookX = -62.0f, kNookZ = 100.0f;
// The raised round dance floor at the origin (ring dancers at radius 20, height 8).
constexpr float kRoundFloorRadius = 30.0f, kRoundFloorTop = 8.0f;
// The second dance floor at height 0 (dancers at (-139,0,-182), (-109,0,-162), (-169,0,-162)).
constexpr float kSecondX0 = -185.0f, kSecondX1 = -92.0f, kSecondZ0 = -212.0f, kSecondZ1 = -138.0f;
// The stage at height 10 (performers at (-145,10,-230) and (-125,10,-230), facing +z).
constexpr float kStageX0 = -182.0f, kStageX1 = -88.0f, kStageZ0 = -272.0f, kStageZ1 = -219.0f,
                kStageTop = 10.0f;
// The booth high on the back wall: its floor at 41 holds a dancer at (-2, 41, -257).
constexpr float kBoothX0 = -30.0f, kBoothX1 = 26.0f, kBoothZ0 = -282.0f, kBoothZ1 = -236.0f,
                kBoothTop = 41.0f;
// The seated figure at (-110, 3, -56) facing -x sits on a dais at height 3.
constexpr float kDaisX0 = -128.0f, kDaisX1 = -92.0f, kDaisZ0 = -78.0f, kDaisZ1 = -36.0f,
                kDaisTop = 3.0f;
// The sunken lounge: floor at -36, table top at -21 under the spinning dancer at
// (-124, -21, 109); the close-up camera stands at (-91, -15, 109).
constexpr float kLoungeX0 = -190.0f, kLoungeX1 = -74.0f, kLoungeZ0 = 66.0f, kLoungeZ1 = 152.0f,
                kLoungeFloor = -36.0f, kTableTop = -21.0f;
constexpr float kTableX = -124.0f, kTableZ = 109.0f;
// The lounge's floor is glass inside a border of tiles, in panes between bars: columns along
// x, rows at kGlassRowsZ (symmetric about the table), so that a bar runs under each sitter
// (the rows at z 95 and 124, the column at x -121). The tiles stay under the steps down at
// its near end (x beyond kGlassStepsX, z beyond kGlassStepsZ).
constexpr float kGlassX0 = -184.0f, kGlassX1 = -79.0f;
constexpr int kGlassPanesX = 5;
constexpr float kGlassRowsZ[] = {72.0f, 83.5f, 95.0f, 109.5f, 124.0f, 135.5f, 147.0f};
constexpr float kGlassZ0 = kGlassRowsZ[0], kGlassZ1 = kGlassRowsZ[6];
constexpr float kGlassStepsX = -100.0f, kGlassStepsZ = 124.0f;
// The barman at (-134, 0, 39) facing 135 degrees (towards the main floor).
constexpr float kBarX = -134.0f, kBarZ = 39.0f, kBarAngle = 135.0f;
// Windows onto light wells, deep boxes behind the walls: behind the booth a window in the back
// wall that glows in the fog's colour, its well beyond the fog's end (400) from every camera
// that looks through it; behind the lounge's table a glass wall in the west wall and a
// window in the pit's far wall below it, onto a night skyline that stands in the fog between
// them and the glow.
constexpr float kBoothWindowY0 = kBoothTop + 1.3f, kBoothWindowY1 = kHallTop - 3;
constexpr float kLoungeWindowZ0 = kLoungeZ0 - 4, kLoungeWindowZ1 = kHallZ1 - 2;
constexpr float kLoungeWindowY0 = 1.5f, kLoungeWindowY1 = kHallTop - 3;
constexpr float kPitWindowZ0 = kLoungeZ0 + 3, kPitWindowZ1 = kLoungeZ1 - 3;
// Beside it, glass in the main room's stretch of the west wall (which is walked in two from
// kWestSplitZ) and in the north wall over the lounge, as high as the lounge's.
constexpr float kWestSplitZ = kLoungeWindowZ0 - 1.5f;
constexpr float kMainWindowZ0 = kPartitionZ + kPartitionHalf + 4,
                kMainWindowZ1 = kWestSplitZ - 1.5f;
constexpr float kNorthWindowX0 = kHallX0 + 2, kNorthWindowX1 = kLoungeX1 + 4;
constexpr float kPitWindowY0 = kLoungeFloor + 3, kPitWindowY1 = -1.4f;
// Low glass along the pit's long side walls, under the panels: below the close-up's eye
// (-15), so every look through it heads down into the well under the lounge.
constexpr float kPitSideWindowY0 = kLoungeFloor + 1.5f, kPitSideWindowY1 = -21.2f;
constexpr float kPitPanelsY0 = -20.0f;
// The skyline's towers stand this far beyond the west wall, so that the nearest still sinks
// well into the fog and the farthest nearly vanishes in it.
constexpr float kSkylineNear = 140.0f, kSkylineFar = 300.0f;
constexpr float kWellDepth = 520.0f;
// The wells beside the hall are shallower: the main room sees into them from across its
// whole width, and their far sides must stay inside the far plane (1000).
constexpr float kSideWellDepth = 300.0f;
// The wells as boxes (low and high corners), each with its faces turned inwards and the face
// towards its windows left open: behind the booth, west of the hall, north of the lounge
// (open towards the west one too) and under the lounge's glass floor (open towards the west
// one, whose far side ends every look through the glass that heads west).
struct WellBox {
    float x0, y0, z0, x1, y1, z1;
};
constexpr WellBox kBoothWell{kHallX0 - 200, -300,           kHallZ0 - kWellDepth,
                             kHallX1 + 300, kHallTop + 300, kHallZ0};
constexpr WellBox kWestWell{kHallX0 - kSideWellDepth, -560, kTableZ - 300, kHallX0, kHallTop + 300,
                            kTableZ + kWellDepth};
// North of the lounge the wells reach as far as the west one, so that the steep looks out
// through the lounge's low north glass stay beyond the fog's end.
constexpr float kLoungeWellsZ1 = kTableZ + kWellDepth - 30;
constexpr WellBox kNorthWell{kHallX0, -560, kHallZ1, kHallX1 + 240, kHallTop + 300, kLoungeWellsZ1};
constexpr WellBox kFloorWell{kHallX0, -560, -250, 260, kPitPanelsY0, kLoungeWellsZ1};

// Lamp anchors (the lamps swing about them): four at 66 over the round floor, eight at 60
// over the second floor.
constexpr float kLampHighA = 66.0f, kLampHighB = 60.0f;

// A sitting figure drawn at scale 0.2 has its hips 8 above its feet and 1 forward, its knees
// 9 forward at 9.7 and its feet 8.4 forward: it rests on a seat this high whose front stays
// behind its calves.
constexpr float kSeatHeight = 7.0f, kSeatFront = 7.0f;

} // namespace layout
} // namespace world
} // namespace gen
