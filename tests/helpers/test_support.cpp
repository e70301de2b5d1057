// Shared by the GUI tests.
#include "helpers/test_support.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "platform/windows.h"
#include "tools/sounds.h"

#include <QAccessible>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {
qint64 busPid = 0;
void   StopBus() {
      if (busPid > 0) ::kill(pid_t(busPid), SIGTERM);
}
} // namespace

QString RequireProgram(const QString& name) {
    const QString path = QFileInfo(name).isAbsolute() ? (QFileInfo(name).isExecutable() ? name : QString())
                                                      : QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        qFatal("needs the program \"%s\", which is not installed (scripts/setup installs it)",
               qPrintable(name));
    return path;
}

bool StartPrivateSessionBus() {
    QProcess daemon;
    daemon.start(RequireProgram(QStringLiteral("dbus-daemon")),
                 {QStringLiteral("--session"), QStringLiteral("--fork"), QStringLiteral("--print-address=1"),
                  QStringLiteral("--print-pid=1")});
    if (!daemon.waitForFinished(10000)) return false;
    const QList<QByteArray> lines = daemon.readAllStandardOutput().split('\n');
    if (lines.size() < 2) return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", lines[0].trimmed());
    busPid = lines[1].trimmed().toLongLong();
    std::atexit(StopBus);
    return true;
}

AlertRecorder::AlertRecorder() {
    previous = SetAlertPresenter([this](const AlertRequest& r) {
        alerts << r;
        return answer;
    });
}

AlertRecorder::~AlertRecorder() {
    SetAlertPresenter(previous);
}

QString TestDefinitionFolder() {
    return qEnvironmentVariable("VRDX_SOURCE_DIR") + QStringLiteral("/tests/ui");
}
QString BuildDir() {
    return qEnvironmentVariable("VRDX_BUILD_DIR");
}

QString UsePrivateHome() {
    static QTemporaryDir home;
    for (const char* sub : {"data", "config", "cache"}) QDir(home.path()).mkpath(QString::fromLatin1(sub));
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    return home.path();
}

bool SetUpProgramWindows() {
    UsePrivateHome();
    AddDefinitionFolder(TestDefinitionFolder());
    if (!LoadMenuBar(QStringLiteral("VRDXMenuBar"))) return false;
    InstallEventHandlers();
    SetSoundSink([](const QString&) {});
    return true;
}

void DisposeDocumentWindows() {
    for (QWidget* w : DocumentWindows()) DisposeWindow(w);
    QTest::qWait(0);
}

QWidget* MakeTestPanel(int id, bool show) {
    QWidget* w = CreateWindowFromDefinition(QStringLiteral("TestPanel"));
    SetWindowId(w, id);
    if (show) {
        ShowWindow(w);
        if (!QTest::qWaitForWindowExposed(w)) qWarning("window %d not exposed", id);
    }
    return w;
}

void AddDaynote(int month, int day, int year, int type, const QString& text) {
    RecordArray& notes = App().daynotes;
    const double date = DateToAbsTime(month, day, year);
    const int    index = FindNoteIndex(notes, date);
    InsertRecord(notes, index);
    SetDaynote(notes, index, text, date, int8_t(type), NoteFontStyle{});
}

int NoteIndex(double date) {
    const RecordArray& notes = App().daynotes;
    const int          index = FindNoteIndex(notes, date);
    return IsNoteAtIndex(notes, date, index) ? index : -1;
}

QString StoredText(double date) {
    const Value* v = GetRecordValue(App().daynotes, NoteIndex(date), NoteDataKey);
    return v && ValueText(*v) ? *ValueText(*v) : QString();
}

void ClearText(QWidget* view) {
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Delete);
}

QString AccessibleText(QWidget* widget, int text) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Text(text)) : QString();
}

// --- core ---
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHelpEvent>
#include <QToolTip>

