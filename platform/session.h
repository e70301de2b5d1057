// The program's place in the desktop session: one instance on the session bus with the
// org.freedesktop.Application interface, quit requests from signals and the session manager, and the
// system's sleep and wake.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

constexpr const char* ApplicationId = "org.vrdx.VRDX";
constexpr const char* ApplicationObjectPath = "/org/vrdx/VRDX";
constexpr const char* DaynoteRequestInterface = "org.vrdx.VRDX";
constexpr const char* DaynoteRequestSignal = "FromVRDX";

struct SessionHandlers {
    std::function<void()>                   activate;       // a second launch, or Activate over D-Bus
    std::function<void(const QStringList&)> openFiles;      // local paths from Open or the command line
    std::function<bool(const QString&)>     isAction;       // whether ActivateAction knows the name
    std::function<void(const QString&)>     runAction;      // runs it, after the caller has had its answer
    std::function<void()>                   quitRequest;    // a signal or the end of the session
    std::function<void(bool asleep)>        sleepChanged;   // the system goes to sleep or woke up
    std::function<void(const QString&)>     daynoteRequest; // the text of a FromVRDX signal, from anyone
};

enum class InstanceRole {
    Primary,     // this process owns the name and serves the interface
    Handed,      // another instance took the files (or was activated); this process should exit
    Alone,       // no session bus: run without single-instance service
    Unreachable, // another instance owns the name but did not answer; said so on standard error
};

// Claims the name; if another instance owns it, hands it the files (or activates it) and says so, or
// says that it did not answer.
InstanceRole ClaimSingleInstance(const QStringList& files, const SessionHandlers& handlers);

// SIGTERM, SIGINT and SIGHUP, and the session manager's end of session, become handlers.quitRequest on the
// event loop. logind's PrepareForSleep becomes handlers.sleepChanged where a system bus exists. The signal
// FromVRDX(s) of the interface org.vrdx.VRDX, sent by any program to any object path on the session bus,
// becomes handlers.daynoteRequest.
void WatchSessionEvents(const SessionHandlers& handlers);
