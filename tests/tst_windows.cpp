// The window and control layer on real offscreen windows: finding by number, values, routed events and the
// internal-error path.
#include "core/records.h"
#include "helpers/test_support.h"
#include "platform/alerts.h"
#include "platform/fatal.h"
#include "platform/windows.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <sys/wait.h>
#include <unistd.h>

struct RecordedEvent {
    int      kind;
    int      id;
    unsigned modifiers;
    bool     operator==(const RecordedEvent&) const = default;
};
Q_DECLARE_METATYPE(RecordedEvent)
char* toString(const RecordedEvent& e) {
    return QTest::toString(
        QStringLiteral("(kind %1, id %2, mods %3)").arg(e.kind).arg(e.id).arg(e.modifiers));
}

class TestWindows : public QObject {
    Q_OBJECT

    QPointer<QWidget>    panel;
    QList<RecordedEvent> events;
    QList<int>           contextClicks;

    QWidget* Control(int id) { return FindControl(panel, id); }

  private slots:
    void initTestCase() {
        AddDefinitionFolder(TestDefinitionFolder());
        EventSinks sinks;
        sinks.control = [this](int kind, int id, unsigned mods) {
            if (kind != ControlTrackEnter && kind != ControlTrackExit && kind != ControlFocusSet)
                events << RecordedEvent{kind, id, mods};
            return EventHandled;
        };
        sinks.contextClick = [this](int id, QWidget*, QPoint) {
            contextClicks << id;
            return EventHandled;
        };
        SetEventSinks(sinks);
    }

    void init() {
        panel = CreateWindowFromDefinition(QStringLiteral("TestPanel"));
        QVERIFY(panel);
        SetWindowId(panel, 60);
        ShowWindow(panel);
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        events.clear();
        contextClicks.clear();
    }

    void cleanup() {
        DisposeWindow(panel);
        QTRY_VERIFY(panel.isNull());
    }

    void findByNumber() {
        QCOMPARE(FindWindowById(60), panel.data());
        QCOMPARE(GetWindowId(panel), 60);
        QCOMPARE(FindWindowById(61), nullptr);
        for (int id : {313, 322, 294, 260, 309, 233, 54}) {
            QVERIFY2(Control(id), qPrintable(QString::number(id)));
            QCOMPARE(GetControlId(Control(id)), id);
        }
        QCOMPARE(Control(999), nullptr);
        QCOMPARE(CreateWindowFromDefinition(QStringLiteral("NoSuchDefinition")), nullptr);
        // A disposed window is gone from the search at once, before Qt deletes it.
        QWidget* other = CreateWindowFromDefinition(QStringLiteral("TestPanel"));
        SetWindowId(other, 61);
        QCOMPARE(FindWindowById(61), other);
        DisposeWindow(other);
        QCOMPARE(FindWindowById(61), nullptr);
    }

