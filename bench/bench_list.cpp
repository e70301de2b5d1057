// The daynote list and find with 36,500 daynotes: opening the list window, sorting it by each column, and a
// search whose results fill the Find window.
#include "bench/bench_app.h"
#include "bench/daynote_fixture.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "notes/find.h"
#include "platform/list_view.h"
#include "platform/windows.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

void Prepare() {
    StartBenchApplication();
    FillLocaleNameLists();
    if (App().daynotes.size() != 36500) App().daynotes = MakeSyntheticDaynotes(36500, 7);
}

void CloseList() {
    CloseWindowById(ListWindowId);
    DisposeWindow(FindWindowById(ListWindowId));
    QApplication::processEvents();
}

// From the command to the window on screen with its first rows drawn.
void BM_OpenDaynoteList(benchmark::State& state) {
    Prepare();
    for (auto _ : state) {
        ShowDaynoteList();
        QApplication::processEvents();
        state.PauseTiming();
        CloseList();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenDaynoteList)->Unit(benchmark::kMillisecond)->Iterations(10);

// The first sort after the list opens (the reminder column makes its day keys then), with a row selected.
void BM_SortDaynoteList(benchmark::State& state) {
    Prepare();
    const int column = int(state.range(0));
    bool      ascending = false;
    for (auto _ : state) {
        state.PauseTiming();
        ShowDaynoteList();
        QWidget* list = FindControl(FindWindowById(ListWindowId), DaynoteListView);
        SetListSelection(list, {18000});
        QApplication::processEvents();
        ascending = !ascending;
        state.ResumeTiming();
        SortListByColumn(list, column, ascending);
        QApplication::processEvents();
        state.PauseTiming();
        CloseList();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortDaynoteList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

// The search alone: about a third of the synthetic daynotes mention the dentist.
void BM_FindDaynotes(benchmark::State& state) {
    Prepare();
    size_t found = 0;
    for (auto _ : state) found = FindDaynotes(QStringLiteral("DENTIST"), App().daynotes).size();
    state.counters["found"] = double(found);
}
BENCHMARK(BM_FindDaynotes)->Unit(benchmark::kMillisecond);

// The Find button: search, results into the list, the list drawn.
void BM_FindButton(benchmark::State& state) {
    Prepare();
    ShowFindWindow();
    QWidget* window = FindWindowById(FindWindowId);
    SetControlText(FindControl(window, FindTextField), QStringLiteral("Dentist"));
    QApplication::processEvents();
    for (auto _ : state) {
        HandleControlEvent(ControlHit, FindButton, 0);
        QApplication::processEvents();
    }
    CloseWindowById(FindWindowId);
    DisposeWindow(window);
}
BENCHMARK(BM_FindButton)->Unit(benchmark::kMillisecond);

} // namespace
