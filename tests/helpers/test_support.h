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
