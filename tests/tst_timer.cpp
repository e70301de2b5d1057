// The timer on the offscreen platform with the test clock: the countdown, repetitions, the attention alert
// with its sound and notification, the window reopened. The program's sounds: the shipped files, name
// resolution, the one-at-a-time player, no audio device.
#include "core/startup.h"
#include "helpers/test_support.h"
#include "tools/sounds.h"
#include "tools/timer.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const bool privateSession = StartPrivateSessionBus() && !UsePrivateHome().isEmpty(); // before QApplication

const double  Start = 820000000.0; // a moment in December 2026
const QString Expired = u"VRDX 24 hour Timer Has Expired"_s;

const auto Window = [] { return FindWindowById(TimerWindowId); };
const auto Sheet = [] { return FindWindowById(TimerSheetId); };

// Sets a timer through the window's sheet as the user would; repetitions < 0 leaves the box unticked.
void SetTimer(const QString& hours, const QString& minutes, const QString& message, int repetitions = -1,
              const QString& repetitionsText = QString()) {
    if (!Window()) RunCommand(MakeFourCC("ShTM"));
    ClickIn(Window(), TimerSetButton);
    QWidget* sheet = Sheet();
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

class TestTimer : public QObject {
    Q_OBJECT

    FakeNotifications notifications;
    QStringList       played; // what the player hands to the audio system, instead of playing it
    const QString     cache = qEnvironmentVariable("XDG_CACHE_HOME") + u"/VRDX/sounds/"_s;
    QList<double>     alertTimes; // when each attention alert was answered
    double            userDelay = 0;
    AlertRecorder     alerts;

  private slots:
    void initTestCase() {
        QVERIFY(privateSession);
        QVERIFY(notifications.Serve());
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
        ResetTimer();
        DisposeDocumentWindows();
        SetTestClock(Start);
        alerts.alerts.clear();
        alertTimes.clear();
        played.clear();
        notifications.posted.clear();
        userDelay = 0;
        EndCurrentSound();
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
        QVERIFY(!IsWindowVisible(Sheet()));
        QCOMPARE(alerts.alerts.size(), refusals);
        QCOMPARE(IsTimerActive(), !title.isEmpty());
        if (title.isEmpty()) return;
        Advance(after);
        TickOnce();
        QCOMPARE(GetWindowTitle(Window()), title);
        ClickIn(Window(), TimerStopButton);
        QVERIFY(!IsTimerActive());
        QCOMPARE(GetWindowTitle(Window()), u"No Active Timer"_s);
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
        QTRY_COMPARE(notifications.posted.size(), texts.size());
        QCOMPARE(notifications.posted.first(), Expired + u"|Your 1 minute timer has expired."_s);
    }

    // The timer goes on without its window, and a paused one stays frozen; a new window picks it up, and the
    // alert comes all the same.
    void closedAndReopened_data() { AddRows<bool>({{"running", false}, {"paused", true}}, "paused"); }
    void closedAndReopened() {
        QFETCH(bool, paused);
        SetTimer(u"0"_s, u"1"_s, u"Call"_s);
        Advance(20.5);
        TickOnce();
        if (paused) ClickIn(Window(), TimerPauseButton);
        CloseWindow(Window());
        QTest::qWait(0);
        QVERIFY(!Window());
        Advance(10);
        TickOnce();
        RunCommand(MakeFourCC("ShTM"));
        if (!paused) TickOnce();
        QCOMPARE(GetWindowTitle(Window()),
                 paused ? u"00:00:39 Remaining on Timer"_s : u"00:00:29 Remaining on Timer"_s);
        if (paused) ClickIn(Window(), TimerPauseButton);
        CloseWindow(Window());
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
        ClickIn(Window(), TimerSetButton);
        QWidget* sheet = Sheet();
        ClickIn(sheet, TimerRepeatCheckBox);
        QWidget* repetitions = FindControl(sheet, TimerRepetitionsField);
        QCOMPARE(sheet->focusWidget(), repetitions);
        QTest::keyClicks(repetitions, u"3"_s);
        QTest::keyClick(repetitions, Qt::Key_Escape);
        QVERIFY(!IsWindowVisible(sheet));
        QVERIFY(!IsTimerActive());
        ClickIn(Window(), TimerSetButton);
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
        AddRows<QString>({{"chime", u"Mantel.aiff"_s}, {"not a sound", QFINDTESTDATA("tst_timer.cpp")}},
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

QTEST_MAIN(TestTimer)
#include "tst_timer.moc"
