// Start-up, the half-second tick, files handed to the program, sleep and wake, and the quit sequence.
#include "core/startup.h"

#include "calendar/calendar_window.h"
#include "calendar/monthly_view.h"
#include "calendar/sun.h"
#include "calendar/weekly_view.h"
#include "core/app_state.h"
#include "core/backups.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/daynote_requests.h"
#include "core/daynote_store.h"
#include "core/dispatch.h"
#include "core/file_types.h"
#include "core/preferences.h"
#include "core/sync.h"
#include "core/undo.h"
#include "core/web_page.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/events.h"
#include "notes/ical_import.h"
#include "notes/reminders.h"
#include "platform/alerts.h"
#include "platform/fatal.h"
#include "platform/help_tags.h"
#include "platform/launch_gate.h"
#include "platform/loop_meter.h"
#include "platform/screen_colormap.h"
#include "platform/session.h"
#include "platform/speech.h"
#include "platform/windows.h"
#include "tools/countdown.h"
#include "tools/time_log.h"
#include "tools/time_zones.h"
#include "tools/timer.h"
#include "tools/user_notes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Start-up .................. RunApplication, InitializeApplication, AutoDeleteOldDaynotes
//   Tick ...................... InstallTick, TickEntry, Tick
//   Files ..................... OpenDroppedFiles, OpenDroppedFile
//   Quit ...................... QuitSequence
// ---------------------------------------------------------------------------------------------------------

