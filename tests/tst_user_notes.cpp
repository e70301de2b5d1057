// User notes on the offscreen platform with real files: presets, the recent submenu, quit and reopen.
#include "calendar/colours.h"
#include "core/file_types.h"
#include "core/plist.h"
#include "core/startup.h"
#include "helpers/test_support.h"
#include "notes/daynote_window.h"
#include "tools/user_notes.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QString       folder; // every note file of a test lives here
constexpr int PanelId = 60;

QString NotePath(const QString& name) {
    return QDir(folder).filePath(name);
}

// A note file as the program writes it; unstamped, one whose attributes a copy lost.
QString WriteNote(const QString& name, const QString& text, const NoteFontStyle* style = nullptr,
                  bool stamped = true) {
    const QString path = NotePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    Record root;
    SetField(root, u"UserNoteTextKey"_s, Value(text));
    if (style) SetField(root, u"UserNoteCfsKey"_s, Value(EncodeFontStyle(*style)));
    if (!WritePropertyListFile(path, Value(std::move(root)), nullptr))
        qWarning("cannot write %s", qPrintable(path));
    if (stamped) SetFileTypeAndCreator(path, UserNoteType, CreatorCode);
    return path;
}

// The text stored in a note file ("(unreadable)" without one), and its style when asked.
QString ReadNote(const QString& path, NoteFontStyle* style = nullptr) {
    Value root;
    if (!ReadPropertyListFile(path, &root, nullptr) || !ValueRecord(root)) return u"(unreadable)"_s;
    const Value* t = FindField(*ValueRecord(root), u"UserNoteTextKey"_s);
    const Value* s = FindField(*ValueRecord(root), u"UserNoteCfsKey"_s);
    if (style && !(s && ValueData(*s) && DecodeFontStyle(*ValueData(*s), style))) return u"(no style)"_s;
    return t && ValueText(*t) ? *ValueText(*t) : QString();
}

QWidget* Open(const QString& path) {
    return OpenUserNoteFile(OpenGivenUserNote, path, PrefRect{});
}

QList<QWidget*> NoteWindows() {
    QList<QWidget*> notes = DocumentWindows();
    notes.removeIf([](QWidget* w) { return !IsUserNoteWindowId(GetWindowId(w)); });
    return notes;
}

void Type(QWidget* window, const QString& text) {
    ClearText(FindControl(window, UserNoteTextControl));
    QTest::keyClicks(FindControl(window, UserNoteTextControl), text);
}

