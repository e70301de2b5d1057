// The program's clock, with a settable test time.
#include "platform/clock.h"

#include <chrono>
#include <optional>

namespace {
std::optional<double> testClock;
}

double CurrentAbsoluteTime() {
    if (testClock) return *testClock;
    using namespace std::chrono;
    const double unixSeconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return unixSeconds - 978307200.0;
}

void SetTestClock(double absTime) {
    testClock = absTime;
}
void ClearTestClock() {
    testClock.reset();
}
