// A progress bar with the time left, on standard error.
#pragma once

#include <chrono>
#include <string>

namespace capture {

// On a terminal the bar is redrawn in place; otherwise a line is written at every tenth of
// the work, so logs stay short. A disabled bar prints nothing.
class Progress {
  public:
    Progress(std::string label, long long total, bool enabled);
    // `done` units of `total` are finished.
    void update(long long done);
    // Ends the bar's line.
    void finish();

    // "1:05" or "1:02:03" for a number of seconds.
    static std::string clockText(double seconds);

  private:
    void print(long long done, double elapsed);

    std::string label_;
    long long total_;
    bool enabled_;
    bool terminal_;
    int lastTenth_ = -1;
    double lastPrinted_ = -1.0;
    bool finished_ = false;
    std::chrono::steady_clock::time_point start_;
};

} // namespace capture
