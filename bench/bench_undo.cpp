// Undo of daynote changes with 10,000 daynotes: taking back and redoing a step that changed every one of
// them, taking back an import of 10,000 events (goal: under 100 ms), what every user action pays to find
// out whether it changed anything, and what one change among 36,500 daynotes pays.
#include "bench/bench_app.h"
#include "bench/daynote_fixture.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/undo.h"
#include "notes/export.h"
#include "notes/ical_import.h"

#include <QApplication>
#include <QUndoStack>

#include <benchmark/benchmark.h>

namespace {

constexpr int Count = 10000;

void Prepare() {
    StartBenchApplication();
    FillLocaleNameLists();
    DaynoteUndoStack().clear();
    App().daynotes = MakeSyntheticDaynotes(Count, 11);
}

// One step that changed the text of every daynote, as a large import or restore would.
void ChangeEveryDaynote() {
    BeginDaynoteChange(QStringLiteral("Change Every Daynote"));
    for (int i = 0; i < Count; ++i) {
        const Value* data = GetRecordValue(App().daynotes, i, NoteDataKey);
        SetRecordValue(App().daynotes, i, NoteDataKey, Value(*ValueText(*data) + QStringLiteral("\rmore")));
    }
    EndDaynoteChange();
}

void BM_UndoTenThousandDaynotes(benchmark::State& state) {
    Prepare();
    ChangeEveryDaynote();
    for (auto _ : state) {
        UndoDaynoteChange();
        state.PauseTiming();
        RedoDaynoteChange();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoTenThousandDaynotes)->Unit(benchmark::kMillisecond);

void BM_RedoTenThousandDaynotes(benchmark::State& state) {
    Prepare();
    ChangeEveryDaynote();
    UndoDaynoteChange();
    for (auto _ : state) {
        RedoDaynoteChange();
        state.PauseTiming();
        UndoDaynoteChange();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RedoTenThousandDaynotes)->Unit(benchmark::kMillisecond);

// The import of a 10,000-event file into an empty array is one step; undoing it empties the array again.
void BM_UndoImportEvents10000(benchmark::State& state) {
    Prepare();
    const QByteArray bytes = DaynoteCalendarBytes(App().daynotes, IcalForm::Events, GetNow());
    App().daynotes.clear();
    BeginDaynoteChange(QStringLiteral("Import Events.ics"));
    const IcalImportResult result = ImportIcalendar(bytes, App().daynotes, GetNow());
    EndDaynoteChange();
    if (result.added != Count) state.SkipWithError("not every event was imported");
    for (auto _ : state) {
        UndoDaynoteChange();
        state.PauseTiming();
        if (!App().daynotes.empty()) state.SkipWithError("the undo left daynotes behind");
        RedoDaynoteChange();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoImportEvents10000)->Unit(benchmark::kMillisecond);

// Recording the step: comparing the array with the one the last step left, and keeping the difference.
void BM_RecordTenThousandDaynoteStep(benchmark::State& state) {
    Prepare();
    for (auto _ : state) ChangeEveryDaynote();
}
BENCHMARK(BM_RecordTenThousandDaynoteStep)->Unit(benchmark::kMillisecond);

// What one changed daynote among 36,500 costs to record, as each e-mail of a reminder flood does.
void BM_OneDaynoteChangeOf36500(benchmark::State& state) {
    StartBenchApplication();
    FillLocaleNameLists();
    DaynoteUndoStack().clear();
    App().daynotes = MakeSyntheticDaynotes(36500, 11);
    int n = 0;
    for (auto _ : state) {
        BeginUnrecordedDaynoteChange();
        ++n;
        SetRecordValue(App().daynotes, 18000 + n % 100, NoteDataKey, Value(QString::number(n)));
        EndDaynoteChange();
    }
}
BENCHMARK(BM_OneDaynoteChangeOf36500)->Unit(benchmark::kMicrosecond);

// What a keystroke or click that changes no daynote pays.
void BM_ActionWithoutChange(benchmark::State& state) {
    Prepare();
    for (auto _ : state) {
        BeginDaynoteChange();
        EndDaynoteChange();
    }
}
BENCHMARK(BM_ActionWithoutChange)->Unit(benchmark::kMicrosecond);

} // namespace
