// Shared by the GUI tests: a private session bus, recorded alerts and control events, test windows.
#pragma once

#include "platform/alerts.h"

#include <QList>
#include <QString>

class QWidget;

// Starts a dbus-daemon of our own and points DBUS_SESSION_BUS_ADDRESS at it, so that tests claiming the
// program's bus name never meet another test or a running copy. Call before the QApplication exists.
bool StartPrivateSessionBus();

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
