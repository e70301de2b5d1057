// User notes: each open note is a window bound to its own file, written whole on every close.
#include "tools/user_notes.h"

#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/file_types.h"
#include "core/font_presets.h"
#include "core/plist.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/file_dialogs.h"
#include "platform/windows.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <vector>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Files ..................... reading and writing a note file, the file a window is bound to
//   Windows ................... NewUserNote, OpenUserNoteFile, SaveUserNote, CloseUserNote, fonts
//   Recent notes .............. AddRecentUserNote, RebuildRecentUserNotesMenu, ChooseRecentUserNote
//   Actions ................... commands, controls and menu items
// ---------------------------------------------------------------------------------------------------------

namespace {

const QString    TextKey = QStringLiteral("UserNoteTextKey");
const QString    StyleKey = QStringLiteral("UserNoteCfsKey");
constexpr FourCC PropertyCreator = MakeFourCC("VRDX");
constexpr FourCC StyleTag = MakeFourCC("CFSi");
// The style of a note file that has none: every field zero, so nothing of the desktop's font is changed.
const NoteFontStyle NoStyle{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// The list entry behind each file item of the submenu, top first: an entry that does not resolve has no
// item, so positions in the submenu and in the list differ.
std::vector<int> shownEntries;

bool SameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

QString FileName(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(QDir::cleanPath(path)).fileName();
}

bool WriteNoteFile(const QString& path, const QString& text, const NoteFontStyle& style, QString* reason) {
    Record root;
    SetField(root, TextKey, Value(text));
    SetField(root, StyleKey, Value(EncodeFontStyle(style)));
    if (!WritePropertyListFile(path, Value(std::move(root)), reason)) return false;
    // The atomic rename leaves the new file without the old one's attributes.
    SetFileTypeAndCreator(path, UserNoteType, CreatorCode);
    return true;
}

bool ReadNoteFile(const QString& path, QString* text, NoteFontStyle* style) {
    Value   root;
    QString error;
    if (!ReadPropertyListFile(path, &root, &error)) return false;
    const Record* record = ValueRecord(root);
    if (!record) return false;
    const Value*   t = FindField(*record, TextKey);
    const QString* stored = t ? ValueText(*t) : nullptr;
    *text = stored ? *stored : QString();
    const Value*      s = FindField(*record, StyleKey);
    const QByteArray* bytes = s ? ValueData(*s) : nullptr;
    if (!bytes || !DecodeFontStyle(*bytes, style)) *style = NoStyle;
    return true;
}

// A note's words that its own file could not take: the data folder first, else the home folder. The path, or
// nothing when neither could be written.
QString WriteUserNoteRecovery(const QString& path, const QString& text, const NoteFontStyle& style) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString name = QStringLiteral("%1 (recovered %2").arg(QFileInfo(path).completeBaseName(), stamp);
    for (const QString& folder : {GetDataFolderURL(), QDir::homePath()}) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) continue;
        QString target = QStringLiteral("%1/%2).%3").arg(folder, name, UserNoteSuffix);
        for (int n = 2; QFileInfo::exists(target); ++n)
            target = QStringLiteral("%1/%2 #%3).%4").arg(folder, name).arg(n).arg(UserNoteSuffix);
        if (WriteNoteFile(target, text, style, nullptr)) return target;
    }
    return QString();
}

QList<QWidget*> NoteWindows() {
    QList<QWidget*> notes;
    for (QWidget* w : DocumentWindows())
        if (IsUserNoteWindowId(GetWindowId(w))) notes << w;
    return notes;
}

// An open note is found by its file, never by its title: two notes may share a name.
QWidget* NoteWindowForFile(const QString& path) {
    for (QWidget* w : NoteWindows())
        if (SameFile(UserNoteFile(w), path)) return w;
    return nullptr;
}

QString DefaultNoteFolder() {
    const QStringList recent = RecentUserNoteFiles();
    if (!recent.isEmpty()) return QFileInfo(recent.first()).absolutePath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// A window for a note. Identifiers of closed notes are handed out again once the counter has gone round,
// so notes never run out of numbers in a long run.
QWidget* CreateNoteWindow(const PrefRect& frame) {
    AppState& app = App();
    const int id = NextFreeWindowId(app.userNoteWindowCounter, FirstUserNoteWindowId, LastUserNoteWindowId);
    if (!id) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("Too many User Notes are open"),
                  QStringLiteral("Close a User Note window to open another one"));
        return nullptr;
    }
    RegisterFontFamilies();
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("UserNote"));
    if (!window) return nullptr;
    app.userNoteWindowCounter = id;
    SetWindowId(window, id);
    const QList<QWidget*> others = NoteWindows();
    if (frame.top > 0) {
        SetWindowContentBounds(window,
                               QRect(GetWindowContentBounds(window).topLeft(), frame.toRect().size()));
        RestoreWindowPlace(window, frame.toRect());
    } else if (!others.isEmpty()) {
        CascadeWindow(window, others.first());
    }
    SetControlValue(FindControl(window, UserNoteFontPopUp), DefaultUserNoteFontItem);
    return window;
}

