// Weeks and months as the views count them.
#include "calendar/weeks.h"

#include "core/dates.h"
#include "core/preferences.h"

bool MondayFirst() {
    return Prefs().weekStart == WeekStartsMonday;
}

QString WeekdayInitials(int startOffset, int length) {
    const QStringList& names = ShortWeekdayNames();
    if (names.isEmpty()) return QString();
    QString out;
    for (int i = 0; i < names.size(); ++i) out += names[(i - startOffset) % names.size()].left(length);
    return out;
}

double StartOfWeekOf(double day) {
    const int weekday = GetDayOfWeek(day); // 1 Monday .. 7 Sunday
    const int back = MondayFirst() ? weekday - 1 : (weekday == 7 ? 0 : weekday);
    return AddDateUnits(day, -back, AddDays);
}

double StartOfCurrentWeek() {
    return StartOfWeekOf(GetNow());
}

void StepMonth(int by, int* month, int* year) {
    const int months = *year * 12 + (*month - 1) + by;
    *year = months / 12;
    *month = months % 12 + 1;
}
