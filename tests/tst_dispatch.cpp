// Dispatch on real offscreen windows: commands by code, control rows, closing windows, the quit walk, and the
// alerts for files the program cannot open. (Paths that are no regular files: test_app_hostile_dialogs.py.)
#include "core/file_types.h"
#include "core/startup.h"
#include "helpers/test_support.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace {
QList<int> hits;
int        RecordHit(int controlId, unsigned modifiers) {
           hits << controlId << int(modifiers);
           return EventHandled;
}
using EventRow = std::tuple<int, int, bool>;

} // namespace

class TestDispatch : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }

    void cleanup() { DisposeAllWindows(); }

    void commandCodeClosesFrontSheet() {
        QWidget* owner = MakeTestPanel(20);
        QWidget* sheet = CreateSheetFromDefinition(u"TestPanel"_s, owner);
        SetWindowId(sheet, 21);
        ShowWindow(sheet);
        QVERIFY(IsWindowVisible(sheet));
        RunCommand(MakeFourCC("not!"));
        QVERIFY(!IsWindowVisible(sheet));
        QVERIFY(IsWindowVisible(owner));
    }

    // A control event goes to the first row whose range holds the control and whose kind it is.
    void controlEventReachesItsRow_data() {
        AddRows<EventRow>({
            {"first of a range", {ControlHit, 300, true}},
            {"last of a range", {ControlHit, 320, true}},
            {"just past it", {ControlHit, 321, false}},
            {"a click in the second row", {ControlClick, 54, true}},
            {"right control, wrong kind", {ControlHit, 54, false}},
        });
    }
    void controlEventReachesItsRow() {
        FETCH_ROW(EventRow, kind, id, handled);
        const ControlRow rows[] = {{300, 320, ControlHit, RecordHit}, {54, 90, ControlClick, RecordHit}};
        hits.clear();
        QCOMPARE(DispatchControlEvent(rows, kind, id, ModOption), handled ? EventHandled : EventNotHandled);
        QCOMPARE(hits, handled ? (QList<int>{id, int(ModOption)}) : QList<int>());
    }

    void closingWindows_data() {
        AddRows<bool>({{"timer sheet is kept, hidden", true}, {"monthly view is disposed of", false}},
                      "kept");
    }
    void closingWindows() {
        QFETCH(bool, kept);
        const int id = kept ? TimerSheetId : MonthlyWindowId;
        MakeTestPanel(1); // another document window stays open, so the program has a way in
        QPointer<QWidget> w = MakeTestPanel(id);
        CloseWindow(w);
        QTest::qWait(0);
        QVERIFY(!IsWindowVisible(w));
        if (kept)
            QVERIFY(!w.isNull());
        else
            QTRY_VERIFY(w.isNull());
        QVERIFY(!App().quitting);
    }

    // Daynote and event files have their own alerts: droppedFilesAreTyped; a file without a type:
    // tst_hostile_import.
    void unopenableFileNamesItsType() {
        AlertRecorder recorder;
        OpenDroppedFile(u"/somewhere/notes.txt"_s, MakeFourCC("ZTXT"));
        QCOMPARE(recorder.alerts.size(), 1);
        QCOMPARE(recorder.alerts[0].message, u"File: notes.txt Type: ZTXT is unsupported"_s);
    }

    // Real files: the type comes from the attribute where the file system keeps one, else from the name.
    void droppedFilesAreTyped() {
        QTemporaryDir dir(BuildDir() + u"/dropXXXXXX"_s);
        const QString daynotes = dir.filePath(u"VRDX DayNotes"_s);
        const QString tagged = dir.filePath(u"renamed copy"_s);
        for (const QString& path : {daynotes, tagged}) QVERIFY(WriteBytes(path, "<plist/>"));
        SetFileTypeAndCreator(tagged, MakeFourCC("EVNT"), CreatorCode);
        const bool attributes =
            getxattr(QFile::encodeName(tagged).constData(), "user.vrdx.type", nullptr, 0) == 4;
        AlertRecorder recorder;
        OpenDroppedFiles({daynotes, tagged});
        QCOMPARE(recorder.alerts.size(), 2);
        QVERIFY(
            recorder.alerts[0].message.contains(QLatin1Char('\r'))); // the daynote file's two-line message
        if (!attributes) QSKIP("this file system keeps no extended attributes");
        QCOMPARE(recorder.alerts[1].informative,
                 u"Daynotes and Events are automatically opened when VRD X is started"_s);
    }

    // The Save command does not fail in silence: the alert names the daynote file and the system's reason.
    void saveCommandTellsItsFailure() {
        const QString blocker = QDir::homePath() + u"/not a folder"_s;
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        DataHomeScope scope(blocker + u"/share"_s);
        AlertRecorder recorder;
        RunCommand(MakeFourCC("save"));
        QCOMPARE(recorder.alerts.size(), 1);
        QCOMPARE(recorder.alerts[0].message, u"The daynotes could not be saved"_s);
        QVERIFY(recorder.alerts[0].informative.contains(blocker + u"/share/VRDX/VRDX DayNotes"_s));
        QVERIFY(recorder.alerts[0].informative.contains(u"Not a directory"_s));
    }

    // Last: the quit walk leaves the program quitting.
    void quitSequenceRecordsOpenWindows() {
        Preferences& p = Prefs();
        p.weeklyWndOpen = p.timerWndOpen = true;
        QPointer<QWidget> monthly = MakeTestPanel(2);
        MakeTestPanel(9, false);
        QuitSequence();
        QVERIFY(App().quitting);
        QVERIFY(p.monthlyWndOpen);
        QVERIFY(!p.weeklyWndOpen); // hidden windows are not open
        QVERIFY(p.timerWndOpen);   // the timer's flag is left as it was
        QTRY_VERIFY(monthly.isNull());
        QuitSequence(); // runs once
    }
};

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