double AbsTime(const QDate& date, const QTime& time) {
    return DateTimeToAbsTime(date.month(), date.day(), date.year(), time.hour(), time.minute()) +
           time.second() + time.msec() / 1000.0;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QWidget* OpenByCommand(const char* code, int windowId) {
    RunCommand(FourCCFromText(QLatin1String(code)));
    // Some windows first ask the system something, and come a moment later.
    (void)QTest::qWaitFor([windowId] { return FindWindowById(windowId) != nullptr; }, 3000);
    return FindWindowById(windowId);
}

void DisposeAllWindows() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (GetWindowId(w)) DisposeWindow(w);
    QTest::qWait(0);
}

QString ShownTip(QWidget* widget) {
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &help);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return shown;
}

UrlRecorder::UrlRecorder(const QString& scheme) : scheme(scheme) {
    QDesktopServices::setUrlHandler(scheme, this, "Open");
}

UrlRecorder::~UrlRecorder() {
    QDesktopServices::unsetUrlHandler(scheme);
}

bool LauncherBadge::Listen() {
    bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("launcher-badge"));
    return bus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                       QStringLiteral("Update"), this, SLOT(OnUpdate(QString, QVariantMap)));
}

// --- notes ---
#include "notes/daynote_window.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>

void ClickIn(int windowId, int controlId) {
    ClickIn(FindWindowById(windowId), controlId);
}

void TypeAtEnd(QWidget* view, const QString& text) {
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(view, text);
}

void CloseAndSettle(QWidget* window) {
    CloseWindow(window);
    QTest::qWait(0);
}

namespace {
QList<QWidget*> DaynoteWindows() {
    QList<QWidget*> windows = DocumentWindows();
    windows.removeIf([](QWidget* w) { return !IsDaynoteWindowId(GetWindowId(w)); });
    return windows;
}
} // namespace

QStringList DaynoteWindowTitles() {
    QStringList titles;
    for (QWidget* w : DaynoteWindows()) titles << GetWindowTitle(w);
    titles.sort();
    return titles;
}

qsizetype DisposeDaynoteWindows() {
    const QList<QWidget*> windows = DaynoteWindows();
    for (QWidget* w : windows) DisposeWindow(w);
    return windows.size();
}

void ClickColumnTitle(QWidget* list, int column, int clicks) {
    auto* header = list->findChild<QHeaderView*>();
    if (!header) qWarning("the list has no column titles");
    for (int i = 0; header && i < clicks; ++i)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

RecordArray DaynotesOf(const QList<std::pair<double, QString>>& notes) {
    RecordArray array;
    for (qsizetype i = 0; i < notes.size(); ++i)
        SetDaynote(array, int(i), notes[i].second, notes[i].first, NoteStandard, {});
    return array;
}

int StoredType(double date) {
    int8_t type = 0;
    GetRecordByte(App().daynotes, NoteIndex(date), NoteTypeKey, &type);
    return type;
}

QJsonObject PythonReading(const QString& script, const QString& path) {
    QProcess python;
    python.start(RequireProgram(QStringLiteral("/usr/bin/python3")),
                 {qEnvironmentVariable("VRDX_SOURCE_DIR") + QStringLiteral("/tests/") + script, path});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

DialogAnswer::DialogAnswer(const QString& answer) {
    previous = SetOpenFilePresenter([this, answer](const OpenFileRequest& r) {
        asked << r;
        return answer;
    });
}
DialogAnswer::~DialogAnswer() {
    SetOpenFilePresenter(previous);
}

bool FakeDesktop::Serve(bool notifications) {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop"));
    if (!bus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), this, SLOT(OnUpdate(QString, QVariantMap))))
        return false;
    return !notifications || (bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                                 QDBusConnection::ExportAllSlots) &&
                              bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
}

void FakeDesktop::HandleUrls(const QString& scheme) {
    QDesktopServices::setUrlHandler(scheme, this, "HandleUrl");
    if (!schemes.contains(scheme)) schemes << scheme;
}
void FakeDesktop::StopHandlingUrls(const QString& scheme) {
    QDesktopServices::unsetUrlHandler(scheme);
}
FakeDesktop::~FakeDesktop() {
    for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
}

