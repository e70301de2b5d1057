// Shared by the GUI tests: a private session bus, recorded alerts and control events, test windows.
#pragma once

#include "platform/alerts.h"

#include <QList>
#include <QString>

class QWidget;

// Starts a dbus-daemon of our own and points DBUS_SESSION_BUS_ADDRESS at it, so that tests claiming the
// program's bus name never meet another test or a running copy. Call before the QApplication exists.
bool StartPrivateSessionBus();
// The path of a program a test starts; a machine without it stops the test here with a message naming it.
QString RequireProgram(const QString& name);

// Records every alert and answers with the scripted button (1000 unless told otherwise).
struct AlertRecorder {
    QList<AlertRequest> alerts;
    int                 answer = AlertFirstButton;
    AlertPresenter      previous;
    AlertRecorder();
    ~AlertRecorder();
};

// Points HOME and the XDG folders at a fresh folder (removed at exit), so nothing touches the user's files.
QString UsePrivateHome();

// The folder of the tests' own interface definitions.
QString TestDefinitionFolder();
QString BuildDir();

// The program's windows as the GUI tests use them: a private home, the tests' own definitions beside the
// program's, the menu bar, the event handlers and no sound. False when the menu bar cannot be loaded.
bool SetUpProgramWindows();
// Disposes of every document window and lets Qt delete them.
void DisposeDocumentWindows();
// The tests' panel (tests/ui/TestPanel.ui) under the window number, shown and exposed unless told otherwise.
QWidget* MakeTestPanel(int id, bool show = true);
// A daynote of the type on the day, put in date order into the program's daynote array.
void AddDaynote(int month, int day, int year, int type, const QString& text = QStringLiteral("note"));
// The index of the day's daynote in the program's array, or -1; its stored text, empty without one.
int     NoteIndex(double date);
QString StoredText(double date);
// Empties the text control as a user would: select all, then Delete.
void ClearText(QWidget* view);
// What assistive technology reads as the widget's name (or another of its texts); empty without an interface.
QString AccessibleText(QWidget* widget, int text = 0);

// --- core ---
#include <QApplication>
#include <QDBusConnection>
#include <QDate>
#include <QObject>
#include <QTest>
#include <QTime>
#include <QUrl>
#include <QVariantMap>

// The local moment of the day and time on the program's clock (seconds and milliseconds included).
double AbsTime(const QDate& date, const QTime& time = QTime(0, 0));
// A whole file's bytes, empty when it cannot be read; a whole file written, false when that fails.
QByteArray ReadBytes(const QString& path);
bool       WriteBytes(const QString& path, const QByteArray& bytes);
// Runs the command (a four-letter code) and waits for the window it opens or brings forward; null when none
// comes.
QWidget* OpenByCommand(const char* code, int windowId);
// Disposes of every window with a number, hidden ones too, and lets Qt delete them.
void DisposeAllWindows();
// The tooltip the widget shows when the pointer rests on it, or an empty text.
QString ShownTip(QWidget* widget);

// Takes the URLs the program hands to the desktop for the scheme (http, mailto, file), for its lifetime.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    explicit UrlRecorder(const QString& scheme);
    ~UrlRecorder() override;
    QList<QUrl> opened;

  public slots:
    void Open(const QUrl& url) { opened << url; }

  private:
    QString scheme;
};

// A dock on the session bus, on a connection of its own: the last launcher entry update the program sent.
class LauncherBadge : public QObject {
    Q_OBJECT

  public:
    QVariantMap last;
    // Starts listening; false when the bus refuses.
    bool Listen();

  public slots:
    void OnUpdate(const QString&, const QVariantMap& properties) { last = properties; }

  private:
    QDBusConnection bus{QString()};
};