using StyleRow = std::tuple<int, int, bool, int>;
using FailureRow = std::pair<QString, QByteArray>;

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

    // A new note over the file of an open note is refused: two windows on one file would write over each
    // other, and replacing the file would drop the open note's words.
    void newNote_data() {
        AddRows<bool>({{"a new file: one blank in preset 6", false},
                       {"the file of an open note with unsaved words", true}},
                      "overOpenNote");
    }
    void newNote() {
        QFETCH(bool, overOpenNote);
        const QString path = NotePath(u"plans.vrdxnote"_s);
        QWidget*      open = overOpenNote ? Open(WriteNote(u"plans.vrdxnote"_s, u"old"_s)) : nullptr;
        if (open) Type(open, u"unsaved words"_s);
        DialogAnswer  answer(path);
        AlertRecorder alerts;
        RunCommand(MakeFourCC("Cusr"));
        QVERIFY(answer.asked.size() == 1 && answer.asked.first().save);
        QCOMPARE(alerts.alerts.size(), overOpenNote ? 1 : 0);
        QCOMPARE(NoteWindows().size(), 1);
        QCOMPARE(GetWindowFile(NoteWindows().value(0)), path);
        if (open) {
            QCOMPARE(NoteWindows().value(0), open);
            CloseAndSettle(open);
            QCOMPARE(ReadNote(path), u"unsaved words"_s);
            return;
        }
        NoteFontStyle style;
        QCOMPARE(ReadNote(path, &style), u" "_s);
        QCOMPARE(style, FontPreset(6, NoteFontStyle{}));
        QCOMPARE(RecentUserNoteFiles(), QStringList{path});
    }

    void storedStyleSelectsFontItem_data() {
        AddRows<StyleRow>({
            {"Geneva 11: no item of its own", {GenevaFontNumber, 11, true, 3}},
            {"Lucida Grande 18", {LucidaGrandeFontNumber, 18, true, 9}},
            {"no style stored", {0, 0, true, 6}},
            {"attributes lost by a copy", {GenevaFontNumber, 14, false, 4}},
        });
    }
    void storedStyleSelectsFontItem() {
        FETCH_ROW(StyleRow, font, size, stamped, item); // font 0: no style stored
        NoteFontStyle style;
        style.font = int16_t(font);
        style.size = int16_t(size);
        const QString path =
            WriteNote(u"styled.vrdxnote"_s, u"line one\nline two"_s, font ? &style : nullptr, stamped);
        AlertRecorder alerts;
        QWidget*      window = Open(path);
        QVERIFY(window && alerts.alerts.isEmpty());
        QCOMPARE(GetControlValue(FindControl(window, UserNoteFontPopUp)), item);
        if (font) QCOMPARE(GetControlFontStyle(FindControl(window, UserNoteTextControl)).size, int16_t(size));
        QCOMPARE(GetControlText(FindControl(window, UserNoteTextControl)), u"line one\nline two"_s);
    }

    // Through the command, a second spelling of the same path, and a file handed over as on the command line.
    void openingTwiceGivesOneWindow() {
        const QString path = WriteNote(u"twice.vrdxnote"_s, u"once"_s);
        {
            DialogAnswer answer(path);
            RunCommand(MakeFourCC("Ousr"));
        }
        QWidget* first = NoteWindows().value(0);
        QVERIFY(first);
        QCOMPARE(Open(folder + u"/./twice.vrdxnote"_s), first);
        OpenDroppedFiles({path});
        QCOMPARE(NoteWindows(), QList<QWidget*>{first});
    }

    void recentListMovesReopenedFileToTop() {
        const QString a = WriteNote(u"a.vrdxnote"_s, u"A"_s), b = WriteNote(u"b.vrdxnote"_s, u"B"_s);
        for (const QString& path : {a, b, a}) CloseWindow(Open(path));
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
        AddRows<QString>({{"recent list cleared", u"cleared"_s},
                          {"two notes share a name", u"same name"_s},
                          {"an entry before it no longer resolves", u"unresolved"_s}},
                         "situation");
    }
    void noteSavesIntoItsOwnFile() {
        QFETCH(QString, situation);
        const QString first = WriteNote(u"one/note.vrdxnote"_s, u"first"_s);
        const QString second = WriteNote(
            situation == u"same name"_s ? u"two/note.vrdxnote"_s : u"two/other.vrdxnote"_s, u"second"_s);
        QWidget* one = Open(first);
        QWidget* two = Open(second);
        QVERIFY(one && two && one != two);
        if (situation == u"cleared"_s) QVERIFY(TriggerMenuItem(RecentUserNotesMenu, 4));
        if (situation == u"unresolved"_s) {
            const QString gone = WriteNote(u"gone.vrdxnote"_s, u"gone"_s);
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
        QCOMPARE(ReadNote(first), u"typed into one"_s);
        QCOMPARE(ReadNote(second), u"typed into two"_s);
    }

    void restylingLeavesTheClipboardAlone() {
        const QString path = WriteNote(u"style.vrdxnote"_s, u"keep this text"_s);
        QWidget*      window = Open(path);
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
        NoteFontStyle style;
        QCOMPARE(ReadNote(path, &style), u"keep this text"_s);
        QCOMPARE(FontMenuItemForStyle(style), 3);
        QCOMPARE(uint16_t(style.fgRed), uint16_t(65535));
        QCOMPARE(style.fgGreen, int16_t(0));
    }

    // Frames and the reopening at the next launch are checked from outside (test_app_user_notes.py); here,
    // that words typed before quitting reach the file and that the note reopens only once.
    void quitSavesWordsAndReopensOnce() {
        const QString path = WriteNote(u"right.vrdxnote"_s, u"right"_s);
        Type(Open(path), u"right, edited"_s);
        App().quitting = true;
        CloseAllForQuit();
        App().quitting = false;
        QTest::qWait(0);
        QVERIFY(NoteWindows().isEmpty());
        QCOMPARE(ReadNote(path), u"right, edited"_s);
        ReopenUserNotesOfLastQuit();
        QCOMPARE(NoteWindows().size(), 1);
        QVERIFY(!PrefCopyValue(UserNotesOpenAtQuitKey.arg(0)));
    }

    // Identifiers run out at 650: the numbers of closed notes come round again, and a note never loses text.
    void notesBeyondTheLastIdentifierKeepWorking() {
        App().userNoteWindowCounter = LastUserNoteWindowId - 1;
        const QString b = WriteNote(u"b.vrdxnote"_s, u"B"_s);
        QWidget*      one = Open(WriteNote(u"a.vrdxnote"_s, u"A"_s));
        QWidget*      two = Open(b);
        QVERIFY(one && two);
        QCOMPARE(GetWindowId(one), int(LastUserNoteWindowId));
        QCOMPARE(GetWindowId(two), int(FirstUserNoteWindowId));
        Type(two, u"after the wrap"_s);
        CloseAndSettle(two);
        QCOMPARE(ReadNote(b), u"after the wrap"_s);
        // With every number in use one more note is refused, and the open ones are untouched.
        AlertRecorder alerts;
        for (int i = 0; NoteWindows().size() < LastUserNoteWindowId - FirstUserNoteWindowId + 1; ++i)
            QVERIFY(Open(WriteNote(u"many/%1.vrdxnote"_s.arg(i), QString::number(i))));
        QVERIFY(alerts.alerts.isEmpty());
        QVERIFY(!Open(b));
        QCOMPARE(alerts.alerts.size(), 1);
    }

    // The alert names the file that could not be opened.
    void failuresAreReported_data() {
        AddRows<FailureRow>({
            {"missing file", {u"gone.vrdxnote"_s, QByteArray()}},
            {"damaged note",
             {u"bad.vrdxnote"_s, R"(<?xml version="1.0"?><plist><dict><key>UserNoteTextKey</key>)"_ba}},
        });
    }
    void failuresAreReported() {
        FETCH_ROW(FailureRow, name, bytes); // bytes null: no such file
        QFile file(NotePath(name));
        if (!bytes.isNull()) {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            file.close();
            SetFileTypeAndCreator(file.fileName(), UserNoteType, CreatorCode);
        }
        AlertRecorder alerts;
        QVERIFY(!Open(file.fileName()));
        QCOMPARE(alerts.alerts.size(), 1);
        const QString said = alerts.alerts[0].message + alerts.alerts[0].informative;
        QVERIFY2(said.contains(name), qPrintable(said));
        QVERIFY(NoteWindows().isEmpty());
    }

    // A note whose file cannot be written keeps its window, so its text is not lost.
    void failedSaveKeepsTheWindow() {
        QWidget* window = Open(WriteNote(u"away/lost.vrdxnote"_s, u"x"_s));
        QVERIFY(window);
        Type(window, u"words to keep"_s);
        QVERIFY(QDir(NotePath(u"away"_s)).removeRecursively());
        AlertRecorder alerts;
        CloseAndSettle(window);
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(NoteWindows(), QList<QWidget*>{window});
        QCOMPARE(GetControlText(FindControl(window, UserNoteTextControl)), u"words to keep"_s);
    }
};

QTEST_MAIN(TestUserNotes)
#include "tst_user_notes.moc"
