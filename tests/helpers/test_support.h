// Shared by the GUI tests: a private session bus, recorded alerts and control events, test windows.
#pragma once

#include "platform/alerts.h"

#include <QList>
#include <QString>

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
