// Benchmarks of the daynote array: binary search, sort and removal of old notes at three array sizes.
#include "bench/daynote_fixture.h"
#include "core/dates.h"
#include "core/startup.h"
#include "platform/clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double FixtureFirstDay = -4018.0 * 86400; // the fixture's first note, 1 January 1990

void DaynoteSizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(36500)->Arg(100000);
}

void BM_FindNoteIndex(benchmark::State& state) {
    const int         count = int(state.range(0));
    const RecordArray notes = MakeSyntheticDaynotes(count, 7);
    // Probes on note days and between them, a few outside the array at both ends.
    std::mt19937                           random(11);
    std::uniform_real_distribution<double> pick(FixtureFirstDay - 30 * 86400.0,
                                                FixtureFirstDay + (count + 30) * 86400.0);
    std::vector<double>                    probes(4096);
    for (size_t i = 0; i < probes.size(); ++i) {
        const double t = pick(random);
        probes[i] = i % 2 ? t : FixtureFirstDay + std::floor((t - FixtureFirstDay) / 86400.0) * 86400.0;
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindNoteIndex(notes, probes[i]));
        i = (i + 1) & (probes.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindNoteIndex)->Apply(DaynoteSizes);

void BM_SortDaynotes(benchmark::State& state) {
    RecordArray shuffled = MakeSyntheticDaynotes(int(state.range(0)), 7);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(13));
    for (auto _ : state) {
        state.PauseTiming();
        RecordArray notes = shuffled;
        state.ResumeTiming();
        SortDaynotes(notes);
        benchmark::DoNotOptimize(notes.data());
        state.PauseTiming();
        notes = RecordArray(); // the copy's destruction is not part of the sort
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortDaynotes)->Apply(DaynoteSizes)->Unit(benchmark::kMillisecond);

// Start-up with the default age of 9999 days on 5 December 2026: the notes before 21 July 1999 go.
void BM_AutoDeleteOldDaynotes(benchmark::State& state) {
    SetTestClock(DateTimeToAbsTime(12, 5, 2026, 15, 30));
    const RecordArray source = MakeSyntheticDaynotes(int(state.range(0)), 7);
    size_t            kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        RecordArray notes = source;
        state.ResumeTiming();
        AutoDeleteOldDaynotes(notes, 9999);
        kept = notes.size();
        state.PauseTiming();
        notes = RecordArray();
        state.ResumeTiming();
    }
    ClearTestClock();
    state.counters["kept"] = double(kept);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AutoDeleteOldDaynotes)->Apply(DaynoteSizes)->Unit(benchmark::kMillisecond);

} // namespace
