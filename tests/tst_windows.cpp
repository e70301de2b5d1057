// The window and control layer on real offscreen windows: finding by number, values, routed events, key
// filters (typed keys, editing keys, shortcuts and pasted text, with the beeps heard) and the internal-error
// path.
#include "helpers/test_support.h"
#include "platform/beep.h"
#include "platform/fatal.h"
#include "platform/key_filters.h"

#include <QClipboard>

#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// A routed control event as "kind id modifiers".
static QString Event(int kind, int id, unsigned modifiers = 0) {
    return u"%1 %2 %3"_s.arg(kind).arg(id).arg(modifiers);
}

struct Typing {
    KeyFilter filter;
    QString   start, clipboard, keys, result;
    int       beeps;
};

// Keys as a short script: "\b" backspace, "<" and ">" the arrows, "^a" and "^v" Ctrl+A and Ctrl+V; anything
// else types itself.
static void Press(QWidget* field, const QString& keys) {
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const char c = keys[i].toLatin1();
        if (c == '\b' || c == '<' || c == '>')
            QTest::keyClick(field, c == '\b' ? Qt::Key_Backspace : c == '<' ? Qt::Key_Left : Qt::Key_Right);
        else if (c == '^')
            QTest::keyClick(field, keys[++i].toLatin1(), Qt::ControlModifier);
        else
            QTest::keyClick(field, c);
    }
}

using ChangeRow = std::tuple<int, int, QString>;
using RoutedRow = std::tuple<int, int, bool>;

class TestWindows : public QObject {
    Q_OBJECT

    QPointer<QWidget> panel;
    QStringList       events;

    QWidget* Control(int id) { return FindControl(panel, id); }

  private slots:
    void initTestCase() {
        UsePrivateHome();
        AddDefinitionFolder(TestDefinitionFolder());
        EventSinks sinks;
        sinks.control = [this](int kind, int id, unsigned mods) {
            if (kind != ControlTrackEnter && kind != ControlTrackExit && kind != ControlFocusSet)
                events << Event(kind, id, mods);
            return EventHandled;
        };
        SetEventSinks(sinks);
    }

    void init() {
        panel = MakeTestPanel(60);
        QVERIFY(panel && panel->isVisible());
        events.clear();
    }

    void cleanup() {
        DisposeWindow(panel);
        QTRY_VERIFY(panel.isNull());
    }

    // A disposed window is gone from the search at once, before Qt deletes it.
    void disposedWindowIsNotFound() {
        QWidget* other = MakeTestPanel(61, false);
        QCOMPARE(FindWindowById(61), other);
        DisposeWindow(other);
        QCOMPARE(FindWindowById(61), nullptr);
        QCOMPARE(FindWindowById(60), panel.data());
    }

    // Each kind of control maps the program's numbers and texts its own way; none of these changes may
    // look like the user's, or every refresh would run the control's action.
    void programChanges_data() { // value -1: set the text instead
        AddRows<ChangeRow>({
            {"check box: any non-zero is on", {322, 7, u"1"_s}},
            {"pop-up: chosen by its text", {260, -1, u"years"_s}},
            {"text view: two lines", {233, -1, u"line one\nline two"_s}},
        });
    }
    void programChanges() {
        FETCH_ROW(ChangeRow, id, value, text); // text: the value expected back, or the text set
        if (value >= 0) {
            SetControlValue(Control(id), value);
            QCOMPARE(QString::number(GetControlValue(Control(id))), text);
        } else {
            SetControlText(Control(id), text);
            QCOMPARE(GetControlText(Control(id)), text);
        }
        QVERIFY(events.isEmpty());
    }

    void routedEvents_data() { // kind 0: nothing
        AddRows<RoutedRow>({
            {"button hit with Ctrl as Option", {313, ControlHit, true}},
            {"label click", {54, ControlClick, false}},
            {"disabled label: nothing", {54, 0, false}},
        });
    }
    void routedEvents() {
        FETCH_ROW(RoutedRow, id, kind, ctrl);
        if (!kind) SetControlEnabled(Control(id), false);
        QTest::mouseClick(Control(id), Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier,
                          QPoint(4, Control(id)->height() / 2));
        QCOMPARE(events,
                 kind ? QStringList{Event(kind, id, ctrl ? unsigned(ModOption) : 0u)} : QStringList{});
    }

    void keyFilters_data() {
        QTest::addColumn<Typing>("row");
        const QString x37(37, u'x'), x39(39, u'x'), x40(40, u'x'), p40(40, u'p');
        QTest::newRow("third digit refused") << Typing{TwoDigitFilter, "", "", "123", "12", 1};
        QTest::newRow("letter in a full field beeps twice") << Typing{TwoDigitFilter, "12", "", "a", "12", 2};
        QTest::newRow("Ctrl shortcut in a full field") << Typing{TwoDigitFilter, "12", "", "^a\b7", "7", 0};
        QTest::newRow("40th character") << Typing{TextFilter40, x39, "", "y", x39 + "y", 0};
        QTest::newRow("41st character refused") << Typing{TextFilter40, x40, "", "yz", x40, 2};
        QTest::newRow("40th character refused at 39") << Typing{TextFilter39, x39, "", "y", x39, 1};
        QTest::newRow("backspace and arrow at 39") << Typing{TextFilter39, x39, "", "\b<y", x37 + "yx", 0};
        QTest::newRow("paste keeps what fits") << Typing{TwoDigitFilter, "", "12a", "^v", "12", 1};
        QTest::newRow("paste keeps the digits") << Typing{FourDigitFilter, "", "a1b2c3", "^v", "123", 1};
        QTest::newRow("long paste cut at 40") << Typing{TextFilter40, "", p40 + "ppppp", "^v", p40, 1};
        QTest::newRow("text already there") << Typing{TwoDigitFilter, "123", "", "", "12", 1};
    }
    void keyFilters() {
        QFETCH(Typing, row);
        QWidget* field = Control(309);
        SetControlText(field, row.start);
        const int before = BeepCount();
        InstallKeyFilter(panel, 309, row.filter);
        QApplication::clipboard()->setText(row.clipboard);
        QVERIFY(QTest::qWaitForWindowActive(panel));
        field->setFocus();
        static_cast<QLineEdit*>(field)->end(false);
        Press(field, row.keys);
        QCOMPARE(GetControlText(field), row.result);
        QCOMPARE(BeepCount() - before, row.beeps);
    }

    // The internal-error path ends the process with status 70 after saving the user's work and naming it.
    void internalErrorSavesAndExits() {
        QTemporaryDir dir;
        const QString recovery = dir.filePath(u"VRDX DayNotes.recovered"_s);
        const QString told = dir.filePath(u"alert.txt"_s);
        const pid_t   child = fork();
        if (child == 0) {
            SetAlertPresenter([told](const AlertRequest& r) {
                WriteBytes(told, (r.message + u'|' + r.informative).toUtf8());
                return AlertFirstButton;
            });
            SetRecoveryWriter([recovery] { return WriteBytes(recovery, "saved"), recovery; });
            FatalInternalError(u"error in fn GetMonthNameFromMonthNbr"_s);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == FatalExitStatus);
        const QString text = QString::fromUtf8(ReadBytes(told));
        QVERIFY2(text.startsWith(u"error in fn GetMonthNameFromMonthNbr|"_s) && text.contains(recovery),
                 qPrintable(text));
        QVERIFY(QFile::exists(recovery));
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
