// Dispatch: menu commands by four-character code, window activation and closing by window identifier, and
// control events by control ID, each through one table.
#pragma once

#include "platform/fourcc.h"

#include <QPoint>
#include <QString>
#include <span>

class QWidget;

// Connects the window layer's events to the handlers below.
void InstallEventHandlers();

int  HandleAppEvent(FourCC command);
void HandleAppActivation(int kind);
void UpdateCommandStatus(FourCC command);
int  HandleWindowEvent(int kind, int windowId);
int  HandleControlEvent(int kind, int controlId, unsigned modifiers);
int  HandleContextClick(int controlId, QWidget* window, QPoint globalPos);
int  HandleTrackingArea(int kind, int controlId);

// 0, or 1 when the close action keeps the window open (a note that could not be saved).
int  CloseWindowById(int windowId);
void MarkWindowOpen(int windowId, bool open);
void CloseAllForQuit();
void SetResizeLimits(int windowId);
// Stores the window's bounds under its position key, at once.
void SaveWindowPosition(int windowId);

// Whether the command table, or the menu bar, knows the code; what ActivateAction over D-Bus may run.
bool IsKnownCommand(FourCC command);
// Runs a command exactly as its menu item would (a disabled item does nothing).
void RunCommand(FourCC command);
// The user asks for the program from outside (a second launch, Activate over D-Bus): every window comes back,
// those hidden or minimised too, and the calendar comes forward.
void ActivateApplication();

// The control table: one row per control or range of controls.
using ControlAction = int (*)(int controlId, unsigned modifiers);
struct ControlRow {
    int           first, last; // control IDs, inclusive
    int           kind;        // the event kind the row answers
    ControlAction action;
};
int DispatchControlEvent(std::span<const ControlRow> table, int kind, int controlId, unsigned modifiers);
