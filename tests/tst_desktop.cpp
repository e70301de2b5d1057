// The program as a Linux desktop sees it: where windows open, Hide and the way back through a second launch,
// the files a second launch hands over, the menu shortcuts and the Edit items that follow the focused text.
#include "calendar/calendar_window.h"
#include "core/app_state.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "platform/session.h"
#include "platform/windows.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDesktop : public QObject {
    Q_OBJECT

    QList<QPointer<QWidget>> made;
    QStringList              opened;

    QWidget* MakeWindow(int id) { return made.emplace_back(MakeTestPanel(id, false)); }
    // Runs the built program a second time, which hands over to this one and leaves.
    static void SecondLaunch(const QStringList& arguments, const QString& folder = QString()) {
        QProcess second;
        second.setWorkingDirectory(folder);
        second.start(BuildDir() + u"/vrdx"_s, arguments);
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitCode(), 0);
    }

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        SessionHandlers handlers; // as the program wires a second launch
        handlers.activate = ActivateApplication;
        handlers.openFiles = [this](const QStringList& paths) { opened << paths; };
        QCOMPARE(ClaimSingleInstance({}, handlers), InstanceRole::Primary);
        Prefs() = Preferences{};
    }

    void cleanup() {
        for (const QPointer<QWidget>& w : made) DisposeWindow(w);
        made.clear();
        DisposeWindow(FindWindowById(CalendarWindowId));
        QTest::qWait(0);
    }

    // The offscreen screen is 800 wide (600 or 800 high by Qt version); the window is 300 x 400.
    void savedPlace_data() {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<bool>("restored");
        QTest::newRow("all zero") << QRect() << false;
        QTest::newRow("off screen left") << QRect(-500, 100, 300, 400) << false;
        QTest::newRow("partly on screen, half the title bar") << QRect(650, 100, 300, 400) << true;
    }
    void savedPlace() {
        QFETCH(QRect, saved);
        QFETCH(bool, restored);
        QWidget* w = MakeWindow(TimeLogWindowId); // a window without size limits
        w->resize(300, 400);
        QCOMPARE(RestoreWindowPlace(w, saved), restored);
        // Unless restored, the window manager chooses the place: the program must not have set one.
        QCOMPARE(w->testAttribute(Qt::WA_Moved), restored);
        ShowWindow(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        if (restored) QCOMPARE(GetWindowContentBounds(w).topLeft(), saved.topLeft());
    }

    void hideThenSecondLaunchBringsEverythingBack() {
        ShowCalendar();
        QList<QWidget*> shown{FindWindowById(CalendarWindowId), MakeWindow(12), MakeWindow(15)};
        for (QWidget* w : shown) {
            ShowWindow(w);
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
        RunCommand(MakeFourCC("hide"));
        for (QWidget* w : shown) QVERIFY(w->isMinimized());
        SecondLaunch({}); // without files: Activate over the session bus
        for (QWidget* w : shown) {
            QTRY_VERIFY(!w->isMinimized());
            QVERIFY(IsWindowVisible(w));
        }
        QCOMPARE(DocumentWindows().first(), FindWindowById(CalendarWindowId));
    }

    // Relative paths arrive absolute: the running copy has another working folder.
    void secondLaunchHandsOverItsFiles() {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(u"a note with blanks"_s)).open(QIODevice::WriteOnly));
        SecondLaunch({u"a note with blanks"_s}, dir.path());
        QTRY_COMPARE(opened, QStringList{dir.filePath(u"a note with blanks"_s)});
    }

    void menus() {
        QStringList       titles, items; // items as "code menu shortcut", in menu order
        const QStringList checked{"save", "hide", "clos", "quit", "copy", "SCal"};
        for (QAction* m : MakeWindow(9)->findChild<QMenuBar*>()->actions()) {
            const QString title = m->text().remove(u'&');
            titles << title;
            QVERIFY2(!m->menu()->actions().isEmpty(), qPrintable(title)); // no empty stubs
            for (QAction* a : m->menu()->actions())
                if (checked.contains(a->property("commandCode").toString()))
                    items << a->property("commandCode").toString() + u' ' + title + u' ' +
                                 a->shortcut().toString();
        }
        QCOMPARE(titles.mid(0, 2), (QStringList{"File", "Edit"}));
        QCOMPARE(items, (QStringList{"save File Ctrl+S", "hide File Ctrl+H", "clos File Ctrl+W",
                                     "quit File Ctrl+Q", "copy Edit Ctrl+C", "SCal Calendar Ctrl+1"}));
    }

    void editItems_data() {
        QTest::addColumn<int>("control"); // 0 none, 309 a text field, 233 a text view
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("how"); // set or typed; selected; read-only; password
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("enabled");
        const auto row = [](const char* name, int control, const char* text, const char* how,
                            const char* clipboard, const QStringList& enabled) {
            QTest::newRow(name) << control << text << how << clipboard << enabled;
        };
        row("no text has the focus", 0, "", "", "x", {});
        row("read-only field with selected text", 309, "abc", "set selected read-only", "x",
            {"copy", "sall"});
        row("password selected: deleted, never copied", 309, "abc", "set selected password", "",
            {"clea", "sall"});
        row("typed into a text view: undo", 233, "ab", "typed", "", {"undo", "sall"});
        row("text view with selected text", 233, "abc", "set selected", "x",
            {"cut ", "copy", "past", "clea", "sall"});
    }
    void editItems() {
        QFETCH(int, control);
        QFETCH(QString, text);
        QFETCH(QString, how);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, enabled);
        QGuiApplication::clipboard()->setText(clipboard);
        QWidget* w = MakeWindow(12);
        ShowWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        FindControl(w, 322)->setFocus(); // a check box: not text
        if (QWidget* view = FindControl(w, control)) {
            SetFocusToControl(view);
            QTRY_COMPARE(QApplication::focusWidget(), view);
            if (auto* line = qobject_cast<QLineEdit*>(view)) {
                if (how.contains(u"password"_s)) line->setEchoMode(QLineEdit::Password);
                line->setReadOnly(how.contains(u"read-only"_s));
            }
            if (how.contains(u"typed"_s))
                QTest::keyClicks(view, text);
            else
                SetControlText(view, text);
            if (how.contains(u"selected"_s)) RunCommand(MakeFourCC("sall"));
        }
        QStringList actual;
        for (QString code : {"undo", "redo", "cut ", "copy", "past", "clea", "sall"})
            if (IsCommandEnabled(FourCCFromText(code))) actual << code;
        QCOMPARE(actual, enabled);
    }
};

int main(int argc, char** argv) {
    if (!StartPrivateSessionBus()) qFatal("no dbus-daemon");
    QApplication app(argc, argv);
    TestDesktop  test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
