// Progress bar.
#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace capture {

Progress::Progress(std::string label, long long total, bool enabled)
    : label_(std::move(label)), total_(std::max(1LL, total)), enabled_(enabled),
      terminal_(isatty(2) != 0), start_(std::chrono::steady_clock::now()) {}

std::string Progress::clockText(double seconds) {
    long long s = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

void Progress::update(long long done) {
    if (!enabled_ || finished_)
        return;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (terminal_) {
        // A few redraws a second are enough.
        if (done < total_ && elapsed - lastPrinted_ < 0.2)
            return;
    } else {
        const int tenth = static_cast<int>(done * 10 / total_);
        if (tenth == lastTenth_)
            return;
        lastTenth_ = tenth;
    }
    lastPrinted_ = elapsed;
    print(done, elapsed);
}

void Progress::print(long long done, double elapsed) {
    constexpr int kWidth = 30;
    const double fraction = std::min(1.0, static_cast<double>(done) / total_);
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '-');
    std::string left = "";
    if (done > 0 && done < total_)
        left = ", " + clockText(elapsed / done * (total_ - done)) + " left";
    else if (done >= total_)
        left = ", took " + clockText(elapsed);
    std::fprintf(stderr, "%s%s [%s] %3d%% %lld/%lld%s%s", terminal_ ? "\r" : "", label_.c_str(),
                 bar.c_str(), static_cast<int>(fraction * 100), done, total_, left.c_str(),
                 terminal_ ? "\033[K" : "\n");
    std::fflush(stderr);
}

void Progress::finish() {
    if (!enabled_ || finished_)
        return;
    if (terminal_)
        std::fputc('\n', stderr);
    finished_ = true;
}

} // namespace capture