uint FakeDesktop::Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                         const QStringList&, const QVariantMap&, int) {
    posted << summary + QLatin1Char('|') + body;
    return uint(posted.size());
}

// --- calendar ---
#include "core/startup.h"

#include <QFile>

void ClickIn(QWidget* window, int id, Qt::KeyboardModifiers modifiers, QPoint at) {
    QTest::mouseClick(FindControl(window, id), Qt::LeftButton, modifiers, at);
}

void Advance(double seconds) {
    SetTestClock(CurrentAbsoluteTime() + seconds);
}

void TickOnce() {
    Tick(App().daynotes);
}

QString ReadText(const QString& path) {
    return QString::fromUtf8(ReadBytes(path));
}

QString NoteOn(double date) {
    return NoteIndex(date) < 0 ? QStringLiteral("(none)") : StoredText(date);
}

QWidget* WindowTitled(const QString& title) {
    for (QWidget* w : DocumentWindows())
        if (GetWindowTitle(w) == title) return w;
    return nullptr;
}

bool FakeNotifications::Serve() {
    bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-notifications"));
    return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint FakeNotifications::Notify(const QString&, uint, const QString&, const QString& summary,
                               const QString& body, const QStringList&, const QVariantMap&, int) {
    posted << summary + QLatin1Char('|') + body;
    return uint(posted.size());
}

// --- trima ---
#include "calendar/holidays.h"
#include "core/datafiles.h"
#include "core/plist.h"
#include "core/undo.h"
#include "notes/events.h"
#include "notes/ical_import.h"
#include "notes/restore_backup.h"
#include "platform/list_view.h"

QWidget* ControlOf(int windowId, int controlId) {
    QWidget* window = FindWindowById(windowId);
    return window ? FindControl(window, controlId) : nullptr;
}

void CloseById(int windowId) {
    QWidget* window = FindWindowById(windowId);
    HandleWindowEvent(WindowClose, windowId);
    DisposeWindow(window);
}

void ImportCalendarText(const QString& fileName, const QString& text) {
    const QString path = QDir::temp().filePath(fileName);
    QVERIFY(WriteTextFile(text, path));
    ImportIcalendarFile(path);
    QFile::remove(path);
}

void CreateHolidays(const QString& year) {
    RunCommand(MakeFourCC("Crea"));
    SetControlText(ControlOf(HolidaysWindowId, HolidaysYearField), year);
    HandleControlEvent(ControlHit, HolidaysCreateButton, 0);
}

void WriteEvents(const QList<std::tuple<QString, double, int>>& events) {
    RecordArray stored;
    for (const auto& [name, date, unit] : events)
        stored.push_back(Value(Record{{{EventNameKey, Value(name)},
                                       {EventDateKey, Value(DateValue{date})},
                                       {EventUnitKey, Value(qint64(unit))}}}));
    QVERIFY(SaveRecordFile(stored, EventFileName));
}

void EventsToDaynotes(const QList<int>& rows) {
    RunCommand(MakeFourCC("Evet"));
    SetListSelection(ControlOf(EventListWindowId, EventList), rows);
    ClickIn(EventListWindowId, EventDaynotesButton);
    CloseById(EventListWindowId);
}

void RestoreWithText(int index, const QString& text) {
    RecordArray backup = App().daynotes;
    SetRecordValue(backup, index, NoteDataKey, Value(text));
    const QString path = QDir::temp().filePath(QStringLiteral("restore-backup.plist"));
    QVERIFY(WritePropertyListFile(path, Value(backup), nullptr));
    {
        DaynoteChangeScope scope;
        QVERIFY(!RestoreDaynotesFrom(path, App().daynotes).isEmpty());
    }
    QFile::remove(path);
}

// --- windows ---
#include "notes/events.h"
#include "tools/time_log.h"
#include "tools/time_zones.h"
#include "tools/timer.h"

std::span<const WindowOpener> WindowOpeners() {
    static const WindowOpener openers[] = {
        {"Holidays", "Crea", HolidaysWindowId},
        {"Timer", "ShTM", TimerWindowId},
        {"TimerSheet", "ShTM", TimerWindowId, TimerSetButton, TimerSheetId, {TimerRepeatCheckBox}},
        {"EventList", "Evet", EventListWindowId},
        {"AddEventSheet", "Evet", EventListWindowId, EventAddButton, AddEventSheetId},
        {"TimeLog", "ShTL", TimeLogWindowId},
        {"TimeLogSheet", "ShTL", TimeLogWindowId, TimeLogNewButton, TimeLogSheetId},
        {"TimeZones", "ShTZ", TimeZonesWindowId},
        {"TimeZoneSheet",
         "ShTZ",
         TimeZonesWindowId,
         ZoneSheetButton,
         TimeZoneSheetId,
         {Zone1UseCheckBox, Zone2UseCheckBox}},
        {"About", "abou", AboutWindowId},
        {"ShutDownTimer", "ShDn", ShutdownWindowId},
        {"RestoreBackup", "RBak", RestoreBackupWindowId},
        {"Weekly", "Week", WeeklyWindowId},
        {"Monthly", "Mont", MonthlyWindowId},
        {"GoToYearWnd", "GoYr", GoToYearWindowId},
        {"ListNotes", "List", ListWindowId},
        {"FindDaynotes", "Sear", FindWindowId},
        {"Preferences", "pref", PreferencesWindowId},
    };
    return openers;
}

QWidget* OpenByOpener(const WindowOpener& o, bool tickBoxes, const std::function<void(QWidget*)>& opened) {
    QWidget* window = OpenByCommand(o.command, o.window);
    if (opened) opened(window);
    if (!o.button) return window;
    QTest::mouseClick(FindControl(window, o.button), Qt::LeftButton);
    QWidget* sheet = FindWindowById(o.sheet);
    for (int box : o.boxes)
        if (tickBoxes && box && !GetControlValue(FindControl(sheet, box)))
            QTest::mouseClick(FindControl(sheet, box), Qt::LeftButton);
    return sheet;
}

// --- trim2 ---
#include "notes/daynote_list.h"
#include "platform/list_view.h"

void ImportAllDayEntries(const QString& fileName, const QList<std::pair<QString, QString>>& entries) {
    QString text = QStringLiteral("BEGIN:VCALENDAR\rVERSION:2.0\rPRODID:-//test//entries//EN\r");
    int     uid = 0;
    for (const auto& [day, summary] : entries)
        text += QStringLiteral("BEGIN:VEVENT\rUID:%1@test\rDTSTART;VALUE=DATE:%2\rSUMMARY:%3\rEND:VEVENT\r")
                    .arg(++uid)
                    .arg(day, summary);
    ImportCalendarText(fileName, text + QStringLiteral("END:VCALENDAR\r"));
}

void SelectListRow(int row) {
    RunCommand(MakeFourCC("List"));
    SetListSelection(ControlOf(ListWindowId, DaynoteListView), {row});
}

// --- trim1 ---
#include "calendar/calendar_window.h"
#include "calendar/twelve_month.h"
#include "notes/daynote_window.h"
#include "notes/recurring.h"
#include "notes/reminder_sheet.h"

QWidget* OpenDefinition(const QString& definition, bool tickBoxes,
                        const std::function<void(QWidget*)>& opened) {
    for (const WindowOpener& o : WindowOpeners())
        if (definition == QLatin1String(o.definition)) return OpenByOpener(o, tickBoxes, opened);
    if (definition == QLatin1String("Calendar")) {
        ShowCalendar();
        return FindWindowById(CalendarWindowId);
    }
    if (definition == QLatin1String("12MonthCalWnd")) return BuildTwelveMonthWindow(2026);
    const double date = DateToAbsTime(12, 15, 2026);
    QWidget*     daynote = OpenDaynote(12, 15, 2026, App().daynotes);
    if (definition == QLatin1String("Daynote")) return daynote;
    if (definition == QLatin1String("ReminderSheet")) return OpenReminderSheet(daynote);
    if (definition == QLatin1String("Recurring")) return OpenRecurringSheet(daynote, date);
    return nullptr;
}
