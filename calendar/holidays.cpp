// Holidays of a year as holiday daynotes.
#include "calendar/holidays.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/undo.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/beep.h"
#include "platform/key_filters.h"
#include "platform/windows.h"

#include <cmath>
#include <iterator>

namespace {

// A holiday is its anchor day moved by a number of days that depends on the anchor's weekday (Monday 1 ..
// Sunday 7), so that no rule has to step through the month. Without an offset the anchor is the day itself;
// month 0 stands for Easter.
struct HolidayRule {
    const char* text;
    int         month, day;
    int (*offset)(int weekday);
};

const HolidayRule HolidayRules[] = {
    {"New Years (US)", 1, 1, nullptr},
    {"President's Day (US)", 2, 1, [](int w) { return w == 1 ? 14 : 22 - w; }},
    {"Daylight Saving Time Begins - 2 a.m. (US)", 3, 1, [](int w) { return w == 7 ? 7 : 14 - w; }},
    {"Easter (Global)", 0, 0, nullptr},
    {"Memorial Day (US)", 5, 31, [](int w) { return 1 - w; }},
    {"Mother's Day (US)", 5, 1, [](int w) { return w == 7 ? 7 : 14 - w; }},
    {"Father's Day (US)", 6, 1, [](int w) { return w == 7 ? 14 : 21 - w; }},
    {"Independence Day (US)", 7, 4, nullptr},
    {"Labor Day (US)", 9, 1, [](int w) { return w == 1 ? 0 : 8 - w; }},
    {"Daylight Saving Time Ends - 2 a.m. (US)", 11, 1, [](int w) { return w == 7 ? 0 : 7 - w; }},
    {"Thanksgiving Day (US)", 11, 1,
     [](int w) {
         static const int fromFirst[] = {24, 23, 22, 21, 27, 26, 25};
         return fromFirst[w - 1];
     }},
    {"Christmas Eve (Global)", 12, 24, nullptr},
    {"Christmas (Global)", 12, 25, nullptr},
};

} // namespace

MonthDay EasterSunday(int year) {
    const int C = int(double(year) / 100.0);
    const int G = year % 19;
    int       T = int(202.0 + (C - 15) * 0.5 - 11.0 * G);
    if (C > 26) T -= 1;
    if (C > 38) T -= 1;
    if (C == 21 || C == 24 || C == 25 || C == 33 || C == 36 || C == 37) T -= 1;
    const int H = T % 30;
    int       A = H + 21; // the paschal full moon, counted in days from the last of February
    if (H == 29) A -= 1;
    if (H == 28 && G > 10) A -= 1;
    const int B = (A - 19) % 7;
    int       K = (40 - C) % 4;
    if (K == 3) K = 4;
    if (K > 1) K += 1;
    const int Y2 = year % 100;
    const int D = int(std::fmod(Y2 * 0.25 + Y2, 7.0));
    const int E = ((20 - B - K - D) % 7) + 1;
    const int day = A + E;
    return day <= 31 ? MonthDay{3, day} : MonthDay{4, day - 31};
}

std::vector<NamedDate> HolidaysOfYear(int year) {
    std::vector<NamedDate> dates;
    dates.reserve(std::size(HolidayRules));
    for (const HolidayRule& rule : HolidayRules) {
        double date;
        if (rule.month == 0) {
            const MonthDay easter = EasterSunday(year);
            date = DateToAbsTime(easter.month, easter.day, year);
        } else {
            date = DateToAbsTime(rule.month, rule.day, year);
            if (rule.offset) date = AddDateUnits(date, rule.offset(GetDayOfWeek(date)), AddDays);
        }
        dates.push_back({date, QString::fromLatin1(rule.text)});
    }
    return dates;
}

void ShowHolidaysWindow() {
    QWidget* window = FindWindowById(HolidaysWindowId);
    if (!window) {
        window = CreateWindowFromDefinition(QStringLiteral("Holidays"));
        if (!window) return;
        SetWindowId(window, HolidaysWindowId);
        InstallKeyFilter(window, HolidaysYearField, FourDigitFilter);
    }
    ShowWindow(window);
    SetFocusToControl(FindControl(window, HolidaysYearField));
}

bool AddHolidays(QWidget* window, RecordArray& daynotes) {
    // Year 0 would be 1 BC: an empty field asks for a year rather than for holidays two thousand years ago.
    const int year = GetControlText(FindControl(window, HolidaysYearField)).toInt();
    if (year < 1) {
        Beep();
        return false;
    }
    NameDaynoteChange(QStringLiteral("Add Holidays for %1").arg(year));
    for (const NamedDate& holiday : HolidaysOfYear(year)) {
        if (!AddNamedDaynote(holiday.date, holiday.text, NoteHoliday, false, daynotes)) continue;
        ShowDuplicateDaynoteAlert(holiday.text, year);
        break;
    }
    return true;
}

int HolidaysCreateHit(int, unsigned) {
    QWidget* window = FindWindowById(HolidaysWindowId);
    if (!window) return EventNotHandled;
    // Without a year the window stays, so that one can be typed.
    if (!AddHolidays(window, App().daynotes)) return EventHandled;
    CloseWindow(window);
    return EventHandled;
}
