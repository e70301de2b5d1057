// User notes on the offscreen platform with real files: presets, the recent submenu, quit and reopen.
#include "calendar/colours.h"
#include "core/app_state.h"
#include "core/dispatch.h"
#include "core/file_types.h"
#include "core/plist.h"
#include "core/preferences.h"
#include "core/startup.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "notes/daynote_window.h"
#include "platform/file_dialogs.h"
#include "platform/windows.h"
#include "tools/user_notes.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString       folder; // every note file of a test lives here
constexpr int PanelId = 60;

QString NotePath(const QString& name) {
    return QDir(folder).filePath(name);
}

// A note file as the program writes it; without attributes it is one whose attributes a copy lost.
void WriteNote(const QString& path, const QString& text, const NoteFontStyle* style, bool stamped = true) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    Record root;
    SetField(root, u"UserNoteTextKey"_s, Value(text));
    if (style) SetField(root, u"UserNoteCfsKey"_s, Value(EncodeFontStyle(*style)));
    QString error;
    QVERIFY2(WritePropertyListFile(path, Value(std::move(root)), &error), qPrintable(error));
    if (stamped) SetFileTypeAndCreator(path, UserNoteType, CreatorCode);
}

// The text and style stored in a note file.
bool ReadNote(const QString& path, QString* text, NoteFontStyle* style = nullptr) {
    Value   root;
    QString error;
    if (!ReadPropertyListFile(path, &root, &error) || !ValueRecord(root)) return false;
    const Value* t = FindField(*ValueRecord(root), u"UserNoteTextKey"_s);
    *text = t && ValueText(*t) ? *ValueText(*t) : QString();
    const Value* s = FindField(*ValueRecord(root), u"UserNoteCfsKey"_s);
    return !style || (s && ValueData(*s) && DecodeFontStyle(*ValueData(*s), style));
}

QString WriteRaw(const QString& name, const QByteArray& bytes) {
    QFile file(NotePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
}

QWidget* Open(const QString& path) {
    return OpenUserNoteFile(OpenGivenUserNote, path, PrefRect{});
}

QList<QWidget*> NoteWindows() {
    QList<QWidget*> notes;
    for (QWidget* w : DocumentWindows())
        if (IsUserNoteWindowId(GetWindowId(w))) notes << w;
    return notes;
}

void Type(QWidget* window, const QString& text) {
    QWidget* view = FindControl(window, UserNoteTextControl);
    ClearText(view);
    QTest::keyClicks(view, text);
}

// Answers the file dialogs with the path given, and keeps what they asked.
struct DialogAnswer {
    QList<OpenFileRequest> asked;
    OpenFilePresenter      previous;
    explicit DialogAnswer(const QString& path) {
        previous = SetOpenFilePresenter([this, path](const OpenFileRequest& r) {
            asked << r;
            return path;
        });
    }
    ~DialogAnswer() { SetOpenFilePresenter(previous); }
};

} // namespace