    // Each kind of control maps the program's numbers and texts its own way; none of these changes may
    // look like the user's, or every refresh would run the control's action.
    void programChanges_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("value"); // -1: set the text instead
        QTest::addColumn<QString>("text");
        QTest::newRow("check box: any non-zero is on") << 322 << 7 << QStringLiteral("1");
        QTest::newRow("radio group: 3 of 3") << 294 << 3 << QStringLiteral("3");
        QTest::newRow("radio group: none") << 294 << 0 << QStringLiteral("0");
        QTest::newRow("pop-up: item 3") << 260 << 3 << QStringLiteral("3");
        QTest::newRow("pop-up: chosen by its text") << 260 << -1 << QStringLiteral("years");
        QTest::newRow("text view: two lines") << 233 << -1 << QStringLiteral("line one\nline two");
        QTest::newRow("field: empty") << 309 << -1 << QString();
    }
    void programChanges() {
        QFETCH(int, id);
        QFETCH(int, value);
        QFETCH(QString, text); // the value expected back, or the text set
        if (value >= 0) {
            SetControlValue(Control(id), value);
            QCOMPARE(QString::number(GetControlValue(Control(id))), text);
        } else {
            SetControlText(Control(id), text);
            QCOMPARE(GetControlText(Control(id)), text);
        }
        QVERIFY(events.isEmpty());
    }

    void routedEvents_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("ctrl");
        QTest::newRow("button hit") << 313 << int(ControlHit) << false;
        QTest::newRow("button hit with Ctrl as Option") << 313 << int(ControlHit) << true;
        QTest::newRow("check box hit") << 322 << int(ControlHit) << false;
        QTest::newRow("label click") << 54 << int(ControlClick) << false;
        QTest::newRow("label click with Ctrl as Option") << 54 << int(ControlClick) << true;
    }
    void routedEvents() {
        QFETCH(int, id);
        QFETCH(int, kind);
        QFETCH(bool, ctrl);
        // Near the left edge: a check box answers only on its box and label.
        QTest::mouseClick(Control(id), Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier,
                          QPoint(4, Control(id)->height() / 2));
        QCOMPARE(events, (QList<RecordedEvent>{{kind, id, ctrl ? unsigned(ModOption) : 0u}}));
    }

    void radioGroupReportsAsGroup() {
        QWidget* second = Control(294)->findChildren<QWidget*>().at(1);
        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(events, (QList<RecordedEvent>{{ControlHit, 294, 0}}));
        QCOMPARE(GetControlValue(Control(294)), 2);
    }

    void typingRaisesTextChanged() {
        QTest::keyClicks(Control(309), QStringLiteral("ab"));
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.first(), (RecordedEvent{ControlTextChanged, 309, 0}));
        events.clear();
        Control(233)->setFocus();
        QTest::keyClicks(Control(233), QStringLiteral("x"));
        QCOMPARE(events, (QList<RecordedEvent>{{ControlTextChanged, 233, 0}}));
    }

    void disabledLabelIsNotClickable() {
        SetControlEnabled(Control(54), false);
        QTest::mouseClick(Control(54), Qt::LeftButton);
        QVERIFY(events.isEmpty());
    }

    void contextClickReachesItsControl() {
        for (QWidget* target :
             {Control(54),
              static_cast<QWidget*>(Control(233)->findChild<QWidget*>("qt_scrollarea_viewport"))}) {
            QVERIFY(target);
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                                    target->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(target, &event);
        }
        QCOMPARE(contextClicks, (QList<int>{54, 233}));
    }

    void fontStyleRoundTrip() {
        NoteFontStyle style;
        style.size = 16;
        style.style = 2; // italic
        style.fgRed = int16_t(0xFFFF);
        SetControlFontStyle(Control(233), style);
        QCOMPARE(GetControlFontStyle(Control(233)), style);
        QCOMPARE(Control(233)->font().pointSize(), 16);
        QVERIFY(Control(233)->font().italic());
        QVERIFY(!Control(233)->font().bold());
        QCOMPARE(Control(233)->palette().color(QPalette::Text), QColor(255, 0, 0));
    }

    // The internal-error path ends the process with status 70 after saving the user's work and naming it.
    void internalErrorSavesAndExits() {
        QTemporaryDir dir;
        const QString recovery = dir.filePath(QStringLiteral("VRDX DayNotes.recovered"));
        const QString told = dir.filePath(QStringLiteral("alert.txt"));
        const pid_t   child = fork();
        if (child == 0) {
            SetAlertPresenter([told](const AlertRequest& r) {
                QFile f(told);
                f.open(QIODevice::WriteOnly);
                f.write((r.message + QLatin1Char('|') + r.informative).toUtf8());
                return AlertFirstButton;
            });
            SetRecoveryWriter([recovery] {
                QFile f(recovery);
                f.open(QIODevice::WriteOnly);
                f.write("saved");
                return recovery;
            });
            FatalInternalError(QStringLiteral("error in fn GetMonthNameFromMonthNbr"));
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), FatalExitStatus);
        QFile f(told);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY2(text.startsWith(QStringLiteral("error in fn GetMonthNameFromMonthNbr|Contact Developer")),
                 qPrintable(text));
        QVERIFY(text.contains(recovery));
        QVERIFY(QFile::exists(recovery));
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
