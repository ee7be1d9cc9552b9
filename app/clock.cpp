// The clocks of the timeline.
#include "app/clock.h"

#include "app/startup_report.h"
#include "platform/tick.h"

Clock clockMain;
Clock clockAux;

double nowSeconds() { return static_cast<double>(platform::tickMilliseconds()) * 0.001; }

void Clock::start(double offset) { origin = nowSeconds() - offset; }

double Clock::seconds() const { return nowSeconds() - origin; }

void startClocks() {
    clockMain.start(0.0);
    clockAux.start(0.0);
    markMilestone(Milestone::clocksStarted);
}
