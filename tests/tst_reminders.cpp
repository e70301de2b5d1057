// Reminders on a private session bus, with a fake sendmail, a fake notification server and a listening dock.
// The timer with the test clock: the countdown, repetitions, the attention alert with its sound and
// notification, the window reopened. The program's sounds: the shipped files, name resolution, the
// one-at-a-time player, no audio device.
#include "core/startup.h"
#include "helpers/test_support.h"
#include "notes/reminders.h"
#include "platform/mail.h"
#include "platform/notify.h"
#include "platform/speech.h"
#include "tools/sounds.h"
#include "tools/timer.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const bool privateSession = StartPrivateSessionBus() && !UsePrivateHome().isEmpty(); // before QApplication

// Daynotes on the given dates, with a reminder at each moment that is not NaN.
RecordArray Daynotes(const QList<double>& dates, const QList<double>& at = {}) {
    RecordArray notes;
    for (int i = 0; i < dates.size(); ++i) {
        SetDaynote(notes, i, u"Note %1\rsecond line"_s.arg(i + 1), dates[i], NoteStandard, {});
        if (i < at.size() && !qIsNaN(at[i])) SetRecordDate(notes, i, ReminderDateKey, at[i]);
    }
    return notes;
}

using CheckAndAnnounceRow = std::tuple<QList<double>, QList<int>, QString>;
using MailFieldsStayUntilTakenRow = std::tuple<QString, int, bool, QString>;

const double  Start = 820000000.0; // a moment in December 2026
const QString Expired = u"VRDX 24 hour Timer Has Expired"_s;

const auto TimerWindow = [] { return FindWindowById(TimerWindowId); };
const auto TimerSheet = [] { return FindWindowById(TimerSheetId); };

// Sets a timer through the window's sheet as the user would; repetitions < 0 leaves the box unticked.
void SetTimer(const QString& hours, const QString& minutes, const QString& message, int repetitions = -1,
              const QString& repetitionsText = QString()) {
    if (!TimerWindow()) RunCommand(MakeFourCC("ShTM"));
    ClickIn(TimerWindow(), TimerSetButton);
    QWidget* sheet = TimerSheet();
    SetControlText(FindControl(sheet, TimerHoursField), hours);
    SetControlText(FindControl(sheet, TimerMinutesField), minutes);
    SetControlText(FindControl(sheet, TimerMessageField), message);
    if (GetControlValue(FindControl(sheet, TimerRepeatCheckBox)) != (repetitions >= 0))
        ClickIn(sheet, TimerRepeatCheckBox);
    SetControlText(FindControl(sheet, TimerRepetitionsField),
                   repetitions >= 0 ? QString::number(repetitions) : repetitionsText);
    ClickIn(sheet, TimerStartButton);
}

