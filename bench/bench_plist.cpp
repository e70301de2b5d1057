// Load and save times of the property-list reader and writer on daynote files of three sizes, with Python's
// plistlib on the same files for comparison.
#include "bench/daynote_fixture.h"
#include "core/plist.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

QTemporaryDir& BenchDir() {
    static QTemporaryDir dir;
    return dir;
}

// One file per size, written the first time a benchmark asks for it.
QString DaynoteFile(int count) {
    static std::map<int, QString> files;
    auto                          it = files.find(count);
    if (it == files.end()) {
        const QString path = BenchDir().filePath(QStringLiteral("daynotes-%1.plist").arg(count));
        QString       error;
        if (!WritePropertyListFile(path, Value(MakeSyntheticDaynotes(count, 2024)), &error))
            qFatal("%s", qPrintable(error));
        it = files.emplace(count, path).first;
    }
    return it->second;
}

void BM_PlistLoad(benchmark::State& state) {
    const QString path = DaynoteFile(int(state.range(0)));
    for (auto _ : state) {
        Value   root;
        QString error;
        if (!ReadPropertyListFile(path, &root, &error)) state.SkipWithError(qPrintable(error));
        state.PauseTiming(); // freeing the tree is not part of loading
        root = Value();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// The bytes of a save alone, without the file.
void BM_PlistWrite(benchmark::State& state) {
    const Value notes(MakeSyntheticDaynotes(int(state.range(0)), 2024));
    qsizetype   size = 0;
    for (auto _ : state) size = WritePropertyList(notes).size();
    state.SetBytesProcessed(state.iterations() * size);
}

// Written like an atomic save: temporary file, fsync, rename over the old one. Two different files in turn,
// so that every save writes.
void BM_PlistSave(benchmark::State& state) {
    const RecordArray notes[2] = {MakeSyntheticDaynotes(int(state.range(0)), 2024),
                                  MakeSyntheticDaynotes(int(state.range(0)), 2025)};
    const QString     path = BenchDir().filePath(QStringLiteral("saved-%1.plist").arg(state.range(0)));
    int               turn = 0;
    for (auto _ : state) {
        QString error;
        if (!WritePropertyListFile(path, notes[turn ^= 1], &error)) state.SkipWithError(qPrintable(error));
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// A save of what the file already holds: serialised and compared, nothing written.
void BM_PlistSaveUnchanged(benchmark::State& state) {
    const RecordArray notes = MakeSyntheticDaynotes(int(state.range(0)), 2024);
    const QString     path = BenchDir().filePath(QStringLiteral("unchanged-%1.plist").arg(state.range(0)));
    for (auto _ : state) {
        QString error;
        if (!WritePropertyListFile(path, notes, &error)) state.SkipWithError(qPrintable(error));
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// Runs one Python program per iteration and takes the time it measured itself, so that the interpreter's
// start-up is left out.
void RunPythonTimed(benchmark::State& state, const char* program, const QStringList& arguments) {
    for (auto _ : state) {
        QProcess python;
        python.start(QStringLiteral("python3"),
                     QStringList{QStringLiteral("-c"), QString::fromUtf8(program)} + arguments);
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            state.SkipWithError(python.readAllStandardError().constData());
            break;
        }
        state.SetIterationTime(python.readAllStandardOutput().trimmed().toDouble());
    }
}

void BM_PythonPlistlibLoad(benchmark::State& state) {
    static const char program[] = R"(
import plistlib, sys, time
t = time.perf_counter()
with open(sys.argv[1], "rb") as f:
    plistlib.loads(f.read())
print(time.perf_counter() - t)
)";
    RunPythonTimed(state, program, {DaynoteFile(int(state.range(0)))});
}

void BM_PythonPlistlibDump(benchmark::State& state) {
    static const char program[] = R"(
import os, plistlib, sys, time
with open(sys.argv[1], "rb") as f:
    value = plistlib.load(f)
t = time.perf_counter()
data = plistlib.dumps(value, sort_keys=False)
with open(sys.argv[2] + ".tmp", "wb") as f:
    f.write(data)
    f.flush()
    os.fsync(f.fileno())
os.replace(sys.argv[2] + ".tmp", sys.argv[2])
print(time.perf_counter() - t)
)";
    const QString     path = DaynoteFile(int(state.range(0)));
    RunPythonTimed(state, program, {path, BenchDir().filePath(QStringLiteral("python-saved.plist"))});
}

} // namespace

BENCHMARK(BM_PlistLoad)->Arg(10000)->Arg(36500)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistWrite)->Arg(36500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistSave)->Arg(10000)->Arg(36500)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistSaveUnchanged)->Arg(36500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PythonPlistlibLoad)
    ->Arg(10000)
    ->Arg(36500)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PythonPlistlibDump)
    ->Arg(10000)
    ->Arg(36500)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