// main() of a test that wants its own session bus and private home, both made before the application.
#define QTEST_MAIN_PRIVATE_BUS(TestObject)                                                                   \
    int main(int argc, char** argv) {                                                                        \
        if (!StartPrivateSessionBus() || UsePrivateHome().isEmpty()) qFatal("no private session bus");       \
        QApplication app(argc, argv);                                                                        \
        TestObject   test;                                                                                   \
        return QTest::qExec(&test, argc, argv);                                                              \
    }

// --- notes ---
// What nearly every GUI test names: the program's state, dates, commands, windows and test clock, and the
// zone and locale scopes.
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/records.h"
#include "core/window_ids.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"
#include "platform/file_dialogs.h"
#include "platform/windows.h"

#include <QTest>

#include <QJsonObject>
#include <QObject>
#include <QUrl>
#include <QVariantMap>

// Clicks the control of the window given by number as a user would (ClickIn below takes the window).
void ClickIn(int windowId, int controlId);
// Focuses the text control and types at the end of its text.
void TypeAtEnd(QWidget* view, const QString& text);
// Closes the window as its close box does and lets Qt finish with it.
void CloseAndSettle(QWidget* window);
// The titles of the open daynote windows, sorted; disposing of them says how many there were.
QStringList DaynoteWindowTitles();
qsizetype   DisposeDaynoteWindows();
// Clicks the list's column title, as often as asked.
void ClickColumnTitle(QWidget* list, int column, int clicks = 1);
// Standard daynotes from (date, text) pairs, in the order given.
RecordArray DaynotesOf(const QList<std::pair<double, QString>>& notes);
// The type of the day's daynote in the program's array, 0 without one.
int StoredType(double date);
// What one of the tests' Python readers (tests/NAME) prints as JSON for the file; empty when it fails.
QJsonObject PythonReading(const QString& script, const QString& path);

// Answers the program's file dialogs with the path given, and keeps what they asked.
struct DialogAnswer {
    QList<OpenFileRequest> asked;
    OpenFilePresenter      previous;
    explicit DialogAnswer(const QString& answer);
    ~DialogAnswer();
};

// The desktop on the private session bus, on a connection of its own: a notification server, a dock that
// listens to the launcher entry's badge, and a handler for URLs of the schemes it is given.
class FakeDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    QStringList posted; // "summary|body"
    QVariantMap badge;  // the launcher entry's last update
    QList<QUrl> opened; // URLs handed to the desktop

    // With notifications, also claims the notification server's name.
    bool Serve(bool notifications);
    void HandleUrls(const QString& scheme);
    void StopHandlingUrls(const QString& scheme);
    ~FakeDesktop() override;

  public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    uint        Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                       const QStringList&, const QVariantMap&, int);
    void        OnUpdate(const QString&, const QVariantMap& properties) { badge = properties; }
    void        HandleUrl(const QUrl& url) { opened << url; }

  private:
    QStringList schemes;
};

// --- calendar ---
// The program's headers nearly every window test needs, so that each test names only its own.
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/clock.h"
#include "platform/windows.h"

#include <QDBusConnection>
#include <QPoint>
#include <QTest>
#include <QVariantMap>
#include <initializer_list>
#include <tuple>
#include <utility>

// Clicks the window's control with the left button, in its middle unless told where.
void ClickIn(QWidget* window, int id, Qt::KeyboardModifiers modifiers = {}, QPoint at = QPoint());
// Moves the test clock on by the seconds; runs the program's periodic tick once.
void Advance(double seconds);
void TickOnce();
// A file's contents as UTF-8 text, empty when it cannot be read.
QString ReadText(const QString& path);
// The day's daynote text, or "(none)" without a daynote.
QString NoteOn(double date);
// The first document window with the title, or null.
QWidget* WindowTitled(const QString& title);

