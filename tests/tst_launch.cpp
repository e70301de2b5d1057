// Start-up with the first window on screen before the daynotes are in: the daynote file read on a worker,
// the second half of the start-up after the first paint or before the first input, and the first change
// after it an undo step of its own.
#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/plist.h"
#include "core/startup.h"
#include "core/undo.h"
#include "helpers/test_support.h"
#include "platform/launch_gate.h"

#include <QDir>
#include <QTest>
#include <QUndoStack>
#include <QWidget>

#include <algorithm>
#include <atomic>

namespace {

const QByteArray Damaged = "<?xml version=\"1.0\"?><plist><array><dict><key>NoteDataKey</key>";

// Three daynotes, on 1, 2 and 3 December 2026, the second with a reminder.
RecordArray ThreeDaynotes() {
    RecordArray notes;
    for (int day = 1; day <= 3; ++day)
        SetDaynote(notes, day - 1, QStringLiteral("day %1").arg(day), AbsTime(QDate(2026, 12, day)),
                   NoteStandard, {});
    SetRecordDate(notes, 1, ReminderDateKey, AbsTime(QDate(2030, 1, 1)));
    return notes;
}

QString DaynoteFile() {
    return GetDataFileURL(DaynoteFileName);
}

void PutDaynoteFile(const QByteArray& bytes) {
    QFile::remove(DaynoteFile());
    QDir().mkpath(QFileInfo(DaynoteFile()).path());
    if (!bytes.isNull()) QVERIFY(WriteBytes(DaynoteFile(), bytes));
}

// Says which of the gate and the window saw an event first.
class Seen : public QObject {
  public:
    QStringList* order;
    explicit Seen(QStringList* order) : order(order) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) *order << QStringLiteral("paint");
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress ||
            event->type() == QEvent::Close)
            *order << QStringLiteral("window");
        return false;
    }
};

} // namespace