using TitleRow = std::tuple<QString, QString, double, QString, int>;
using ExpiryRow = std::tuple<int, QString, QStringList>;
using SoundRow = std::pair<QString, double>;

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

    FakeDesktop   desktop;
    AlertRecorder alerts;
    QStringList   played; // what the player hands to the audio system, instead of playing it
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + u"/VRDX/sounds/"_s;
    QList<double> alertTimes; // when each attention alert was answered
    double        userDelay = 0;
    QStringList   spoken;
    const QString sent = qEnvironmentVariable("HOME") + u"/sent"_s; // the fake sendmail's mail
    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_GB"};

    static double At(int m, int d, int y, int h = 0) { return DateTimeToAbsTime(m, d, y, h, 0); }

    QByteArrayList SentMail() {
        if (!QTest::qWaitFor([] { return PendingMailCount() == 0; }, 30000)) qWarning("sendmail still runs");
        QByteArrayList mails;
        for (const QString& name : QDir(sent).entryList({u"mail.*"_s}, QDir::Dirs)) {
            QFile in(sent + QLatin1Char('/') + name + u"/stdin"_s);
            mails << (in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray());
        }
        return mails;
    }

    static bool WorkDone() {
        return QTest::qWaitFor([] { return !ReminderWorkPending(); }, 30000);
    }

    // The bus keeps the order of what one connection sends: once this notification arrives, all before have.
    bool Sync() {
        PostDesktopNotification(u"sync"_s, QString());
        return QTest::qWaitFor([&] { return desktop.posted.removeAll(u"sync|"_s) > 0; }, 10000);
    }

  private slots:
    void initTestCase() {
        QVERIFY(privateSession);
        qputenv("FAKE_SENDMAIL_DIR", sent.toUtf8());
        SetSpeechSink([this](const QString& text) { spoken << text; });
        QVERIFY(desktop.Serve(true));
        desktop.HandleUrls(u"mailto"_s);
        QVERIFY(SetUpProgramWindows());
        SetSoundSink([this](const QString& path) { played << path; });
        // No sound theme, and ALSA with no device as the only audio back end, whatever the machine has.
        qputenv("XDG_DATA_DIRS", "/nonexistent");
        qputenv("CANBERRA_DRIVER", "alsa");
        qputenv("ALSA_CONFIG_PATH", "/dev/null");
        // The user takes a while to answer each alert.
        SetAlertPresenter([this](const AlertRequest& r) {
            alerts.alerts << r;
            Advance(userDelay);
            alertTimes << CurrentAbsoluteTime();
            return AlertFirstButton;
        });
    }
    void init() {
        FinishReminderWork();
        ResetTimer();
        DisposeDocumentWindows();
        SetTestClock(Start);
        alertTimes.clear();
        played.clear();
        userDelay = 0;
        EndCurrentSound();
        QVERIFY(Sync());
        QVERIFY(QDir(sent).removeRecursively() && QDir().mkpath(sent));
        spoken.clear();
        desktop.posted.clear();
        desktop.badge.clear();
        desktop.opened.clear();
        alerts.alerts.clear();
        qputenv("VRDX_SENDMAIL", qgetenv("VRDX_SOURCE_DIR") + "/tests/fake-sendmail");
        qunsetenv("FAKE_SENDMAIL_EXIT");
        RemindersChanged();
    }

    void checkAndAnnounce_data() {
        const double none = qQNaN();
        // offsets: reminder moments from now in seconds, NaN for none; fired: the records that fire, in order
        AddRows<CheckAndAnnounceRow>({
            {"none due", {QList<double>{1, none, 86400}, QList<int>{}, u""_s}},
            {"one due", {QList<double>{none, -60, 60}, QList<int>{1}, u"1 reminder is pending"_s}},
            {"two due, the last record first",
             {QList<double>{-172800, none, 0}, QList<int>{2, 0}, u"2 reminders are pending"_s}},
        });
    }
    void checkAndAnnounce() {
        FETCH_ROW(CheckAndAnnounceRow, offsets, fired, said);
        const double      now = At(12, 5, 2026, 12);
        const QStringList days{"Tuesday, 1", "Saturday, 5", "Thursday, 10"};
        QList<double>     reminders;
        QStringList       posts;
        for (double offset : offsets) reminders << now + offset;
        for (int i : fired) posts << QString("Reminder: %1 December 2026|Note %2").arg(days[i]).arg(i + 1);
        RecordArray notes = Daynotes({At(12, 1, 2026), At(12, 5, 2026), At(12, 10, 2026)}, reminders);
        SetTestClock(now);
        QCOMPARE(CheckReminders(false, notes), fired.size()); // counting only fires nothing
        QCOMPARE(DisposeDaynoteWindows(), 0);
        QCOMPARE(AnnounceReminders(notes), fired.size());
        QVERIFY(WorkDone());
        QCOMPARE(DisposeDaynoteWindows(), fired.size());
        QCOMPARE(spoken, said.isEmpty() ? QStringList() : QStringList{said});
        QVERIFY(Sync());
        QCOMPARE(desktop.posted, posts);
        QCOMPARE(desktop.badge.value(u"count"_s), QVariant(qlonglong(fired.size())));
        QCOMPARE(desktop.badge.value(u"count-visible"_s), QVariant(!fired.isEmpty()));
    }

    // An e-mail's fields go only once a mail program has taken it; otherwise they stay for the next check.
    // The reminder's date and web address stay either way.
    void mailFieldsStayUntilTaken_data() {
        const QString me = u"me@example.org"_s;
        // sendmail: the fake sendmail's exit status; -1: no sendmail at all; client: a mail client takes
        // mailto URLs; alert: the start of the one alert
        AddRows<MailFieldsStayUntilTakenRow>({
            {"single blanks are no e-mail", {u" "_s, 0, true, QString()}},
            {"sendmail takes it", {me, 0, false, QString()}},
            {"sendmail refuses", {me, 75, false, u"The reminder e-mail could not be sent"_s}},
            {"no sendmail, the client composes", {me, -1, true, QString()}},
            {"no sendmail, no client", {me, -1, false, u"A sendmail-compatible mail program"_s}},
        });
    }
    void mailFieldsStayUntilTaken() {
        FETCH_ROW(MailFieldsStayUntilTakenRow, address, sendmail, client, alert);
        RecordArray notes = Daynotes({At(12, 5, 2026)}, {At(1, 1, 2020)});
        const bool  blank = address.size() < 2, kept = blank || !alert.isEmpty();
        SetRecordValue(notes, 0, EmailAddrKey, address);
        SetRecordValue(notes, 0, EmailSubjectKey, blank ? address : u"Tea & cake? 2=2 #1 100%"_s);
        SetRecordValue(notes, 0, EmailMessageKey, blank ? address : u"Line 1\rLine 2 & 3"_s);
        SetRecordValue(notes, 0, URLKey, u" "_s);
        const Record before = *GetRecord(notes, 0, false);
        if (sendmail < 0) qputenv("VRDX_SENDMAIL", (sent + u"/no-sendmail"_s).toUtf8());
        qputenv("FAKE_SENDMAIL_EXIT", QByteArray::number(qMax(sendmail, 0)));
        if (!client) desktop.StopHandlingUrls(u"mailto"_s);
        QCOMPARE(CheckReminders(true, notes), 1);
        QCOMPARE(CheckReminders(true, notes), 1); // while the first is still on its way: no second e-mail
        QVERIFY(WorkDone());
        QTest::qWait(20); // the alert comes from the event loop
        desktop.HandleUrls(u"mailto"_s);
        QCOMPARE(SentMail().size(), sendmail >= 0 && !blank ? 1 : 0);
        const QString url = sendmail < 0 && client
                                ? u"mailto:me@example.org?subject=Tea%20%26%20cake%3F%202%3D2%20"
                                  u"%231%20100%25&body=Line%201%0D%0ALine%202%20%26%203"_s
                                : QString();
        QCOMPARE(desktop.opened.size(), url.isEmpty() ? 0 : 1);
        if (!url.isEmpty()) QCOMPARE(desktop.opened[0].toString(QUrl::FullyEncoded), url);
        if (kept)
            QCOMPARE(*GetRecord(notes, 0, false), before);
        else
            for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
                QVERIFY(!GetRecordValue(notes, 0, *key));
        QVERIFY(GetRecordValue(notes, 0, ReminderDateKey) && GetRecordValue(notes, 0, URLKey));
        QCOMPARE(alerts.alerts.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty())
            QVERIFY2(alerts.alerts[0].message.startsWith(alert), qPrintable(alerts.alerts[0].message));
    }

    // Many due reminders: the latest daynotes open, one alert tells of the others, and Show Reminders goes
    // through all of them a page at a time. (E-mails and windows at start-up: test_app_reminder_flood.py.)
    void manyDueOpenTheLatestAndPage() {
        const int     count = RemindersOpenedAtOnce * 2 + 5;
        QList<double> dates, at;
        for (int i = 0; i < count; ++i) {
            dates << At(1, 1, 2026) + i * 86400.0;
            at << At(1, 1, 2020);
        }
        RecordArray notes = Daynotes(dates, at);
        QCOMPARE(CheckReminders(true, notes), count);
        QVERIFY(WorkDone());
        QTRY_COMPARE(alerts.alerts.size(), 1); // one alert tells of the others
        const QStringList latest = DaynoteWindowTitles();
        QCOMPARE(latest.size(), RemindersOpenedAtOnce);
        QVERIFY(latest.contains(FormatDate(u"dd  LLLL  yyyy"_s, dates.last())));
        DisposeDaynoteWindows();
        QSet<QString> seen; // three pages hold every due daynote, the fourth starts again from the latest
        for (int call = 0; call < 4; ++call) {
            ShowAllReminders(notes);
            QVERIFY(WorkDone());
            const QStringList page = DaynoteWindowTitles();
            if (call == 0 || call == 3) QCOMPARE(page, latest);
            seen.unite(QSet<QString>(page.begin(), page.end()));
            DisposeDaynoteWindows();
        }
        QCOMPARE(seen.size(), count);
    }

    // Subjects and bodies as a mail program reads them: Python's email package decodes what sendmail got.
    // Line breaks in a subject become blanks, so that no header can be slipped in.
    void mailArrivesExactly_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("subjectOut"); // empty: as given
        const auto row = [](const char* name, const QString& subject, const QString& body,
                            const QString& subjectOut = {}) {
            QTest::newRow(name) << subject << body << (subjectOut.isEmpty() ? subject : subjectOut);
        };
        const QString cake = u"🎂🎉"_s;
        row("one to four octets, every offset", u"aé€🎂"_s.repeated(25), u"é \r\tb\t\rc  "_s);
        row("line of 999 octets, emoji across the soft breaks; what a shell would expand",
            u"He said \"stop\"; 'ok' $(echo x) `echo y`; $HOME \\"_s,
            u"a"_s + cake.repeated(124) + u"aaaaaa"_s);
        row("a dot alone, equals signs, ASCII that looks encoded", u"=?UTF-8?B?SGVsbG8=?= =?x"_s,
            u".\r=41=\r."_s);
        row("line breaks of every kind", u"first\nsecond"_s, u"one\ntwo\r\nthree\rfour"_s, u"first second"_s);
        row("header after CRLF in the subject", u"x\r\nBcc: evil@example.org"_s, u"b"_s,
            u"x Bcc: evil@example.org"_s);
    }
    void mailArrivesExactly() {
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, subjectOut);
        SendReminderMail(u"me@example.org"_s, QString(), subject, body, [](MailResult, const QString&) {});
        const QByteArrayList mails = SentMail();
        QCOMPARE(mails.size(), 1);
        QFile file(sent + u"/message"_s);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(mails[0]) == mails[0].size());
        file.close();
        const QJsonObject read = PythonReading(u"mail_reader.py"_s, file.fileName());
        QVERIFY(!read.isEmpty());
        const QStringList problems = read.value(u"problems"_s).toVariant().toStringList();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
        QCOMPARE(read.value(u"subject"_s).toString(), subjectOut);
        QString expected = body;
        expected.replace(u"\r\n"_s, u"\n"_s).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (!expected.endsWith(QLatin1Char('\n'))) expected += QLatin1Char('\n');
        QCOMPARE(read.value(u"body"_s).toString(), expected);
    }

    void defaultReminderIsAWeekBeforeAtMidnight() {
        RecordArray notes = Daynotes({At(3, 10, 2026, 15), At(4, 2, 2026)}); // across the clock change
        double      first = 0, second = 0;
        for (int i : {0, 1}) SetDefaultReminder(notes, i);
        QVERIFY(GetRecordDate(notes, 0, ReminderDateKey, &first) &&
                GetRecordDate(notes, 1, ReminderDateKey, &second));
        QCOMPARE(first, At(3, 3, 2026));
        QCOMPARE(second, At(3, 26, 2026));
    }

    // Reminders a minute ahead, between two ticks, and due before the ticks began: each fires once or never.
    void remindersReachedByTheClockFireOnce() {
        const double start = At(12, 5, 2026, 14);
        RecordArray  notes =
            Daynotes({start - 86400, start, start + 86400}, {start + 60, start + 60.2, start - 1});
        QList<double> fired;
        for (double now = 0.5; now <= 180; now += 0.5) { // the clock tick's half-second steps
            SetTestClock(start + now);
            FireRemindersReached(start + now - 0.5, start + now, notes);
            QVERIFY(WorkDone());
            for (qsizetype n = DisposeDaynoteWindows(); n > 0; --n) fired << now;
        }
        QCOMPARE(fired, (QList<double>{60, 60.5}));
        QVERIFY(Sync());
        QCOMPARE(desktop.posted.size(), 2);
        QVERIFY(spoken.isEmpty());
    }

    // A timer the sheet accepts counts down in the window's title; one out of range is refused with a word.
    void countsDownInTheTitle_data() {
        AddRows<TitleRow>({
            {"1 minute, 30 s in", {u""_s, u"01"_s, 30.5, u"00:00:29 Remaining on Timer"_s, 0}},
            {"23 h 59 min, an hour in", {u"23"_s, u"59"_s, 3600.5, u"22:58:59 Remaining on Timer"_s, 0}},
            {"24 hours refused", {u"24"_s, u"0"_s, 0, QString(), 1}},
            {"60 minutes refused", {u"0"_s, u"60"_s, 0, QString(), 1}},
            {"zeros: no timer", {u"00"_s, u"0"_s, 0, QString(), 0}},
        });
    }
    void countsDownInTheTitle() {
        FETCH_ROW(TitleRow, hours, minutes, after, title, refusals); // title empty: refused
        SetTimer(hours, minutes, u"Tea"_s);
        QVERIFY(!IsWindowVisible(TimerSheet()));
        QCOMPARE(alerts.alerts.size(), refusals);
        QCOMPARE(IsTimerActive(), !title.isEmpty());
        if (title.isEmpty()) return;
        Advance(after);
        TickOnce();
        QCOMPARE(GetWindowTitle(TimerWindow()), title);
        ClickIn(TimerWindow(), TimerStopButton);
        QVERIFY(!IsTimerActive());
        QCOMPARE(GetWindowTitle(TimerWindow()), u"No Active Timer"_s);
    }

    // Every run ends in one alert; the next run starts when the user answers it, not when it appeared.
    void expiryAndRepetitions_data() {
        const QString first = u"Your 1 minute timer has expired.\r\rYour message: Tea  time\r\r"_s;
        const QString last = first + u"No Repetitions are Scheduled"_s;
        const QString more = first + u"Subsequent Repetitions Begin When you Press OK"_s;
        AddRows<ExpiryRow>({
            {"no repetitions", {-1, u""_s, {last}}},
            {"2 repetitions", {2, u""_s, {more, more, last}}},
            {"number without the box", {-1, u"5"_s, {last}}},
        });
    }
    void expiryAndRepetitions() {
        FETCH_ROW(ExpiryRow, repetitions, unticked, texts); // unticked: typed with the box unticked
        userDelay = 25;
        SetTimer(u"0"_s, u"1"_s, u"Tea  time"_s, repetitions, unticked);
        for (int run = 0; run < 10 && IsTimerActive(); ++run) {
            const double started = CurrentTimer().baseTime;
            Advance(59.6);
            TickOnce();
            QCOMPARE(alerts.alerts.size(), run); // 0.4 s still to go
            Advance(0.5);
            TickOnce(); // the remaining time reaches zero
            TickOnce(); // and the next tick finds it there
            QCOMPARE(alerts.alerts.size(), run + 1);
            QVERIFY(qAbs(alertTimes.last() - (started + 60.1 + userDelay)) < 1e-6);
            if (IsTimerActive()) QCOMPARE(CurrentTimer().baseTime, alertTimes.last());
        }
        QStringList shown;
        for (const AlertRequest& r : alerts.alerts) {
            QVERIFY(r.attention);
            shown << r.message;
        }
        QCOMPARE(shown, texts);
        // No sound chosen: the beep, and a notification for each run.
        QVERIFY(played.isEmpty());
        QTRY_COMPARE(desktop.posted.size(), texts.size());
        QCOMPARE(desktop.posted.first(), Expired + u"|Your 1 minute timer has expired."_s);
    }

    // The timer goes on without its window, and a paused one stays frozen; a new window picks it up, and the
    // alert comes all the same.
    void closedAndReopened_data() { AddRows<bool>({{"running", false}, {"paused", true}}, "paused"); }
    void closedAndReopened() {
        QFETCH(bool, paused);
        SetTimer(u"0"_s, u"1"_s, u"Call"_s);
        Advance(20.5);
        TickOnce();
        if (paused) ClickIn(TimerWindow(), TimerPauseButton);
        CloseWindow(TimerWindow());
        QTest::qWait(0);
        QVERIFY(!TimerWindow());
        Advance(10);
        TickOnce();
        RunCommand(MakeFourCC("ShTM"));
        if (!paused) TickOnce();
        QCOMPARE(GetWindowTitle(TimerWindow()),
                 paused ? u"00:00:39 Remaining on Timer"_s : u"00:00:29 Remaining on Timer"_s);
        if (paused) ClickIn(TimerWindow(), TimerPauseButton);
        CloseWindow(TimerWindow());
        QTest::qWait(0);
        Advance(60);
        TickOnce();
        TickOnce();
        QCOMPARE(alerts.alerts.size(), 1);
        QVERIFY(alerts.alerts[0].message.contains(u"Your message: Call\r\r"_s));
        QVERIFY(!IsTimerActive());
    }

    // The box moves the focus to the number it enables; Escape hides the sheet without starting anything.
    // tst_dispatch closes the sheet by 'not!' and keeps it.
    void sheetClosing() {
        RunCommand(MakeFourCC("ShTM"));
        ClickIn(TimerWindow(), TimerSetButton);
        QWidget* sheet = TimerSheet();
        ClickIn(sheet, TimerRepeatCheckBox);
        QWidget* repetitions = FindControl(sheet, TimerRepetitionsField);
        QCOMPARE(sheet->focusWidget(), repetitions);
        QTest::keyClicks(repetitions, u"3"_s);
        QTest::keyClick(repetitions, Qt::Key_Escape);
        QVERIFY(!IsWindowVisible(sheet));
        QVERIFY(!IsTimerActive());
        ClickIn(TimerWindow(), TimerSetButton);
        ClickIn(sheet, TimerRepeatCheckBox); // the sheet outlives the test too: leave the box as it was
        HandleAppEvent(MakeFourCC("not!"));
    }

    // The chosen sound plays when the timer runs out; with the file gone, the beep sounds.
    void timerSound_data() { AddRows<bool>({{"chosen", false}, {"file gone", true}}, "removeFile"); }
    void timerSound() {
        QFETCH(bool, removeFile);
        const auto forget = [] {
            PrefSetValue(TimerSoundKey, nullptr);
            PrefSync();
            Prefs().timerSoundPath.clear();
        };
        forget();
        const QString sound = qEnvironmentVariable("HOME") + u"/bell.wav"_s;
        QFile         file(sound);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("RIFF") == 4);
        file.close();
        const OpenFilePresenter previous =
            SetOpenFilePresenter([&](const OpenFileRequest&) { return sound; });
        RunCommand(MakeFourCC("ShTM"));
        QVERIFY(ChooseTimerSound());
        SetOpenFilePresenter(previous);
        // Stored at once: a fresh read of the preferences file finds it.
        LoadPreferences();
        QCOMPARE(Prefs().timerSoundPath, sound);
        if (removeFile) QVERIFY(QFile::remove(sound));
        const int beeps = BeepCount();
        SetTimer(u"0"_s, u"1"_s, QString());
        Advance(61);
        TickOnce();
        TickOnce();
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(played, removeFile ? QStringList{} : QStringList{sound});
        QCOMPARE(BeepCount() - beeps, removeFile ? 1 : 0);
        forget();
    }

    // The real alert: a second request meanwhile shows nothing, and the tick goes on underneath.
    void attentionAlert() {
        const AlertPresenter recorder = SetAlertPresenter({});
        int                  nested = -1;
        long                 ticksWhileUp = 0;
        bool                 showing = false;
        QTimer               ticker;
        QObject::connect(&ticker, &QTimer::timeout, [] { TickEntry(); });
        ticker.start(20);
        const long before = TickCount();
        // Inside the alert: the second request, then the answer once the tick has gone on a few times.
        QTimer::singleShot(0, [&] {
            nested = AttentionAlert(u"Second"_s, u"x"_s, {});
            (void)QTest::qWaitFor([&] { return TickCount() - before >= 3; }, 20000);
            ticksWhileUp = TickCount() - before;
            showing = IsAttentionAlertShowing();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->buttons().constFirst()->click();
        });
        const int answer = AttentionAlert(Expired, u"Your 1 minute timer has expired."_s, {});
        ticker.stop();
        SetAlertPresenter(recorder);
        QCOMPARE(answer, AlertFirstButton);
        QVERIFY(showing);
        QCOMPARE(nested, 0);
        QVERIFY(ticksWhileUp >= 3);
        QVERIFY(!IsAttentionAlertShowing());
    }
    // Each sound is copied out of the program as it was built in, and lasts as long as the player waits.
    void ourSounds_data() {
        AddRows<SoundRow>({{"Click.aiff", {u"click.wav"_s, 0.04}}, {"mantel", {u"mantel.wav"_s, 3.4}}});
    }
    void ourSounds() {
        FETCH_ROW(SoundRow, file, seconds);
        const QString path = ResolveSoundName(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(path, cache + file);
        QCOMPARE(ReadBytes(path), ReadBytes(u":/resources/sounds/"_s + file));
        QVERIFY(qAbs(SoundDuration(path) - seconds) < 0.005);
    }

    void unknownSoundNamesPlayNothing() {
        for (const char* name : {"", "Glass.aiff", "no-such-sound", "/no/such/file.wav", "relative/x.wav"}) {
            QCOMPARE(ResolveSoundName(QString::fromLatin1(name)), QString());
            PlaySoundNamed(QString::fromLatin1(name));
        }
        QVERIFY(played.isEmpty() && !IsSoundPlaying());
    }

    void onePlayerAtATime() {
        PlaySoundNamed(u"Mantel.aiff"_s);
        PlaySoundNamed(u"Click.aiff"_s); // ignored while the chime plays
        EndCurrentSound();
        PlaySoundNamed(u"Click.aiff"_s);
        QVERIFY(IsSoundPlaying());
        QTRY_VERIFY(!IsSoundPlaying()); // free again after the click's own length
        PlaySoundNamed(u"Click"_s);
        QCOMPARE(played, (QStringList{cache + "mantel.wav", cache + "click.wav", cache + "click.wav"}));
    }

    // Without an audio device each request comes back from the audio system while the event loop goes on, and
    // a sound the audio system refused frees the player at once, however long the sound or unreadable the
    // file.
    void playsWithoutAnAudioDevice_data() {
        AddRows<QString>({{"chime", u"Mantel.aiff"_s}, {"not a sound", QFINDTESTDATA("tst_reminders.cpp")}},
                         "name");
    }
    void playsWithoutAnAudioDevice() {
        QFETCH(QString, name);
        const SoundSink recorder = SetSoundSink({}); // the audio system
        const int       before = FinishedAudioRequests();
        // Whether the player still looks busy right after the request is a race with the audio system's
        // answer; what counts is that it is free once the answer is in.
        PlaySoundNamed(name);
        QTRY_VERIFY_WITH_TIMEOUT(FinishedAudioRequests() > before, 20000);
        SetSoundSink(recorder);
        QVERIFY(!IsSoundPlaying());
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
