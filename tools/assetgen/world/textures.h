// The world's texture generators and the layout of the atlases the meshes map into.
// Every image is square with a power-of-two side; atlas regions are given in pixels, rows
// counted from the image's top.
#pragma once

#include "common/image.h"
#include "world/builders.h"

namespace gen {
namespace world {

// ground2.png, 512 x 512: four strips of 128 rows, each repeating along u.
//   strip 0 road across its width (edge lines, dashed centre line), 36 units per copy along
//   strip 1 pavement slabs, strip 2 cobbles, strip 3 plain tarmac.
constexpr int kGroundSize = 512;
enum GroundStrip { kRoad = 0, kPavement = 1, kCobbles = 2, kTarmac = 3 };
AtlasRect groundRect(GroundStrip strip, float unitsU, float unitsV);
Image groundTexture();

// windows.png, 512 x 512: four facade styles in columns of 128 pixels (four windows
// across), each repeating upwards every 512 rows (eight storeys of 64 rows).
constexpr int kWindowsSize = 512;
constexpr float kStorey = 8.0f;     // world units per storey
constexpr float kFacadeBay = 24.0f; // world units per column copy (four windows)
AtlasRect facadeRect(int style);    // style 0..3
Image windowsTexture();

// roof.png, 512 x 512: gravel roof top (rows 0-255), concrete parapet (256-383),
// ribbed metal sheet (384-511); all repeat along u.
enum RoofPart { kGravel, kParapet, kSheet };
AtlasRect roofRect(RoofPart part, float unitsU, float unitsV);
Image roofTexture();

// retro.png, 512 x 512 quadrants: upholstery (top left), gold curtain (top right), sunburst
// backdrop (bottom left), a 4 x 4 grid of flat colour patches (bottom right).
enum RetroPart { kUpholstery, kCurtain, kSunburst };
AtlasRect retroRect(RetroPart part, float unitsU, float unitsV);
// Patch (column, row) of the colour grid: 0 black, 1 chrome, 2 cream, 3 red, 4 orange,
// 5 teal, 6 brown, 7 glass, 8 white, 9 bottle green, 10 amber, 11 purple, 12 grey, 13 wall,
// 14 tyre, 15 headlight.
AtlasRect retroPatch(int index);
Image retroTexture();

// cloud.png, 512 x 512, repeating both ways: a cloudy night sky.
Image cloudTexture();

// loudspeeker.png, 512 x 512: cabinet front (left half, two woofers under a horn) and side
// covering (right half).
AtlasRect speakerFrontRect();
AtlasRect speakerSideRect(float unitsU, float unitsV);
Image loudspeakerTexture();

// wood.png, 512 x 512, repeating both ways: planks along u.
Image woodTexture();
// metal.png, 256 x 256, repeating both ways: brushed steel.
Image metalTexture();
// bricks.png, 1024 x 1024: the hall's atlas, every region repeating along u.
//   rows    0-511   bricks, 48 x 24 units per copy
//   rows  512-575   four neon tubes of 16 rows (pink, cyan, amber, white)
//   rows  576-639   the house name in neon letters, twice across
//   rows  640-767   eight light panels of 128 x 128 in a row (pink, orange, yellow, white,
//                   cyan, lime, violet, red)
//   rows  768-1023  ceiling coffers, 8 x 2 of 128 x 128, each with a downlight
constexpr int kRoomSize = 1024;
constexpr int kLightPanels = 8;
enum NeonTube { kNeonPink, kNeonCyan, kNeonAmber, kNeonWhite };
AtlasRect brickRect();
// A tube `height` units tall, one copy every `unitsU` along it.
AtlasRect neonRect(NeonTube tube, float unitsU, float height);
// The name band: one name every unitsU / 2 units.
AtlasRect neonSignRect(float unitsU, float height);
// The row of panels, each `panel` units square, repeating every kLightPanels panels.
AtlasRect lightPanelsRect(float panel);
// Ceiling coffers, `tile` units each.
AtlasRect coffersRect(float tile);
// A dark patch (the name band's background), for window bars.
AtlasRect darkRect();
Image bricksTexture();

// floor1.png, 1024 x 1024: round dance floor (top left 512), square light tiles (top right
// 512, 8 x 8 tiles), pale and dark stone in a checker (bottom half, repeating along u).
constexpr int kFloorSize = 1024;
AtlasRect roundFloorRect(float diameter);
AtlasRect lightTilesRect(float units);
AtlasRect stoneTilesRect(float unitsU, float unitsV);
Image floorTexture();

// blend.png, 256 x 256: the beam, bright at the top (the lamp), black at the bottom rim
// and at the very top edge.
Image beamTexture();

// disco_front2.png, 1024 x 1024: the facade with sign and door (rows 0-511, mapped once onto
// a 64 x 32 unit front), painted brick (512-767), a marquee strip of bulbs (768-895) and
// tar (896-1023), the last three repeating along u.
constexpr float kFacadeWidth = 64.0f, kFacadeHeight = 32.0f;
enum FrontPart { kFacade, kSideBrick, kMarquee, kTar };
AtlasRect frontRect(FrontPart part, float unitsU, float unitsV);
Image discoFrontTexture();

} // namespace world
} // namespace gen