class tst_Launch : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { UsePrivateHome(); }
    void cleanup() { DisposeAllWindows(); }

    // Read on a worker, the file ends as one read at once does: none is an empty array, a good one its
    // records, a damaged one is moved aside with a warning; finished before the worker is done, it waits.
    void readOnWorker_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("waitForWorker");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("alerts");
        const QByteArray good = WritePropertyList(Value(ThreeDaynotes()));
        RecordArray      reversed = ThreeDaynotes();
        std::reverse(reversed.begin(), reversed.end());
        const QByteArray unsorted = WritePropertyList(Value(reversed));
        QTest::newRow("no file") << QByteArray() << true << 0 << 0;
        QTest::newRow("three daynotes, worker done") << good << true << 3 << 0;
        QTest::newRow("three daynotes, finished at once") << good << false << 3 << 0;
        QTest::newRow("out of order, sorted on the worker") << unsorted << true << 3 << 0;
        QTest::newRow("out of order, sorted when finished at once") << unsorted << false << 3 << 0;
        QTest::newRow("damaged file") << Damaged << true << 0 << 1;
    }
    void readOnWorker() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, waitForWorker);
        QFETCH(int, records);
        QFETCH(int, alerts);
        PutDaynoteFile(bytes);
        AlertRecorder recorder;
        bool          told = false;
        // The preparation runs once, wherever the reading happened.
        std::atomic<int>         prepared = 0;
        const DaynotePreparation prepare = [&prepared](RecordArray& daynotes) {
            ++prepared;
            return SortDaynotes(daynotes);
        };
        StartReadingDaynoteFile(DaynoteFileName, prepare, [&told] { told = true; });
        if (waitForWorker) QTRY_VERIFY(told);
        RecordArray read = ThreeDaynotes(); // whatever was there goes
        QVERIFY(FinishReadingDaynoteFile(DaynoteFileName, prepare, &read));
        QCOMPARE(prepared.load(), records ? 1 : 0);
        QCOMPARE(int(read.size()), records);
        if (records) QVERIFY(read == ThreeDaynotes());
        QCOMPARE(recorder.alerts.size(), alerts);
        QCOMPARE(QFileInfo::exists(DaynoteFile()), !bytes.isNull() && alerts == 0);
        QTRY_VERIFY(told); // also when finished first: the call still comes, harmlessly
    }

    // The second half of the start-up runs once, before the first input or close reaches any window; a
    // stopped watch never runs it.
    void beforeFirstInput_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("mouse press") << "mouse" << false;
        QTest::newRow("key press") << "key" << false;
        QTest::newRow("window closed") << "close" << false;
        QTest::newRow("watch stopped first") << "mouse" << true;
    }
    void beforeFirstInput() {
        QFETCH(QString, input);
        QFETCH(bool, stopped);
        QStringList order;
        QWidget     window;
        Seen        seen(&order);
        window.installEventFilter(&seen);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        order.clear();
        BeforeFirstInput([&order] { order << QStringLiteral("gate"); });
        if (stopped) StopWatchingInput();
        for (int twice = 0; twice < 2; ++twice) {
            if (input == QLatin1String("mouse")) QTest::mouseClick(&window, Qt::LeftButton);
            if (input == QLatin1String("key")) QTest::keyClick(&window, Qt::Key_A);
            if (input == QLatin1String("close")) {
                window.show();
                window.close();
            }
        }
        order.removeAll(QStringLiteral("paint"));
        const QStringList window2{QStringLiteral("window"), QStringLiteral("window")};
        QCOMPARE(order, stopped ? window2 : QStringList{QStringLiteral("gate")} + window2);
    }

    // With a window on screen the rest waits for its paint; with none it comes from the event loop.
    void afterFirstPaint_data() {
        QTest::addColumn<bool>("window");
        QTest::newRow("calendar shown") << true;
        QTest::newRow("nothing shown") << false;
    }
    void afterFirstPaint() {
        QFETCH(bool, window);
        QStringList order;
        QWidget     shown;
        Seen        seen(&order);
        shown.installEventFilter(&seen);
        if (window) shown.show();
        AfterFirstPaint([&order] { order << QStringLiteral("rest"); });
        QVERIFY(order.isEmpty()); // never inside the call
        QTRY_VERIFY(order.contains(QStringLiteral("rest")));
        QCOMPARE(order.first(), window ? QStringLiteral("paint") : QStringLiteral("rest"));
    }

    // The first change after a start-up with daynotes is one undo step of its own: undone, the array is the
    // file's again, not empty and not without the daynotes the start-up brought in.
    void firstChangeUndoable_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("a day added") << "add";
        QTest::newRow("a day's text changed") << "text";
        QTest::newRow("a day deleted") << "delete";
        QTest::newRow("a reminder removed") << "reminder";
    }
    void firstChangeUndoable() {
        QFETCH(QString, change);
        PutDaynoteFile(WritePropertyList(Value(ThreeDaynotes())));
        App() = AppState{};
        DaynoteUndoStack().clear();
        AlertRecorder recorder;
        QVERIFY(InitializeApplication());
        QVERIFY(App().daynotes == ThreeDaynotes());
        {
            DaynoteChangeScope scope;
            RecordArray&       notes = App().daynotes;
            if (change == QLatin1String("add"))
                SetDaynote(notes, 3, QStringLiteral("day 4"), AbsTime(QDate(2026, 12, 4)), NoteStandard, {});
            if (change == QLatin1String("text"))
                SetRecordValue(notes, 0, NoteDataKey, Value(QStringLiteral("x")));
            if (change == QLatin1String("delete")) RemoveRecord(notes, 2);
            if (change == QLatin1String("reminder")) RemoveReminderFields(notes, 1);
        }
        QCOMPARE(DaynoteUndoStack().count(), 1);
        QVERIFY(App().daynotes != ThreeDaynotes());
        QVERIFY(UndoDaynoteChange());
        QVERIFY(App().daynotes == ThreeDaynotes());
        QVERIFY(RedoDaynoteChange());
        QCOMPARE(App().daynotes.size(), size_t(change == QLatin1String("add")      ? 4
                                               : change == QLatin1String("delete") ? 2
                                                                                   : 3));
    }
};

QTEST_MAIN(tst_Launch)
#include "tst_launch.moc"