// Rows of a data-driven test, each one value of the test's own Row type (a tuple or a struct) in one column
// ("row" unless told): AddRows<Row>({{"name", {...}}, ...}) in foo_data(), and in foo() FETCH_ROW(Row, a, b)
// names the parts of the row.
template <class Row>
void AddRows(std::initializer_list<std::pair<const char*, Row>> rows, const char* column = "row") {
    QTest::addColumn<Row>(column);
    for (const auto& [name, row] : rows) QTest::newRow(name) << row;
}

#define FETCH_ROW(Row, ...)                                                                                  \
    QFETCH(Row, row);                                                                                        \
    const auto& [__VA_ARGS__] = row

// A notification server on the session bus, on a connection of its own: what the desktop was asked to show.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    QStringList posted; // "summary|body"
    // Takes the server's name on the session bus; false when that fails.
    bool Serve();

  public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    uint        Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                       const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);

  private:
    QDBusConnection bus{QString()};
};

// --- trima ---
#include "core/records.h"

#include <QList>
#include <tuple>

// The control of the window given by number, null when either is missing.
QWidget* ControlOf(int windowId, int controlId);
// Closes the window given by number as its close box does, then disposes of it.
void CloseById(int windowId);
// Writes the iCalendar text (CR line ends are fine) to a temporary file of the name and imports it as the
// command does.
void ImportCalendarText(const QString& fileName, const QString& text);
// Adds the year's holidays through the Holidays window: the command, the year typed, the button.
void CreateHolidays(const QString& year);
// Writes the events file from (name, date, elapsed-time unit) triples.
void WriteEvents(const QList<std::tuple<QString, double, int>>& events);
// Makes the events of the rows (from 1) daynotes with the event list's button, then closes the list.
void EventsToDaynotes(const QList<int>& rows);
// Restores from a backup of the program's array in which the record at the index holds the text, as one
// change.
void RestoreWithText(int index, const QString& text);

// --- windows ---
#include <functional>
#include <span>

// Every window a menu command opens, and every sheet a button of such a window opens, named by its
// definition; `boxes` are check boxes of a sheet that, ticked, enable the rest of its controls.
struct WindowOpener {
    const char* definition;
    const char* command;
    int         window, button = 0, sheet = 0;
    int         boxes[2] = {};
};
std::span<const WindowOpener> WindowOpeners();
// Opens the window or sheet of an opener; `opened` runs on the window before the button of a sheet is
// pressed, and the sheet's boxes are ticked when `tickBoxes`.
QWidget* OpenByOpener(const WindowOpener& opener, bool tickBoxes = false,
                      const std::function<void(QWidget*)>& opened = {});

// --- trim2 ---
#include <QFile>
#include <QMetaType>
#include <functional>

// Points XDG_DATA_HOME at the folder for its lifetime, and back also when a check fails on the way.
struct DataHomeScope {
    QByteArray saved = qgetenv("XDG_DATA_HOME");
    explicit DataHomeScope(const QString& folder) { qputenv("XDG_DATA_HOME", QFile::encodeName(folder)); }
    ~DataHomeScope() { qputenv("XDG_DATA_HOME", saved); }
};

// What a data row does: a change made as the program makes it.
using Change = std::function<void()>;
Q_DECLARE_METATYPE(Change)
// Imports, as the command does, a calendar of all-day entries given as (yyyyMMdd, summary) pairs.
void ImportAllDayEntries(const QString& fileName, const QList<std::pair<QString, QString>>& entries);
// The daynote list window, opened if need be, with the row (from 1) selected.
void SelectListRow(int row);

// --- trim1 ---
#include <QString>
#include <functional>

// Opens the window or sheet of the definition as the program does: those of WindowOpeners() (tickBoxes and
// opened as for OpenByOpener), the Calendar, a twelve-month window of 2026 (12MonthCalWnd), and the daynote
// window of 15 December 2026 with its sheets (Daynote, ReminderSheet, Recurring). Null for another name.
QWidget* OpenDefinition(const QString& definition, bool tickBoxes = false,
                        const std::function<void(QWidget*)>& opened = {});
