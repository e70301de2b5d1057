// Alerts: one function shows every alert, through one presenter that tests replace to record and answer.
#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class AlertStyle { Plain, Informational, Warning, Critical };

constexpr int AlertFirstButton = 1000;
constexpr int AlertSecondButton = 1001;

struct AlertRequest {
    AlertStyle style = AlertStyle::Informational;
    QString    message;           // the bold first line; lines may be separated by carriage returns
    QString    informative;       // the smaller text below it
    QString    button1;           // default button, answers 1000
    QString    button2;           // empty for a one-button alert; answers 1001
    int        timeLimit = 0;     // seconds after which it answers 1000 by itself; 0 waits for the user
    QString    title{};           // the alert window's title; empty for the program's name
    bool       attention = false; // urgent, above every other window and modal to the whole program
    QWidget*   sheetOf = nullptr; // a note sheet: attached to this window, modal to it alone
    QString    joinKind{};        // set by ShowJoinedAlert: later requests of the kind join this one
};

using AlertPresenter = std::function<int(const AlertRequest&)>;

// Returns 1000 for the first button, 1001 for the second.
int ShowAlert(AlertStyle style, const QString& message, const QString& informative,
              const QString& button1 = QStringLiteral("OK"), const QString& button2 = QString());

// An alert that a flood of requests may ask for (files handed over by the thousand): while one of the kind
// is showing, another is not shown but joins it, and the showing one's informative text ends with
// more(count of those that joined). Returns 1000, or 0 for a request that joined the one showing.
int ShowJoinedAlert(const QString& kind, AlertStyle style, const QString& message, const QString& informative,
                    std::function<QString(int)> more);
bool IsJoinedAlertShowing(const QString& kind);
// The informative text of the alert of the kind now showing, with what joined it.
QString JoinedAlertText(const QString& kind);

// A note sheet on the window: the text as its message and one "OK" button; the window's entries stay.
// Without a window it is an ordinary alert.
void ShowNoteSheet(QWidget* window, const QString& text, const QString& informative = QString());

// For the quit sequence, which a signal or the end of the session may run with nobody at the screen: a
// one-button alert that closes itself after the time limit, so that quitting cannot hang on it.
void ShowAlertForAtMost(int seconds, AlertStyle style, const QString& message, const QString& informative);

// Installs a presenter and returns the one it replaces; an empty presenter restores the message box.
AlertPresenter SetAlertPresenter(AlertPresenter presenter);

// While starting, alerts wait until the event loop runs, so that a quit request can still reach the
// program; a deferred one-button alert answers 1000 at once. Ending the deferral shows what waited.
void DeferAlerts(bool defer);

// An alert that asks for the user's attention: the window is marked urgent, stays above other windows and
// waits for its one button, "OK", while the event loop (and so the tick) goes on. Only one is shown at a
// time: asked again while one is up, it shows nothing and returns 0 at once. Otherwise returns 1000.
int  AttentionAlert(const QString& windowTitle, const QString& message, const QString& informative);
bool IsAttentionAlertShowing();

// Asks the desktop for the user's attention (the urgency hint of the front window).
void RequestAttention();