// Applied to the view directly: the text and whatever the user has copied stay where they are.
void ApplyStyle(QWidget* window, const NoteFontStyle& style) {
    SetControlProperty(window, PropertyCreator, StyleTag, EncodeFontStyle(style));
    SetControlFontStyle(FindControl(window, UserNoteTextControl), style);
}

void ShowNote(QWidget* window, const QString& path, const QString& text, const NoteFontStyle& style,
              bool modified) {
    QWidget* view = FindControl(window, UserNoteTextControl);
    SetControlText(view, text);
    ApplyStyle(window, style);
    SetControlValue(FindControl(window, UserNoteFontPopUp), FontMenuItemForStyle(style));
    SetWindowFile(window, path);
    SetWindowModifiedMark(window, modified);
    ShowWindow(window);
    SetFocusToControl(view);
}

const QList<QByteArray> RecentEntries() {
    QList<QByteArray>  entries;
    const Value*       v = PrefCopyValue(RecentUserNotesKey);
    const RecordArray* list = v ? std::get_if<RecordArray>(&v->v) : nullptr;
    if (list)
        for (const Value& e : *list) {
            const QByteArray* d = ValueData(e);
            entries << (d ? *d : QByteArray());
        }
    return entries;
}

void StoreRecentEntries(const QList<QByteArray>& entries) {
    RecordArray list;
    for (const QByteArray& e : entries) list.push_back(Value(e));
    const Value v(std::move(list));
    PrefSetValue(RecentUserNotesKey, &v);
    PrefSync();
}

} // namespace

QString UserNoteFile(const QWidget* window) {
    return GetWindowFile(window);
}

void ReportUserNoteNotFound(const QString& name) {
    ShowAlert(
        AlertStyle::Informational,
        QStringLiteral("%1, %2, %3").arg(QStringLiteral("User Note"), name, QStringLiteral("Not Found")),
        QStringLiteral("The file may be deleted or renamed"));
}

// ---------------------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------------------

QWidget* NewUserNote() {
    const QString path =
        ChooseFileToSave(QStringLiteral("Pick a NAME and LOCATION for the User Notes File"),
                         QStringLiteral("Put your file name here"), DefaultNoteFolder(), UserNoteSuffix);
    if (path.isEmpty()) return nullptr;
    // A note open on that file keeps it: two windows on one file would write over each other, and replacing
    // the file under the open note would drop the words in its window.
    if (QWidget* open = NoteWindowForFile(path)) {
        SelectWindow(open);
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("The User Note \"%1\" is open").arg(FileName(path)),
                  QStringLiteral("Close it first to replace its file, or pick another name."));
        return nullptr;
    }
    const NoteFontStyle style = FontPreset(DefaultUserNoteFontItem, NoteFontStyle{});
    const QString       text = QStringLiteral(" ");
    QString             reason;
    if (!WriteNoteFile(path, text, style, &reason)) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("The User Note could not be created"),
                  QStringLiteral("VRD X could not write \"%1\".\r%2").arg(path, reason));
        return nullptr;
    }
    QWidget* window = CreateNoteWindow(PrefRect{});
    if (!window) return nullptr;
    AddRecentUserNote(path);
    RebuildRecentUserNotesMenu();
    ShowNote(window, path, text, style, true);
    return window;
}

