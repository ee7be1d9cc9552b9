// --stats: numbers per frame for judging the picture. Brightness of the whole frame, and the
// figures as an id mask: each figure drawn a second time with its own id, depth-tested
// against the scene, so that only the parts the audience sees count. Whether a figure holds
// together is judged on its silhouette alone, so that what stands in front of it does not
// count as the figure breaking apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_files.h"
#include "playback.h"

namespace capture {

// Luma thresholds on the 0..255 scale: at or above kBrightLuma a pixel counts as bright,
// below kNearBlackLuma as near-black.
constexpr double kBrightLuma = 200.0;
constexpr double kNearBlackLuma = 12.0;

// One figure as the audience sees it in a frame.
struct FigureStats {
    int index = 0;               // position in the scene's figure list (its draw order), 0-based
    long long pixels = 0;        // pixels it covers
    int height = 0;              // rows from its topmost to its bottommost pixel, inclusive
    double luma = 0.0;           // mean luma of those pixels in the picture, 0..255
    int regions = 0;             // separate 8-connected regions of its own silhouette on screen
    bool cutByEdge = false;      // its silhouette runs off the picture's border
    bool cutByNearPlane = false; // the near plane cuts it
};

struct FrameStats {
    double seconds = 0.0;             // timeline second of the frame
    double meanLuma = 0.0;            // 0..255
    double brightShare = 0.0;         // share of pixels with luma >= kBrightLuma, 0..1
    double nearBlackShare = 0.0;      // share of pixels with luma < kNearBlackLuma, 0..1
    std::vector<FigureStats> figures; // the figures with at least one pixel, by index
};

// Rec. 601 luma of an 8-bit RGB pixel, 0..255.
inline double luma(const std::uint8_t* rgb) {
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
}

// Measures `picture` (RGB, top row first) with its id mask (one byte per pixel in the same
// order: 0 where no figure shows, k where figure k - 1 does). The figures' regions stay 0:
// they come from the silhouettes, which FrameMeter draws.
FrameStats measureFrame(double seconds, const RgbImage& picture,
                        const std::vector<std::uint8_t>& ids);

// One frame as one line of JSON (no line break).
std::string frameJson(const FrameStats& stats);

// Draws frames through a Playback and measures them. The id pass replays the frame that was
// just drawn with every figure in the pose it showed, writing ids into the stencil buffer with
// colour writes off and the light beams left out (they are translucent: a figure behind a beam
// is still seen). Then each figure that shows is drawn once more on its own, in the pose and
// transform it had, without the depth test, into the stencil buffer within its rectangle on
// screen: its regions are counted on that silhouette. Afterwards every motion's pose, every
// clock and the camera are as the frame left them, so the picture and every later frame are
// those of a run without --stats.
class FrameMeter {
  public:
    // Playback::draw(seconds) (after Playback::prepare), then the id pass. `picture` gets the
    // frame as drawn.
    FrameStats drawAndMeasure(Playback* playback, double seconds, RgbImage* picture);
};

} // namespace capture
