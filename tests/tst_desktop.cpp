// The program as a Linux desktop sees it: where windows open, Hide and the way back through a second launch,
// the files a second launch hands over, the menu shortcuts and the Edit items that follow the focused text.
#include "calendar/calendar_window.h"
#include "helpers/test_support.h"
#include "platform/session.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {
struct EditCase {
    int         control; // 0 none, 309 a text field, 233 a text view
    QString     text, how /* set or typed; selected; read-only; password */, clipboard;
    QStringList enabled;
};
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    QStringList opened;

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

    void cleanup() { DisposeAllWindows(); }

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
        QWidget* w = MakeTestPanel(TimeLogWindowId, false); // a window without size limits
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
        QVERIFY(QTest::qWaitForWindowExposed(FindWindowById(CalendarWindowId)));
        const QList<QWidget*> shown{FindWindowById(CalendarWindowId), MakeTestPanel(12), MakeTestPanel(15)};
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
        for (QAction* m : MakeTestPanel(9, false)->findChild<QMenuBar*>()->actions()) {
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
        QTest::addColumn<EditCase>("row");
        QTest::newRow("no text has the focus") << EditCase{0, "", "", "x", {}};
        QTest::newRow("read-only field with selected text")
            << EditCase{309, "abc", "set selected read-only", "x", {"copy", "sall"}};
        QTest::newRow("password selected: deleted, never copied")
            << EditCase{309, "abc", "set selected password", "", {"clea", "sall"}};
        QTest::newRow("typed into a text view: undo") << EditCase{233, "ab", "typed", "", {"undo", "sall"}};
        QTest::newRow("text view with selected text")
            << EditCase{233, "abc", "set selected", "x", {"cut ", "copy", "past", "clea", "sall"}};
    }
    void editItems() {
        QFETCH(EditCase, row);
        QGuiApplication::clipboard()->setText(row.clipboard);
        QWidget* w = MakeTestPanel(12);
        QVERIFY(QTest::qWaitForWindowActive(w));
        FindControl(w, 322)->setFocus(); // a check box: not text
        if (QWidget* view = FindControl(w, row.control)) {
            SetFocusToControl(view);
            QTRY_COMPARE(QApplication::focusWidget(), view);
            if (auto* line = qobject_cast<QLineEdit*>(view)) {
                if (row.how.contains(u"password"_s)) line->setEchoMode(QLineEdit::Password);
                line->setReadOnly(row.how.contains(u"read-only"_s));
            }
            if (row.how.contains(u"typed"_s))
                QTest::keyClicks(view, row.text);
            else
                SetControlText(view, row.text);
            if (row.how.contains(u"selected"_s)) RunCommand(MakeFourCC("sall"));
        }
        QStringList actual;
        for (QString code : {"undo", "redo", "cut ", "copy", "past", "clea", "sall"})
            if (IsCommandEnabled(FourCCFromText(code))) actual << code;
        QCOMPARE(actual, row.enabled);
    }
};

QTEST_MAIN_PRIVATE_BUS(TestDesktop)

#include "tst_desktop.moc"
