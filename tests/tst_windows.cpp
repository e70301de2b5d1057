// The window and control layer on real offscreen windows: finding by number, values, routed events and the
// internal-error path.
#include "helpers/test_support.h"
#include "platform/fatal.h"

#include <QFile>
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

using ChangeRow = std::tuple<int, int, QString>;
using RoutedRow = std::tuple<int, int, bool>;

class TestWindows : public QObject {
    Q_OBJECT

    QPointer<QWidget> panel;
    QStringList       events;

    QWidget* Control(int id) { return FindControl(panel, id); }

  private slots:
    void initTestCase() {
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

    // A radio button reports as its group; typing in a field or a text view raises a text change.
    void userChanges() {
        QTest::mouseClick(Control(294)->findChildren<QWidget*>().at(1), Qt::LeftButton);
        QCOMPARE(GetControlValue(Control(294)), 2);
        QTest::keyClicks(Control(309), u"a"_s);
        Control(233)->setFocus();
        QTest::keyClicks(Control(233), u"x"_s);
        QCOMPARE(events, (QStringList{Event(ControlHit, 294), Event(ControlTextChanged, 309),
                                      Event(ControlTextChanged, 233)}));
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
