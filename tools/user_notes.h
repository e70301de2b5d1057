// User notes: free-standing notes, each in a file of its own and a window of its own, the recent notes
// submenu, and the notes reopened where they were at the last quit.
#pragma once

#include "core/preferences.h"
#include "core/records.h"
#include "platform/fourcc.h"

#include <QString>
#include <QStringList>

class QWidget;

enum UserNoteControl : int { UserNoteTextControl = 1, UserNoteFontPopUp = 277 };
// How OpenUserNoteFile finds its file.
enum UserNoteOpening : int { PickUserNote = 1, ReopenUserNote = 2, OpenGivenUserNote = 3 };

inline const QString RecentUserNotesMenu = QStringLiteral("menuRecentUserNotes");
constexpr int        DefaultUserNoteFontItem = 6;

// Asks for a name and place, writes a new note there and opens it.
QWidget* NewUserNote();
// Opens (or brings forward) the note in the file; a frame whose top is 0 leaves the placing to the desktop.
// Returns the note's window, or nothing.
QWidget* OpenUserNoteFile(int autoOrUser, const QString& file, const PrefRect& frame);
// Writes the window's text and style into its own file; false (and the user told) when that failed.
bool SaveUserNote(QWidget* window);
// The close action: while quitting the note is remembered for the next launch, then it is saved. False when
// the note could not be saved, so the window should stay open.
bool CloseUserNote(int windowId);
// The file a note window is bound to, from its opening to its closing.
QString UserNoteFile(const QWidget* window);

// The style of the whole note, kept on its window; setting it redraws the text and marks the note changed.
NoteFontStyle GetUserNoteStyle(const QWidget* window);
void          SetUserNoteStyle(QWidget* window, const NoteFontStyle& style);
void          SetUserNoteFont(QWidget* window, int preset);

// The recent notes: the files, most recent first (those that still exist), and the submenu that shows them.
QStringList RecentUserNoteFiles();
void        AddRecentUserNote(const QString& file);
void        RebuildRecentUserNotesMenu();
// An item of the submenu, by its position: a file, or the last item, which clears the list.
void ChooseRecentUserNote(int item);
void ReportUserNoteNotFound(const QString& name);
// At launch: the notes open at the last quit, in their frames.
void ReopenUserNotesOfLastQuit();

// Commands, control and menu actions.
int  UserNoteFileCommand(FourCC command); // 'Cusr', 'Ousr'
int  UserNoteFontCommand(FourCC command); // 'Gen5'..'Luc0'
int  UserNoteFontChosen(int controlId, unsigned modifiers);
int  UserNoteTextChanged(int controlId, unsigned modifiers);
void UserNoteMenuItem(const QString& menuName, int item);
