// libFuzzer target for the iCalendar import: every input ends (libFuzzer's -timeout catches a hang), is
// refused with a line or a reason and the daynotes untouched, or is imported into daynotes in date order,
// none longer than the import's limit.
#include "core/dates.h"
#include "core/records.h"
#include "notes/ical_import.h"

#include <QCoreApplication>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

double DateOf(const Value& note) {
    double date = 0;
    return ValueRecord(note) && RecordDate(*ValueRecord(note), NoteDateKey, &date) ? date : 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("TZ", "Europe/Berlin", 1); // a zone with summer time, so that zone arithmetic is exercised
    static QCoreApplication app(*argc, *argv);
    FillLocaleNameLists();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // libical reads a NUL-terminated string.
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    RecordArray      daynotes;
    SetDaynote(daynotes, 0, QStringLiteral("Before"), DateToAbsTime(6, 10, 2024), NoteStandard, {});
    const RecordArray      before = daynotes;
    const IcalImportResult result = ImportIcalendar(input, daynotes, DateTimeToAbsTime(6, 15, 2024, 12, 0));
    if (!result.ok) {
        if (result.failedLine == 0 && result.reason.isEmpty()) __builtin_trap(); // a refusal says why
        if (!(daynotes == before)) __builtin_trap();                             // and changes nothing
        return 0;
    }
    for (size_t i = 0; i < daynotes.size(); ++i) {
        if (i > 0 && !(DateOf(daynotes[i - 1]) < DateOf(daynotes[i])))
            __builtin_trap(); // one per day, in order
        const Value*   text = GetRecordValue(daynotes, int(i), NoteDataKey);
        const QString* s = text ? ValueText(*text) : nullptr;
        if (!s || s->size() > 100000) __builtin_trap();
    }
    return 0;
}