QWidget* OpenUserNoteFile(int autoOrUser, const QString& file, const PrefRect& frame) {
    QString path;
    if (autoOrUser == PickUserNote) {
        path = ChooseFileToOpen(QStringLiteral("Pick a User Notes File to Open"), DefaultNoteFolder(),
                                QStringLiteral("Select only one file"));
        if (path.isEmpty()) return nullptr;
    } else if (autoOrUser == ReopenUserNote || autoOrUser == OpenGivenUserNote) {
        path = file;
    } else {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("Unsupported 'autoOrUser' value in fn OpenUserNoteFile"),
                  QStringLiteral("Contact Developer for assistance"));
        return nullptr;
    }
    const QString name = FileName(path);
    if (name.isEmpty() || !QFileInfo(path).isFile()) {
        ReportUserNoteNotFound(name);
        return nullptr;
    }
    FourCC type = 0, creator = 0;
    if (!GetFileTypeAndCreator(path, &type, &creator) || type != UserNoteType || creator != CreatorCode) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("File type/create not supported for file:"),
                  name);
        return nullptr;
    }
    if (QWidget* open = NoteWindowForFile(path)) {
        SelectWindow(open);
        return open;
    }
    QString       text;
    NoteFontStyle style;
    if (!ReadNoteFile(path, &text, &style)) {
        ReportUserNoteNotFound(name);
        return nullptr;
    }
    QWidget* window = CreateNoteWindow(frame);
    if (!window) return nullptr;
    // Bound by its absolute path, so a later change of the working folder cannot move the note elsewhere.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    AddRecentUserNote(absolute);
    RebuildRecentUserNotesMenu();
    ShowNote(window, absolute, text, style, false);
    return window;
}

bool SaveUserNote(QWidget* window) {
    const QString path = UserNoteFile(window);
    if (path.isEmpty()) return false;
    QString reason;
    if (WriteNoteFile(path, GetControlText(FindControl(window, UserNoteTextControl)),
                      GetUserNoteStyle(window), &reason)) {
        SetWindowModifiedMark(window, false);
        return true;
    }
    // Closing a note whose file cannot be written would lose its text: the user is told, and the window
    // stays open while the program runs so the text can be saved elsewhere.
    const QString message = QStringLiteral("The User Note \"%1\" could not be saved").arg(FileName(path));
    QString       informative = QStringLiteral("VRD X could not write \"%1\".\r%2").arg(path, reason);
    if (App().quitting) {
        // Told once: the quit may try the same note again.
        const FourCC recoveredTag = MakeFourCC("Rcov");
        QByteArray   done;
        if (GetControlProperty(window, PropertyCreator, recoveredTag, &done)) return false;
        SetControlProperty(window, PropertyCreator, recoveredTag, QByteArray("1"));
        // The window goes with the quit: its words go to a file of their own, as the daynotes' do.
        const QString recovery = WriteUserNoteRecovery(
            path, GetControlText(FindControl(window, UserNoteTextControl)), GetUserNoteStyle(window));
        informative +=
            QLatin1Char('\r') +
            (recovery.isEmpty()
                 ? QStringLiteral("It could not be saved anywhere else either, so its text is lost.")
                 : QStringLiteral("Its text was saved to \"%1\".").arg(recovery));
        // Also on the terminal: a quit at logout may leave nobody to read the alert.
        std::fprintf(stderr, "vrdx: %s\n%s\n", qPrintable(message),
                     qPrintable(QString(informative).replace(QLatin1Char('\r'), QLatin1Char('\n'))));
        App().unsavedAtQuit = true;
        ShowAlertForAtMost(30, AlertStyle::Critical, message, informative);
    } else
        ShowAlert(AlertStyle::Critical, message,
                  informative + QStringLiteral("\rThe note stays open: copy its text to keep it."));
    return false;
}

bool CloseUserNote(int windowId) {
    QWidget* window = FindWindowById(windowId);
    if (!window) return true;
    QRect bounds;
    if (App().quitting && GetWindowPlace(window, &bounds))
        RememberOpenUserNote(UserNoteFile(window), PrefRect::fromRect(bounds));
    return SaveUserNote(window);
}

NoteFontStyle GetUserNoteStyle(const QWidget* window) {
    QByteArray    bytes;
    NoteFontStyle style = NoStyle;
    if (GetControlProperty(window, PropertyCreator, StyleTag, &bytes)) DecodeFontStyle(bytes, &style);
    return style;
}

void SetUserNoteStyle(QWidget* window, const NoteFontStyle& style) {
    if (!window) return;
    ApplyStyle(window, style);
    SetWindowModifiedMark(window, true);
}

void SetUserNoteFont(QWidget* window, int preset) {
    if (!window) return;
    SetUserNoteStyle(window, FontPreset(preset, GetUserNoteStyle(window)));
    if (preset >= 1 && preset <= 9) SetControlValue(FindControl(window, UserNoteFontPopUp), preset);
}

