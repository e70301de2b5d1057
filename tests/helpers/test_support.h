// Shared by the GUI tests: a private session bus, recorded alerts and control events, test windows.
#pragma once

#include "platform/alerts.h"

#include <QList>
#include <QString>

class QWidget;

// Starts a dbus-daemon of our own and points DBUS_SESSION_BUS_ADDRESS at it, so that tests claiming the
// program's bus name never meet another test or a running copy. Call before the QApplication exists.
bool StartPrivateSessionBus();

// Records every alert and answers with the scripted button (1000 unless told otherwise).
struct AlertRecorder {
    QList<AlertRequest> alerts;
    int                 answer = AlertFirstButton;
    AlertPresenter      previous;
    AlertRecorder();
    ~AlertRecorder();
};

// Points HOME and the XDG folders at a fresh folder (removed at exit), so nothing touches the user's files.
QString UsePrivateHome();

// The folder of the tests' own interface definitions.
QString TestDefinitionFolder();
QString BuildDir();

// The program's windows as the GUI tests use them: a private home, the tests' own definitions beside the
// program's, the menu bar, the event handlers and no sound. False when the menu bar cannot be loaded.
bool SetUpProgramWindows();
// Disposes of every document window and lets Qt delete them.
void DisposeDocumentWindows();
// The tests' panel (tests/ui/TestPanel.ui) under the window number, shown and exposed unless told otherwise.
QWidget* MakeTestPanel(int id, bool show = true);
// A daynote of the type on the day, put in date order into the program's daynote array.
void AddDaynote(int month, int day, int year, int type, const QString& text = QStringLiteral("note"));
// The index of the day's daynote in the program's array, or -1; its stored text, empty without one.
int     NoteIndex(double date);
QString StoredText(double date);
// Empties the text control as a user would: select all, then Delete.
void ClearText(QWidget* view);
// What assistive technology reads as the widget's name (or another of its texts); empty without an interface.
QString AccessibleText(QWidget* widget, int text = 0);
