// Shared by the GUI tests.
#include "helpers/test_support.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "platform/windows.h"
#include "tools/sounds.h"

#include <QAccessible>
#include <QDir>
#include <QProcess>
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

bool StartPrivateSessionBus() {
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
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
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
