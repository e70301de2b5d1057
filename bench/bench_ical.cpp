// iCalendar files of 10,000 daynotes: writing "Events.ics" with libical, and importing it into an empty
// daynote array (goal: under 1 s).
#include "bench/daynote_fixture.h"
#include "core/dates.h"
#include "notes/export.h"
#include "notes/ical_import.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ExportEvents10000(benchmark::State& state) {
    FillLocaleNameLists();
    const RecordArray daynotes = MakeSyntheticDaynotes(10000, 3);
    for (auto _ : state) benchmark::DoNotOptimize(DaynoteCalendarBytes(daynotes, IcalForm::Events, GetNow()));
}
BENCHMARK(BM_ExportEvents10000)->Unit(benchmark::kMillisecond);

void BM_ImportEvents10000(benchmark::State& state) {
    FillLocaleNameLists();
    const QByteArray bytes =
        DaynoteCalendarBytes(MakeSyntheticDaynotes(10000, 3), IcalForm::Events, GetNow());
    for (auto _ : state) {
        RecordArray            daynotes;
        const IcalImportResult result = ImportIcalendar(bytes, daynotes, GetNow());
        if (result.added != 10000) state.SkipWithError("not every event was imported");
    }
}
BENCHMARK(BM_ImportEvents10000)->Unit(benchmark::kMillisecond);

} // namespace
