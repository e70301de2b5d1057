// The redrawing work one changed day costs with 36,500 daynotes and the calendar, list, weekly and monthly
// views and the day's daynote window open: only that day is drawn again.
#include "bench/bench_app.h"
#include "bench/daynote_fixture.h"
#include "calendar/calendar_window.h"
#include "calendar/monthly_view.h"
#include "calendar/weekly_view.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_OneDayChangedWithViewsOpen(benchmark::State& state) {
    StartBenchApplication();
    FillLocaleNameLists();
    RecordArray& daynotes = App().daynotes;
    daynotes = MakeSyntheticDaynotes(36500, 7);
    const GregorianDate today = GetToday();
    const double        day = DateToAbsTime(today.month, today.day, today.year);
    int                 index = FindNoteIndex(daynotes, day);
    if (!IsNoteAtIndex(daynotes, day, index))
        InsertStyledDaynote(day, QStringLiteral("today"), NoteStandard, NoteFontStyle{}, index, daynotes);
    ShowCalendar();
    ShowDaynoteList();
    ShowWeeklyView();
    ShowMonthlyView();
    OpenDaynote(today.month, today.day, today.year, daynotes);
    QApplication::processEvents();
    DaynoteChanges changes;
    changes.days = {day};
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        index = FindNoteIndex(daynotes, day);
        SetRecordValue(daynotes, index, NoteDataKey, Value(QStringLiteral("changed %1").arg(++n)));
        state.ResumeTiming();
        TheDaynoteStore().Announce(changes);
    }
}
BENCHMARK(BM_OneDayChangedWithViewsOpen)->Unit(benchmark::kMicrosecond);

} // namespace