namespace {

QTimer*       tickTimer = nullptr;
long          tickCount = 0;
double        tickInterval = 0.5;
QElapsedTimer sinceStart;
double        lastTickTime = 0; // the moment of the previous tick, from which reminders fire
int           exitStatus = 0;   // not 0 once the quit sequence could not save the daynote file

// Where a start-up that shows its windows before the daynotes are in has got to.
struct Launch {
    bool        reading = false;   // the daynote file is read on a worker
    bool        read = false;      // and the worker is done
    bool        painted = false;   // a window has been painted
    bool        completed = false; // the second half has run
    bool        failed = false;    // the daynote file cannot be used
    QStringList files;             // handed over on the command line, opened once the daynotes are in
};
Launch launch;

void               BeginStartUp(bool readInBackground);
DaynotePreparation PrepareLoadedDaynotes();
bool               LoadDaynotes();
bool               FinishStartUp();
void               CompleteStartUp();

// A handler that may touch the daynotes: the start-up completes first.
template <typename... Args> std::function<void(Args...)> AfterStartUp(std::function<void(Args...)> handler) {
    return [handler = std::move(handler)](Args... args) {
        CompleteStartUp();
        handler(args...);
    };
}

FourCC ActionCode(const QString& name) {
    // Codes with a trailing blank ('cut ') may be named without it.
    return FourCCFromText(name.size() < 4 ? name.leftJustified(4, QLatin1Char(' ')) : name);
}

SessionHandlers MakeSessionHandlers() {
    SessionHandlers h;
    h.activate = ActivateApplication;
    h.openFiles = OpenDroppedFiles;
    h.isAction = [](const QString& name) { return IsKnownCommand(ActionCode(name)); };
    h.runAction = [](const QString& name) { RunCommand(ActionCode(name)); };
    h.quitRequest = [] {
        App().quitUnattended = true;
        RunCommand(MakeFourCC("quit"));
    };
    h.sleepChanged = SetAsleep;
    h.daynoteRequest = QueueDaynoteRequest;
    // Asking whether an action exists needs nothing loaded, so the bus is answered during start-up.
    h.activate = AfterStartUp(h.activate);
    h.openFiles = AfterStartUp(h.openFiles);
    h.runAction = AfterStartUp(h.runAction);
    h.quitRequest = AfterStartUp(h.quitRequest);
    h.daynoteRequest = AfterStartUp(h.daynoteRequest);
    return h;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------------------------------------

int RunApplication(int argc, char** argv) {
    sinceStart.start();
    QApplication app(argc, argv);
    MarkPhase("application");
    QApplication::setApplicationName(QStringLiteral("VRDX"));
    QApplication::setApplicationDisplayName(QStringLiteral("VRD X"));
    QApplication::setApplicationVersion(QStringLiteral(VRDX_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(ApplicationId));
    // The program goes on with no window open (tick, reminders, timers); its own rule decides when to end.
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList           files = QApplication::arguments().mid(1);
    const SessionHandlers handlers = MakeSessionHandlers();
    switch (ClaimSingleInstance(files, handlers)) {
    case InstanceRole::Handed:
        return 0;
    case InstanceRole::Unreachable:
        return 1;
    default:
        break;
    }

    InstallEventHandlers();
    WatchSessionEvents(handlers);
    // Start-up alerts (a damaged file set aside) are shown from the running loop, where a quit request from a
    // signal or the session can still end them and the program cleanly.
    DeferAlerts(true);
    MarkPhase("single-instance");
    // The windows go on screen while a worker reads the daynote file; the rest of the start-up follows once
    // both are done, or at once when the user or another program wants something first.
    BeginStartUp(true);
    ShowTrayIcon(ActivateApplication);
    launch.files = files;
    AfterFirstPaint([] {
        MarkPhase("painted");
        launch.painted = true;
        if (launch.read) CompleteStartUp();
    });
    BeforeFirstInput(CompleteStartUp);

    StartLoopMeter();
    MarkPhase("event-loop");
    QApplication::exec();
    MarkPhase("loop-ended");
    ReportLoopMeter();
    const int status = exitStatus != 0 ? exitStatus : (App().unsavedAtQuit ? 1 : 0);
    if (App().quitting) {
        // Everything is saved and the mail programs are done: taking down the windows, the views and the
        // daynotes piece by piece would only keep the process from ending, which gives all of it back at
        // once. A backup still being copied onto another file system is finished first.
        WaitForBackups();
        std::fflush(nullptr);
        std::_Exit(status);
    }
    // The daynotes are saved: freeing them record by record would only keep the process from ending.
    new RecordArray(std::move(App().daynotes));
    return status;
}

bool InitializeApplication() {
    BeginStartUp(false);
    return FinishStartUp();
}

namespace {

// Nothing else was open: the calendar is the way in, whatever the last session left.
void ShowCalendarIfNothingOpen() {
    if (DocumentWindows().isEmpty() && !TrayAvailable()) ShowCalendar();
}

void BeginStartUp(bool readInBackground) {
    AppState& app = App();
    SetRecoveryWriter([] { return WriteRecoveryFile(App().daynotes); });
    FillLocaleNameLists();
    app.daynoteWindowCounter = 50;
    app.userNoteWindowCounter = 599;
    app.dayMark = GetCurrentDay();
    LoadPreferences();
    app.prefsLoaded = true;
    Preferences& prefs = Prefs();
    if (prefs.autoDeleteAge < 1) prefs.autoDeleteAge = 9999;
    MigrateDataFolder();
    MarkPhase("preferences");
    launch = {};
    // The worker starts before the menus are built: the daynotes are what the start-up waits for longest.
    if (readInBackground) {
        launch.reading = true;
        StartReadingDaynoteFile(DaynoteFileName, PrepareLoadedDaynotes(), [] {
            MarkPhase("daynotes-read");
            launch.read = true;
            if (launch.painted) CompleteStartUp();
        });
    }
    LoadMenuBar(QStringLiteral("VRDXMenuBar"));
    MarkPhase("menu-bar");
    UseScreenColormapForAllWindows();
    UpdateWebCommands();
    if (prefs.launchAnnounce) Speak(FormatDate(QStringLiteral("EEEE, MMMM, dd, yyyy"), GetNow()));
    // Read at once, the windows open with the daynotes in; read meanwhile, they open empty and show them as
    // the daynote store announces them.
    if (!readInBackground && !LoadDaynotes()) {
        launch.failed = true;
        return;
    }
    if (prefs.calendarWndOpen) ShowCalendar();
    MarkPhase("calendar");
    if (prefs.countDownWndOpen) ToggleCountdown();
    if (prefs.monthlyWndOpen) ShowMonthlyView();
    if (prefs.weeklyWndOpen) ShowWeeklyView();
    if (prefs.eventWndOpen) ShowEventList();
    // The daynote list opens only with daynotes to list, so a start-up reading them meanwhile opens it later.
    if (prefs.listWndOpen && !readInBackground) ShowDaynoteList();
    MarkPhase("windows");
    if (!(prefs.listWndOpen && readInBackground)) ShowCalendarIfNothingOpen();
    RebuildRecentUserNotesMenu();
    SetHelpTags(prefs.helpTags, 2000);
}

// Sorting and leaving out the notes too old to keep, done where the file is read; the age is the one of the
// preferences as they were when reading began.
DaynotePreparation PrepareLoadedDaynotes() {
    return [age = Prefs().autoDeleteAge, now = GetNow()](RecordArray& daynotes) {
        const size_t read = daynotes.size();
        const bool   sorted = SortDaynotes(daynotes);
        AutoDeleteOldDaynotes(daynotes, age, now);
        return sorted || daynotes.size() != read;
    };
}

// The daynote array as the file holds it, sorted and without the notes too old to keep. The windows already
// open redraw from the daynote store's announcement, which the undo history takes as its starting point: a
// copy that shares every record, so that the first action does not compare the whole array with nothing.
// The reminders are checked next, by FinishStartUp, once for the badge, the plan and what is due.
bool LoadDaynotes() {
    AppState&   app = App();
    RecordArray loaded;
    if (!FinishReadingDaynoteFile(DaynoteFileName, PrepareLoadedDaynotes(), &loaded)) return false;
    app.daynotes = std::move(loaded);
    app.daynotesLoaded = true;
    RemindersChanged();
    DaynoteChanges everything;
    everything.everything = true;
    TheDaynoteStore().Announce(everything);
    AdoptAnnouncedDaynotes();
    return true;
}

bool FinishStartUp() {
    AppState&    app = App();
    Preferences& prefs = Prefs();
    if (launch.failed || (launch.reading && !LoadDaynotes())) return false;
    MarkPhase("daynotes-in");
    if (launch.reading && prefs.listWndOpen) {
        ShowDaynoteList();
        ShowCalendarIfNothingOpen();
    }
    if (prefs.launchShowDaynote) {
        const bool calendar = FindWindowById(CalendarWindowId) != nullptr;
        OpenDaynote(calendar ? GetCalendarMonth() : GetCurrentMonth(), GetCurrentDay(),
                    calendar ? GetCalendarYear() : GetCurrentYear(), app.daynotes);
    }
    AnnounceReminders(app.daynotes);
    MarkPhase("reminders");
    ReopenUserNotesOfLastQuit();
    lastTickTime = GetNow();
    MarkPhase("initialized");
    return true;
}

// The second half of a start-up whose first window went on screen early: once, from the event loop.
void CompleteStartUp() {
    if (launch.completed) return;
    launch.completed = true;
    StopWatchingInput();
    if (!FinishStartUp()) {
        exitStatus = 1;
        DeferAlerts(false);
        QCoreApplication::exit(1);
        return;
    }
    QTimer::singleShot(0, qApp, [] { DeferAlerts(false); });
    InstallTick(0, 0.5);
    if (!launch.files.isEmpty())
        QTimer::singleShot(0, qApp, [files = launch.files] { OpenDroppedFiles(files); });
    // The first sync compares the daynotes read, so it waits for them.
    QTimer::singleShot(0, qApp, StartSyncService);
}

} // namespace

void AutoDeleteOldDaynotes(RecordArray& daynotes, int age) {
    AutoDeleteOldDaynotes(daynotes, age, GetNow());
}

void AutoDeleteOldDaynotes(RecordArray& daynotes, int age, double now) {
    if (age < 1 || age > 9999) age = 9999;
    // A note is removed when more than `age` whole days have passed since its date, that is when its date
    // plus age+1 days is not after now. One shift of now replaces a day count per note.
    const double cutoff = AddDateUnits(now, -(age + 1), AddDays);
    auto         removed = std::remove_if(daynotes.begin(), daynotes.end(), [cutoff](const Value& v) {
        const Record* r = ValueRecord(v);
        double        date = 0;
        if (!r || !RecordDate(*r, NoteDateKey, &date) || date > cutoff) return false;
        int8_t type = 0;
        return !(RecordByte(*r, NoteTypeKey, &type) && type == NoteKeeper);
    });
    daynotes.erase(removed, daynotes.end());
}

// ---------------------------------------------------------------------------------------------------------
// Tick
// ---------------------------------------------------------------------------------------------------------

void InstallTick(double firstDelay, double interval) {
    delete tickTimer;
    tickInterval = interval;
    tickTimer = new QTimer(qApp);
    tickTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(tickTimer, &QTimer::timeout, tickTimer, [] {
        // After the first delay the timer repeats at the interval.
        if (tickTimer->interval() != int(tickInterval * 1000))
            tickTimer->setInterval(int(tickInterval * 1000));
        TickEntry();
    });
    tickTimer->start(int(firstDelay * 1000));
}

void TickEntry() {
    if (App().asleep) return;
    Tick(App().daynotes);
}

int Tick(RecordArray& daynotes) {
    AppState&    app = App();
    const double now = GetNow();
    QWidget*     calendar = FindWindowById(CalendarWindowId);
    const bool   calendarShown = IsWindowVisible(calendar);
    const bool   weeklyShown = IsWindowVisible(FindWindowById(WeeklyWindowId));
    bool         announced = false;
    if (calendarShown) CalendarTick(calendar);
    // The day-change work, for whichever of the two day views is on screen.
    if ((calendarShown || weeklyShown) && GetCurrentDay() != app.dayMark) {
        app.dayMark = GetCurrentDay();
        if (calendarShown) ShowCalendarMonth(GetCurrentYear(), GetCurrentMonth());
        AnnounceReminders(daynotes);
        announced = true;
        if (calendarShown) SetControlText(FindControl(calendar, CalendarSunLineControl), SunLineText());
        if (weeklyShown) RefreshWeeklyView();
    }
    QWidget* countdown = FindWindowById(CountdownWindowId);
    if (IsWindowVisible(countdown)) RefreshCountdown(countdown);
    // A reminder fires at its moment, not only when the day changes.
    // Before start-up has checked the reminders there is no previous tick to fire from.
    if (!announced && lastTickTime > 0) FireRemindersReached(lastTickTime, now, daynotes);
    lastTickTime = now;
    TimeLogTick();
    TimeZonesTick();
    // Last of the work: its alert runs a nested event loop, whose ticks must find this one's bookkeeping
    // done.
    TimerTick();
    if (tickCount == 0) MarkPhase("first-tick");
    if (++tickCount == 1 && qEnvironmentVariableIsSet("VRDX_REPORT_FIRST_TICK"))
        std::fprintf(stderr, "vrdx: first tick %.1f ms after start\n", sinceStart.nsecsElapsed() / 1e6);
    return 0;
}

long TickCount() {
    return tickCount;
}

void SetAsleep(bool asleep) {
    App().asleep = asleep;
}

// ---------------------------------------------------------------------------------------------------------
// Files handed to the program
// ---------------------------------------------------------------------------------------------------------

namespace {

QStringList filesWaiting; // handed over while an earlier file's question or alert was up
bool        openingFiles = false;

bool IsUnopenable(const QString& path, FourCC fileType) {
    return fileType != UserNoteType && !IsIcalendarFile(path);
}

} // namespace

void OpenDroppedFiles(const QStringList& paths) {
    // Files that arrive while one of them shows a question or an alert (its loop is where they arrive)
    // wait for it to be answered, one after the other, instead of opening alert inside alert; the ones that
    // cannot be opened join an alert that says so and is showing.
    for (const QString& path : paths) {
        FourCC type = 0, creator = 0;
        GetFileTypeAndCreator(path, &type, &creator);
        if (openingFiles && IsUnopenable(path, type) && IsUnopenableReportShowing())
            ReportUnopenableFile(QFileInfo(QDir::cleanPath(path)).fileName(), type);
        else
            filesWaiting << path;
    }
    if (openingFiles) return;
    openingFiles = true;
    while (!filesWaiting.isEmpty() && !App().quitting) {
        const QString path = filesWaiting.takeFirst();
        FourCC        type = 0, creator = 0;
        GetFileTypeAndCreator(path, &type, &creator);
        OpenDroppedFile(path, type);
    }
    filesWaiting.clear();
    openingFiles = false;
}

void OpenDroppedFile(const QString& path, FourCC fileType) {
    if (fileType == UserNoteType) {
        OpenUserNoteFile(OpenGivenUserNote, path, PrefRect{});
        return;
    }
    if (OfferIcalendarImport(path)) return;
    // A folder handed over as "/some/folder/" is still named by its last component.
    ReportUnopenableFile(QFileInfo(QDir::cleanPath(path)).fileName(), fileType);
}

// ---------------------------------------------------------------------------------------------------------
// Quit
// ---------------------------------------------------------------------------------------------------------

void QuitSequence() {
    AppState& app = App();
    if (app.quitting) return;
    FlushDaynoteRequests(); // what other programs sent before the quit is saved with the rest
    Preferences& prefs = Prefs();
    for (bool* flag : {&prefs.calendarWndOpen, &prefs.countDownWndOpen, &prefs.monthlyWndOpen,
                       &prefs.weeklyWndOpen, &prefs.listWndOpen, &prefs.eventWndOpen})
        *flag = false;
    app.quitting = true;
    MarkPhase("quit");
    FinishReminderWork(); // e-mails taken by then lose their fields in the file saved below
    CloseAllForQuit();
    MarkPhase("quit-windows-closed");
    // What the windows just gave back goes to the server too, in the time a quit can spare.
    if (app.daynotesLoaded) SyncAtQuit();
    // A quit request during start-up must not write an array that was never loaded over the user's file.
    if (app.prefsLoaded) SavePreferences();
    QString reason;
    if (app.daynotesLoaded && !SaveRecordFile(app.daynotes, DaynoteFileName, &reason)) {
        const QString recovery = WriteRecoveryFile(app.daynotes);
        const QString informative =
            QStringLiteral("VRD X could not write \"%1\".\r%2\r")
                .arg(GetDataFileURL(DaynoteFileName), reason) +
            (recovery.isEmpty()
                 ? QStringLiteral("They could not be saved anywhere else either, so the changes since the "
                                  "last successful save are lost.")
                 : QStringLiteral("They were saved to \"%1\". Move that file to \"%2\" to use them again.")
                       .arg(recovery, GetDataFileURL(DaynoteFileName)));
        // Also on the terminal: a quit at logout may leave nobody to read the alert.
        std::fprintf(stderr, "vrdx: %s\n%s\n", qPrintable(DaynotesNotSavedMessage),
                     qPrintable(QString(informative).replace(QLatin1Char('\r'), QLatin1Char('\n'))));
        ShowAlertForAtMost(30, AlertStyle::Critical, DaynotesNotSavedMessage, informative);
        exitStatus = 1;
    }
    SaveTimeLogAtQuit();
    MarkPhase("quit-saved");
}
