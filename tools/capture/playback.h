// The demo's own start-up and frame loop, offscreen and on virtual time, replayed as a live
// run at a fixed frame rate would have drawn it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "camera/camera.h"
#include "platform/offscreen_gl.h"

namespace capture {

// Main-clock seconds at which the city's closing drift and the disco begin.
constexpr double kCityCloseStart = 36.6;
constexpr double kDiscoStart = 38.6;

// The virtual millisecond tick that shows `seconds` (rounded to the nearest millisecond).
std::uint32_t tickOf(double seconds);

// Why a live run cannot simply be sampled at any instant: the picture carries state from
// earlier frames. Every figure shows the pose its Motion evaluated during the previous frame;
// a Motion's clock starts at its first draw (the city's at the first frame, the disco's at
// the first disco frame); and the city's closing drift moves the eye by a fixed amount per
// frame from where the last flight frame left it. So before a moment is drawn, Playback draws
// (without showing them) the frames of a live run at the same frame rate that still matter:
// the first frame at 0 s, the first disco frame, every frame since the last flight frame when
// the moment is in the closing drift, and the frame just before the moment.
//
// Live frames lie on a grid phase + k / fps (k = 0, 1, ...), phase in [0, 1/fps).
class Playback {
  public:
    // Creates the offscreen context, then runs the demo's start-up as the demo does: fixed GL
    // state, the loaders one by one (the music on SDL's dummy audio driver), the clocks at tick 0
    // and the projection for width x height. Returns false with `error` when there is no context.
    bool start(int width, int height, std::string* error);

    // Frames of the live run lie at phase + k / fps. The phase is chosen so that `anchor`
    // (the first moment of a range) is on the grid; an anchor of 0 gives the grid k / fps.
    void setGrid(int fps, double anchor);

    // Draws whatever a live run would have drawn before `seconds` that still shows in it.
    // Moments must come in increasing order.
    void prepare(double seconds);
    // Draws the frame of main-clock time `seconds` (call prepare first).
    void draw(double seconds);

    // Grid time of frame k, seconds.
    double gridTime(long long k) const;
    // The grid frame at or nearest to `seconds`.
    long long gridIndex(double seconds) const;

    const platform::OffscreenGl& gl() const { return gl_; }
    // Wall-clock seconds start-up took: the context, and all of the loaders together.
    double contextSeconds() const { return contextSeconds_; }
    double loadSeconds() const { return loadSeconds_; }
    // Each loader's name and wall-clock seconds, in start-up order.
    const std::vector<std::pair<std::string, double>>& loaderSeconds() const {
        return loaderSeconds_;
    }

  private:
    std::uint32_t gridTick(long long k) const { return tickOf(gridTime(k)); }
    // First grid frame whose tick is at or after `tick`.
    long long firstGridFrameFrom(std::uint32_t tick) const;
    void drawTick(std::uint32_t tick);
    void drawLive(std::uint32_t tick);

    platform::OffscreenGl gl_;
    int fps_ = 30;
    double phase_ = 0.0;
    bool anyLive_ = false;          // the first frame has been drawn
    std::uint32_t lastLive_ = 0;    // tick of the last live frame drawn
    Camera cameraBeforeLive_{};     // the camera as it was before that frame
    bool offGridSinceLive_ = false; // a moment off the grid was drawn after it
    double contextSeconds_ = 0.0;
    double loadSeconds_ = 0.0;
    std::vector<std::pair<std::string, double>> loaderSeconds_;
};

} // namespace capture
