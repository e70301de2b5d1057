// The daynote file as start-up and quit see it: load (read, parse, build records, sort, prune by age) and
// save (encode, write, flush to disk, rename, stamp type and creator) in a private data folder.
#include "bench/daynote_fixture.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/startup.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A data folder of the benchmark's own, holding a daynote file of the given size.
void PrepareDataFolder(int count) {
    static QTemporaryDir home;
    static int           prepared = 0;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    if (prepared == count) return;
    if (!SaveRecordFile(MakeSyntheticDaynotes(count, 2024), DaynoteFileName))
        qFatal("cannot write the daynote file");
    prepared = count;
}

void BM_DaynoteFileLoad(benchmark::State& state) {
    PrepareDataFolder(int(state.range(0)));
    for (auto _ : state) {
        RecordArray notes;
        if (!LoadDaynoteFile(DaynoteFileName, &notes)) state.SkipWithError("load failed");
        SortDaynotes(notes);
        AutoDeleteOldDaynotes(notes, 9999);
        benchmark::DoNotOptimize(notes.data());
        state.PauseTiming(); // freeing the array is not part of loading
        notes = RecordArray();
        state.ResumeTiming();
    }
}

void BM_DaynoteFileSave(benchmark::State& state) {
    PrepareDataFolder(int(state.range(0)));
    RecordArray notes;
    LoadDaynoteFile(DaynoteFileName, &notes);
    for (auto _ : state)
        if (!SaveRecordFile(notes, DaynoteFileName)) state.SkipWithError("save failed");
}

} // namespace

BENCHMARK(BM_DaynoteFileLoad)->Arg(10000)->Arg(36500)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DaynoteFileSave)->Arg(10000)->Arg(36500)->Arg(100000)->Unit(benchmark::kMillisecond);
