// The countdown drawer of the calendar window.
#include "tools/countdown.h"

#include "core/dates.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/windows.h"

#include <QtEndian>
#include <cmath>
#include <cstdlib>

namespace {

constexpr FourCC Creator = MakeFourCC("VRDX");
constexpr FourCC DaysTag = MakeFourCC("CD01");
constexpr FourCC HoursTag = MakeFourCC("CD02");
constexpr FourCC MinutesTag = MakeFourCC("CD03");
constexpr FourCC SecondsTag = MakeFourCC("CD04");

// What a number shows before its first write. The counts are absolute values, so none is ever negative, not
// even for a target 99999 days away.
constexpr int NeverShown = -1;

void RememberShown(QWidget* control, FourCC tag, int value) {
    const qint32 big = qToBigEndian(qint32(value));
    SetControlProperty(control, Creator, tag, QByteArray(reinterpret_cast<const char*>(&big), sizeof big));
}

int Shown(QWidget* window, int controlId, FourCC tag) {
    QByteArray bytes;
    if (!GetControlProperty(FindControl(window, controlId), Creator, tag, &bytes) || bytes.size() != 4)
        return NeverShown;
    return qFromBigEndian<qint32>(bytes.constData());
}

void WriteNumber(QWidget* window, int controlId, FourCC tag, int value) {
    QWidget* control = FindControl(window, controlId);
    SetControlText(control, QString::number(value));
    RememberShown(control, tag, value);
}

} // namespace

QString CountdownTargetText(bool withoutYear) {
    const Preferences& p = Prefs();
    if (p.countDownMode == CountDownUsesMessage && !p.countDownMessage.isEmpty() &&
        p.countDownMessage != QLatin1String(" "))
        return p.countDownMessage;
    return DayMonthYearText(withoutYear, p.countDownDate);
}

void ToggleCountdown() {
    if (QWidget* existing = FindWindowById(CountdownWindowId)) {
        // Shut or reopened as it is: the numbers keep what they show until the next tick.
        if (IsDrawerOpen(existing))
            CloseDrawer(existing);
        else
            OpenDrawer(existing);
        return;
    }
    QWidget* calendar = FindWindowById(CalendarWindowId);
    if (!calendar) {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("To See the CountDown, the Calendar window must be open"),
                  QStringLiteral("Please open the calender window and try again"));
        return;
    }
    QWidget* window = CreateDrawerFromDefinition(QStringLiteral("CD"), calendar);
    if (!window) return;
    SetWindowId(window, CountdownWindowId);
    SetControlText(FindControl(window, CountdownLabel),
                   QStringLiteral("To: %1").arg(CountdownTargetText(true)));
    OpenDrawer(window);
    // The first refresh then writes all four numbers.
    RememberShown(FindControl(window, CountdownDays), DaysTag, NeverShown);
}

void RefreshCountdown(QWidget* window) {
    if (!window) return;
    const GregorianUnits left =
        GetElapsedUnits(Prefs().countDownDate, UnitDays | UnitHours | UnitMinutes | UnitSeconds);
    QWidget* label = FindControl(window, CountdownLabel);
    if (left.days >= 0 && left.hours >= 0 && left.minutes >= 0 && left.seconds >= 0) {
        SetControlText(label, QStringLiteral(" Date in past.."));
        return; // the numbers stay as they were
    }
    const int days = std::abs(left.days);
    const int hours = std::abs(left.hours);
    const int minutes = std::abs(left.minutes);
    const int seconds = int(std::fabs(left.seconds)); // truncated: 4.7 seconds show as 4
    // Usually only the seconds change, so only they are redrawn.
    if (days != Shown(window, CountdownDays, DaysTag))
        ShowCountdownFields(days, hours, minutes, seconds, window);
    else if (hours != Shown(window, CountdownHours, HoursTag))
        ShowCountdownFields(hours, minutes, seconds, window);
    else if (minutes != Shown(window, CountdownMinutes, MinutesTag))
        ShowCountdownFields(minutes, seconds, window);
    else if (seconds != Shown(window, CountdownSeconds, SecondsTag))
        ShowCountdownFields(seconds, window);
    SetControlText(label, QStringLiteral("To:  %1").arg(CountdownTargetText(true)));
}

void ShowCountdownFields(int days, int hours, int minutes, int seconds, QWidget* window) {
    WriteNumber(window, CountdownDays, DaysTag, days);
    ShowCountdownFields(hours, minutes, seconds, window);
}

void ShowCountdownFields(int hours, int minutes, int seconds, QWidget* window) {
    WriteNumber(window, CountdownHours, HoursTag, hours);
    ShowCountdownFields(minutes, seconds, window);
}

void ShowCountdownFields(int minutes, int seconds, QWidget* window) {
    WriteNumber(window, CountdownMinutes, MinutesTag, minutes);
    ShowCountdownFields(seconds, window);
}

void ShowCountdownFields(int seconds, QWidget* window) {
    WriteNumber(window, CountdownSeconds, SecondsTag, seconds);
}
