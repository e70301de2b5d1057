// The half-second tick with the calendar window open and nothing changing: the clock text is compared, not
// redrawn, so a tick must cost next to nothing.
#include "bench/bench_app.h"
#include "bench/daynote_fixture.h"
#include "calendar/calendar_window.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/startup.h"
#include "core/window_ids.h"
#include "platform/windows.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_TickWithCalendarOpen(benchmark::State& state) {
    StartBenchApplication();
    FillLocaleNameLists();
    App().daynotes = MakeSyntheticDaynotes(36500, 7);
    App().dayMark = GetCurrentDay();
    ShowCalendar();
    Tick(App().daynotes); // draws the clock and the countdown line once
    for (auto _ : state) Tick(App().daynotes);
    DisposeWindow(FindWindowById(CalendarWindowId));
}

} // namespace

BENCHMARK(BM_TickWithCalendarOpen)->Iterations(1000)->Unit(benchmark::kMicrosecond);
