// Offscreen start-up and live-run replay on the virtual tick.
#include "playback.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "app/clock.h"
#include "app/frame.h"
#include "app/manifest.h"
#include "app/startup.h"
#include "platform/prefetch.h"
#include "platform/tick.h"

namespace capture {
namespace {

// How close to a whole frame index a moment must be to count as on the grid.
constexpr double kGridTolerance = 1e-6;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

std::uint32_t tickOf(double seconds) {
    return static_cast<std::uint32_t>(std::llround(seconds * 1000.0));
}

bool Playback::start(int width, int height, std::string* error) {
    // The loaders start the music; a capture must never need a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::useVirtualTick(true);
    platform::setVirtualTick(0);

    auto begin = std::chrono::steady_clock::now();
    prefetchAssets(); // as the demo does, while the context comes up
    if (!gl_.create(width, height, error))
        return false;
    contextSeconds_ = secondsSince(begin);

    setupFixedGlState();
    // runLoaders() step by step, each one timed.
    loadSeconds_ = 0.0;
    for (int i = 0; i < kLoaderStepCount; ++i) {
        begin = std::chrono::steady_clock::now();
        kLoaderSteps[i].run();
        loaderSeconds_.emplace_back(kLoaderSteps[i].name, secondsSince(begin));
        loadSeconds_ += loaderSeconds_.back().second;
    }
    platform::finishPrefetch();
    startClocks();
    reshape(width, height);
    return true;
}

void Playback::setGrid(int fps, double anchor) {
    fps_ = fps;
    const double position = anchor * fps;
    if (std::fabs(position - std::round(position)) < kGridTolerance)
        phase_ = 0.0;
    else
        phase_ = anchor - std::floor(position) / fps;
}

double Playback::gridTime(long long k) const {
    return phase_ + static_cast<double>(k) / fps_;
}

long long Playback::gridIndex(double seconds) const {
    return std::llround((seconds - phase_) * fps_);
}

long long Playback::firstGridFrameFrom(std::uint32_t tick) const {
    long long k = static_cast<long long>(std::ceil((tick * 0.001 - phase_) * fps_ - 1e-6));
    k = std::max(0LL, k);
    while (k > 0 && gridTick(k - 1) >= tick)
        --k;
    while (gridTick(k) < tick)
        ++k;
    return k;
}

void Playback::prepare(double seconds) {
    const std::uint32_t target = tickOf(seconds);
    const double position = (seconds - phase_) * fps_;
    const long long nearest = std::llround(position);
    const bool onGrid = std::fabs(position - static_cast<double>(nearest)) < kGridTolerance;
    const long long previous = onGrid ? nearest - 1 : static_cast<long long>(std::floor(position));

    std::vector<std::uint32_t> ticks;
    if (!anyLive_)
        ticks.push_back(0); // a live run's first frame: every city figure's clock starts here
    if (previous >= 0) {
        const std::uint32_t previousTick = gridTick(previous);
        const std::uint32_t closeTick = tickOf(kCityCloseStart);
        if (previousTick >= closeTick && previousTick < tickOf(kDiscoStart)) {
            // The drift adds to the eye every frame, starting from the last flight frame.
            for (long long k = std::max(0LL, firstGridFrameFrom(closeTick) - 1); k <= previous; ++k)
                ticks.push_back(gridTick(k));
        } else {
            ticks.push_back(previousTick);
        }
        // The disco's own figures start their clocks at the first disco frame.
        const long long disco = firstGridFrameFrom(tickOf(kDiscoStart));
        if (disco <= previous)
            ticks.push_back(gridTick(disco));
    }
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());

    bool drew = false;
    for (std::uint32_t tick : ticks) {
        if ((!anyLive_ || tick > lastLive_) && tick < target) {
            drawLive(tick);
            drew = true;
        }
    }
    if (!drew && offGridSinceLive_) {
        // A moment between two grid frames was drawn since the last live frame and left its
        // poses (and, in the drift, its eye) behind: draw that live frame again from the
        // camera it started with.
        camera = cameraBeforeLive_;
        drawTick(lastLive_);
        offGridSinceLive_ = false;
    }
}

void Playback::draw(double seconds) {
    const std::uint32_t tick = tickOf(seconds);
    const double position = (seconds - phase_) * fps_;
    const bool onGrid = std::fabs(position - std::round(position)) < kGridTolerance;
    if (onGrid || !anyLive_) {
        drawLive(tick);
    } else {
        drawTick(tick);
        offGridSinceLive_ = true;
    }
}

void Playback::drawLive(std::uint32_t tick) {
    cameraBeforeLive_ = camera;
    drawTick(tick);
    anyLive_ = true;
    lastLive_ = tick;
    offGridSinceLive_ = false;
}

void Playback::drawTick(std::uint32_t tick) {
    platform::setVirtualTick(tick);
    drawFrame();
}

} // namespace capture
