// Import times of iCalendar files built to hang or flood the import (goal: each under 10 s, peak RSS under
// 300 MB); refused ones must be refused, the others imported.
#include "core/dates.h"
#include "notes/ical_import.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QByteArray Calendar(const QByteArray& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//hostile//EN\r\n" + body + "END:VCALENDAR\r\n";
}

QByteArray HostileFile(int kind) {
    QByteArray body;
    switch (kind) {
    case 0: // a rule by the second that never matches
        return Calendar("BEGIN:VEVENT\r\nSUMMARY:x\r\nDTSTART:20240101T000000Z\r\n"
                        "RRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30\r\nEND:VEVENT\r\n");
    case 1: // a time zone repeating by the second
        return Calendar("BEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\nRRULE:FREQ=SECONDLY\r\nEND:STANDARD\r\n"
                        "END:VTIMEZONE\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nDTSTART;TZID=Z:20240601T100000\r\n"
                        "END:VEVENT\r\n");
    case 2: // 150 all-day entries of two years, repeating daily
        for (int i = 0; i < 150; ++i)
            body += "BEGIN:VEVENT\r\nSUMMARY:Span " + QByteArray::number(i) +
                    "\r\nDTSTART;VALUE=DATE:20240101\r\nDTEND;VALUE=DATE:20260101\r\nRRULE:FREQ=DAILY\r\n"
                    "END:VEVENT\r\n";
        return Calendar(body);
    case 3: // 100,000 entries on one day
        for (int i = 0; i < 100000; ++i)
            body += "BEGIN:VEVENT\r\nSUMMARY:Entry " + QByteArray::number(i) +
                    "\r\nDTSTART;VALUE=DATE:20240610\r\nEND:VEVENT\r\n";
        return Calendar(body);
    case 4: // one line of 20 MB
        return Calendar("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20240610\r\nSUMMARY:" +
                        QByteArray(20 << 20, 'x') + "\r\nEND:VEVENT\r\n");
    default: // an end in year 10000
        return Calendar(
            "BEGIN:VEVENT\r\nSUMMARY:x\r\nDTSTART;VALUE=DATE:20240601\r\nDTEND;VALUE=DATE:99999999\r\n"
            "END:VEVENT\r\n");
    }
}

void BM_ImportHostile(benchmark::State& state) {
    FillLocaleNameLists();
    const QByteArray bytes = HostileFile(int(state.range(0)));
    const bool       imported = state.range(0) == 2;
    for (auto _ : state) {
        RecordArray            daynotes;
        const IcalImportResult result =
            ImportIcalendar(bytes, daynotes, DateTimeToAbsTime(6, 15, 2024, 12, 0));
        if (result.ok != imported) state.SkipWithError(imported ? "refused" : "imported");
    }
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ImportHostile)->ArgName("file")->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