class TestUserNotes : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        QVERIFY(scratch.isValid());
    }

    void init() {
        static int n = 0;
        folder = scratch.filePath(QString::number(++n));
        QDir().mkpath(folder);
        PrefSetValue(RecentUserNotesKey, nullptr);
        RebuildRecentUserNotesMenu();
        // With no window left the program quits: a window of another kind stays open throughout.
        if (!FindWindowById(PanelId)) MakeTestPanel(PanelId);
    }

    void cleanup() {
        QTest::qWait(0);
        QVERIFY(!App().quitting);
        for (QWidget* w : NoteWindows()) DisposeWindow(w);
        QTest::qWait(0);
    }

    void newNoteHoldsOneBlankInPresetSix() {
        const QString path = NotePath(u"plans.vrdxnote"_s);
        DialogAnswer  answer(path);
        RunCommand(MakeFourCC("Cusr"));
        QVERIFY(answer.asked.size() == 1 && answer.asked.first().save);
        QString       text;
        NoteFontStyle style;
        QVERIFY(ReadNote(path, &text, &style));
        QCOMPARE(text, u" "_s);
        QCOMPARE(style, FontPreset(6, NoteFontStyle{}));
        QCOMPARE(GetWindowFile(NoteWindows().value(0)), path);
        QCOMPARE(RecentUserNoteFiles(), QStringList{path});
    }

    void storedStyleSelectsFontItem_data() {
        QTest::addColumn<int>("font");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("hasStyle");
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<int>("item");
        QTest::newRow("Geneva 11: no item of its own") << int(GenevaFontNumber) << 11 << true << true << 3;
        QTest::newRow("Lucida Grande 18") << int(LucidaGrandeFontNumber) << 18 << true << true << 9;
        QTest::newRow("no style stored") << 0 << 0 << false << true << 6;
        QTest::newRow("attributes lost by a copy") << int(GenevaFontNumber) << 14 << true << false << 4;
    }
    void storedStyleSelectsFontItem() {
        QFETCH(int, font);
        QFETCH(int, size);
        QFETCH(bool, hasStyle);
        QFETCH(bool, stamped);
        QFETCH(int, item);
        NoteFontStyle style;
        style.font = int16_t(font);
        style.size = int16_t(size);
        const QString path = NotePath(u"styled.vrdxnote"_s);
        WriteNote(path, u"line one\nline two"_s, hasStyle ? &style : nullptr, stamped);
        AlertRecorder alerts;
        QWidget*      window = Open(path);
        QVERIFY(window);
        QVERIFY(alerts.alerts.isEmpty());
        QCOMPARE(GetControlValue(FindControl(window, UserNoteFontPopUp)), item);
        if (hasStyle)
            QCOMPARE(GetControlFontStyle(FindControl(window, UserNoteTextControl)).size, int16_t(size));
        QCOMPARE(GetControlText(FindControl(window, UserNoteTextControl)), u"line one\nline two"_s);
    }

    // Through the command, a second spelling of the same path, and a file handed over as on the command line.
    void openingTwiceGivesOneWindow() {
        const QString path = NotePath(u"twice.vrdxnote"_s);
        WriteNote(path, u"once"_s, nullptr);
        QWidget* first = nullptr;
        {
            DialogAnswer answer(path);
            RunCommand(MakeFourCC("Ousr"));
            first = NoteWindows().value(0);
        }
        QVERIFY(first);
        QCOMPARE(Open(folder + u"/./twice.vrdxnote"_s), first);
        OpenDroppedFiles({path});
        QCOMPARE(NoteWindows(), QList<QWidget*>{first});
    }

    void recentListMovesReopenedFileToTop() {
        const QString a = NotePath(u"a.vrdxnote"_s), b = NotePath(u"b.vrdxnote"_s);
        WriteNote(a, u"A"_s, nullptr);
        WriteNote(b, u"B"_s, nullptr);
        CloseWindow(Open(a));
        CloseWindow(Open(b));
        QCOMPARE(RecentUserNoteFiles(), (QStringList{b, a}));
        CloseWindow(Open(a));
        QCOMPARE(RecentUserNoteFiles(), (QStringList{a, b}));
        // The second item of the submenu opens b; clearing empties the list, also once rebuilt.
        QVERIFY(TriggerMenuItem(RecentUserNotesMenu, 2));
        QCOMPARE(GetWindowFile(NoteWindows().value(0)), b);
        QVERIFY(TriggerMenuItem(RecentUserNotesMenu, 4));
        QVERIFY(!PrefCopyValue(RecentUserNotesKey));
        RebuildRecentUserNotesMenu();
        QCOMPARE(GetMenuItemTexts(RecentUserNotesMenu).size(), 2); // the separator and Clear Menu only
    }

    // Saving must reach the window's own file whatever became of the recent list and the names.
    void noteSavesIntoItsOwnFile_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("recent list cleared") << u"cleared"_s;
        QTest::newRow("two notes share a name") << u"same name"_s;
        QTest::newRow("an entry before it no longer resolves") << u"unresolved"_s;
    }
    void noteSavesIntoItsOwnFile() {
        QFETCH(QString, situation);
        const QString first = NotePath(u"one/note.vrdxnote"_s);
        const QString second =
            NotePath(situation == u"same name"_s ? u"two/note.vrdxnote"_s : u"two/other.vrdxnote"_s);
        WriteNote(first, u"first"_s, nullptr);
        WriteNote(second, u"second"_s, nullptr);
        QWidget* one = Open(first);
        QWidget* two = Open(second);
        QVERIFY(one && two && one != two);
        if (situation == u"cleared"_s) QVERIFY(TriggerMenuItem(RecentUserNotesMenu, 4));
        if (situation == u"unresolved"_s) {
            const QString gone = NotePath(u"gone.vrdxnote"_s);
            WriteNote(gone, u"gone"_s, nullptr);
            CloseWindow(Open(gone));
            QFile::remove(gone);
            RebuildRecentUserNotesMenu();
        }
        Type(one, u"typed into one"_s);
        Type(two, u"typed into two"_s);
        AlertRecorder alerts;
        CloseWindow(one);
        CloseWindow(two);
        QVERIFY(alerts.alerts.isEmpty());
        QString text;
        QVERIFY(ReadNote(first, &text));
        QCOMPARE(text, u"typed into one"_s);
        QVERIFY(ReadNote(second, &text));
        QCOMPARE(text, u"typed into two"_s);
    }

    void restylingLeavesTheClipboardAlone() {
        const QString path = NotePath(u"style.vrdxnote"_s);
        WriteNote(path, u"keep this text"_s, nullptr);
        QWidget* window = Open(path);
        QVERIFY(window);
        QApplication::clipboard()->setText(u"copied before"_s);
        SelectWindow(window);
        SetUserNoteFont(window, 3);
        const ColourPresenter previous = SetColourPresenter([](const QString&, const QColor&, QColor* c) {
            *c = QColor(255, 0, 0);
            return true;
        });
        const MenuPresenter   previousMenu =
            SetMenuPresenter([](const QStringList&, QPoint) { return 3; }); // Pick Note Text Color
        QCOMPARE(HandleContextClick(UserNoteTextControl, window, QPoint(10, 10)), EventHandled);
        SetMenuPresenter(previousMenu);
        SetColourPresenter(previous);
        QCOMPARE(QApplication::clipboard()->text(), u"copied before"_s);
        CloseWindow(window);
        QString       text;
        NoteFontStyle style;
        QVERIFY(ReadNote(path, &text, &style));
        QCOMPARE(text, u"keep this text"_s);
        QCOMPARE(FontMenuItemForStyle(style), 3);
        QCOMPARE(uint16_t(style.fgRed), uint16_t(65535));
        QCOMPARE(style.fgGreen, int16_t(0));
    }

    // Frames and the reopening at the next launch are checked from outside (test_app_user_notes.py); here,
    // that words typed before quitting reach the file and that the note reopens only once.
    void quitSavesWordsAndReopensOnce() {
        const QString path = NotePath(u"right.vrdxnote"_s);
        WriteNote(path, u"right"_s, nullptr);
        Type(Open(path), u"right, edited"_s);
        App().quitting = true;
        CloseAllForQuit();
        App().quitting = false;
        QTest::qWait(0);
        QVERIFY(NoteWindows().isEmpty());
        QString text;
        QVERIFY(ReadNote(path, &text));
        QCOMPARE(text, u"right, edited"_s);
        ReopenUserNotesOfLastQuit();
        QCOMPARE(NoteWindows().size(), 1);
        QVERIFY(!PrefCopyValue(UserNotesOpenAtQuitKey.arg(0)));
    }

    // Identifiers run out at 650: the numbers of closed notes come round again, and a note never loses text.
    void notesBeyondTheLastIdentifierKeepWorking() {
        App().userNoteWindowCounter = LastUserNoteWindowId - 1;
        const QString a = NotePath(u"a.vrdxnote"_s), b = NotePath(u"b.vrdxnote"_s);
        WriteNote(a, u"A"_s, nullptr);
        WriteNote(b, u"B"_s, nullptr);
        QWidget* one = Open(a);
        QWidget* two = Open(b);
        QVERIFY(one && two);
        QCOMPARE(GetWindowId(one), int(LastUserNoteWindowId));
        QCOMPARE(GetWindowId(two), int(FirstUserNoteWindowId));
        Type(two, u"after the wrap"_s);
        CloseWindow(two);
        QTest::qWait(0); // the closed window goes
        QString text;
        QVERIFY(ReadNote(b, &text));
        QCOMPARE(text, u"after the wrap"_s);

        // With every number in use one more note is refused, and the open ones are untouched.
        AlertRecorder alerts;
        for (int i = 0; NoteWindows().size() < LastUserNoteWindowId - FirstUserNoteWindowId + 1; ++i) {
            const QString path = NotePath(u"many/%1.vrdxnote"_s.arg(i));
            WriteNote(path, QString::number(i), nullptr);
            QVERIFY(Open(path));
        }
        QVERIFY(alerts.alerts.isEmpty());
        QVERIFY(!Open(b));
        QCOMPARE(alerts.alerts.size(), 1);
    }

    // The alert names the file that could not be opened.
    void failuresAreReported_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // null: no such file
        QTest::newRow("missing file") << u"gone.vrdxnote"_s << QByteArray();
        QTest::newRow("damaged note")
            << u"bad.vrdxnote"_s << R"(<?xml version="1.0"?><plist><dict><key>UserNoteTextKey</key>)"_ba;
    }
    void failuresAreReported() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = bytes.isNull() ? NotePath(name) : WriteRaw(name, bytes);
        if (!bytes.isNull()) SetFileTypeAndCreator(path, UserNoteType, CreatorCode);
        AlertRecorder alerts;
        QVERIFY(!Open(path));
        QCOMPARE(alerts.alerts.size(), 1);
        const QString said = alerts.alerts[0].message + alerts.alerts[0].informative;
        QVERIFY2(said.contains(name), qPrintable(said));
        QVERIFY(NoteWindows().isEmpty());
    }

    // A note whose file cannot be written keeps its window, so its text is not lost.
    void failedSaveKeepsTheWindow() {
        const QString path = NotePath(u"away/lost.vrdxnote"_s);
        WriteNote(path, u"x"_s, nullptr);
        QWidget* window = Open(path);
        QVERIFY(window);
        Type(window, u"words to keep"_s);
        QVERIFY(QDir(NotePath(u"away"_s)).removeRecursively());
        AlertRecorder alerts;
        CloseWindow(window);
        QTest::qWait(0);
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(NoteWindows(), QList<QWidget*>{window});
        QCOMPARE(GetControlText(FindControl(window, UserNoteTextControl)), u"words to keep"_s);
    }
};

QTEST_MAIN(TestUserNotes)
#include "tst_user_notes.moc"