// ---------------------------------------------------------------------------------------------------------
// Recent notes
// ---------------------------------------------------------------------------------------------------------

QStringList RecentUserNoteFiles() {
    QStringList files;
    for (const QByteArray& entry : RecentEntries()) {
        QString path;
        if (ResolveAliasData(entry, &path)) files << path;
    }
    return files;
}

void AddRecentUserNote(const QString& file) {
    QList<QByteArray> entries = RecentEntries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QString path;
        if (ResolveAliasData(entries[i], &path) && SameFile(path, file)) {
            entries.move(i, 0);
            StoreRecentEntries(entries);
            return;
        }
    }
    const QByteArray alias = MakeFileAlias(file);
    if (alias.isEmpty()) return;
    entries.prepend(alias);
    StoreRecentEntries(entries);
}

void RebuildRecentUserNotesMenu() {
    DeleteMenuItemsExceptLast(RecentUserNotesMenu, 2);
    shownEntries.clear();
    const QList<QByteArray> entries = RecentEntries();
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        QString path;
        if (!ResolveAliasData(entries[i], &path)) continue;
        InsertMenuItemAtTop(RecentUserNotesMenu, FileName(path));
        shownEntries.insert(shownEntries.begin(), int(i));
    }
}

void ChooseRecentUserNote(int item) {
    const int items = int(GetMenuItemTexts(RecentUserNotesMenu).size());
    if (item == items) {
        DeleteMenuItemsExceptLast(RecentUserNotesMenu, 2);
        shownEntries.clear();
        PrefSetValue(RecentUserNotesKey, nullptr);
        PrefSync();
        return;
    }
    // The item stands for the entry it was made from (the separator and the positions past the files stand
    // for none).
    if (item < 1 || item > int(shownEntries.size())) return;
    const QList<QByteArray> entries = RecentEntries();
    const int               entry = shownEntries[item - 1];
    QString                 path;
    if (entry >= entries.size() || !ResolveAliasData(entries[entry], &path)) {
        ReportUserNoteNotFound(QStringLiteral("Name unkown"));
        return;
    }
    FourCC type = 0, creator = 0;
    GetFileTypeAndCreator(path, &type, &creator);
    if (type != UserNoteType) {
        ReportUnopenableFile(FileName(path), type);
        return;
    }
    OpenUserNoteFile(OpenGivenUserNote, path, PrefRect{});
}

void ReopenUserNotesOfLastQuit() {
    ReopenUserNotes(
        [](const QString& path, const PrefRect& rect) { OpenUserNoteFile(ReopenUserNote, path, rect); });
}

// ---------------------------------------------------------------------------------------------------------
// Actions
// ---------------------------------------------------------------------------------------------------------

int UserNoteFileCommand(FourCC command) {
    if (command == MakeFourCC("Cusr"))
        NewUserNote();
    else if (command == MakeFourCC("Ousr"))
        OpenUserNoteFile(PickUserNote, QString(), PrefRect{});
    else
        return EventNotHandled;
    return EventHandled;
}

int UserNoteFontCommand(FourCC command) {
    static const FourCC codes[9] = {MakeFourCC("Gen5"), MakeFourCC("Gen6"), MakeFourCC("Gen7"),
                                    MakeFourCC("Gen8"), MakeFourCC("Luc6"), MakeFourCC("Luc7"),
                                    MakeFourCC("Luc8"), MakeFourCC("Luc9"), MakeFourCC("Luc0")};
    QWidget*            front = FrontWindow();
    for (int i = 0; i < 9; ++i)
        if (codes[i] == command && front && IsUserNoteWindowId(GetWindowId(front)))
            SetUserNoteFont(front, i + 1);
    return EventNotHandled;
}

int UserNoteFontChosen(int, unsigned) {
    QWidget* window = ControlWindow(EventControl());
    if (!IsUserNoteWindowId(GetWindowId(window))) return EventNotHandled;
    SetUserNoteFont(window, GetControlValue(FindControl(window, UserNoteFontPopUp)));
    return EventHandled;
}

int UserNoteTextChanged(int, unsigned) {
    QWidget* window = ControlWindow(EventControl());
    if (!IsUserNoteWindowId(GetWindowId(window))) return EventNotHandled;
    SetWindowModifiedMark(window, true);
    return EventHandled;
}

void UserNoteMenuItem(const QString& menuName, int item) {
    if (menuName == RecentUserNotesMenu) ChooseRecentUserNote(item);
}
