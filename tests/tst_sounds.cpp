// The program's sounds: the shipped files, name resolution, the one-at-a-time player, no audio device.
#include "helpers/test_support.h"
#include "tools/sounds.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// Records what the player hands to the audio system, instead of playing it.
struct SinkRecorder {
    QStringList paths;
    SoundSink   previous = SetSoundSink([this](const QString& path) { paths << path; });
    ~SinkRecorder() { SetSoundSink(previous); }
};

using SoundRow = std::pair<QString, double>;

} // namespace

class TestSounds : public QObject {
    Q_OBJECT
    QString cache;

  private slots:
    void initTestCase() {
        cache = UsePrivateHome() + QStringLiteral("/cache/VRDX/sounds/");
        // No sound theme, and ALSA with no device as the only audio back end, whatever the machine has.
        qputenv("XDG_DATA_DIRS", "/nonexistent");
        qputenv("CANBERRA_DRIVER", "alsa");
        qputenv("ALSA_CONFIG_PATH", "/dev/null");
    }
    void init() { EndCurrentSound(); }

    // Each sound is copied out of the program as it was built in, and lasts as long as the player waits.
    void ourSounds_data() {
        AddRows<SoundRow>({{"Click.aiff", {u"click.wav"_s, 0.04}}, {"mantel", {u"mantel.wav"_s, 3.4}}});
    }
    void ourSounds() {
        FETCH_ROW(SoundRow, file, seconds);
        const QString path = ResolveSoundName(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(path, cache + file);
        QFile copy(path), resource(QStringLiteral(":/resources/sounds/") + file);
        QVERIFY(copy.open(QIODevice::ReadOnly) && resource.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), resource.readAll());
        QVERIFY(qAbs(SoundDuration(path) - seconds) < 0.005);
    }

    void unknownNamesPlayNothing() {
        SinkRecorder sink;
        for (const char* name : {"", "Glass.aiff", "no-such-sound", "/no/such/file.wav", "relative/x.wav"}) {
            QCOMPARE(ResolveSoundName(QString::fromLatin1(name)), QString());
            PlaySoundNamed(QString::fromLatin1(name));
        }
        QVERIFY(sink.paths.isEmpty() && !IsSoundPlaying());
    }

    void onePlayerAtATime() {
        SinkRecorder sink;
        PlaySoundNamed(QStringLiteral("Mantel.aiff"));
        PlaySoundNamed(QStringLiteral("Click.aiff")); // ignored while the chime plays
        EndCurrentSound();
        PlaySoundNamed(QStringLiteral("Click.aiff"));
        QVERIFY(IsSoundPlaying());
        QTRY_VERIFY(!IsSoundPlaying()); // free again after the click's own length
        PlaySoundNamed(QStringLiteral("Click"));
        QCOMPARE(sink.paths, (QStringList{cache + "mantel.wav", cache + "click.wav", cache + "click.wav"}));
    }

    // Without an audio device each request comes back from the audio system while the event loop goes on, and
    // a sound the audio system refused frees the player at once, however long the sound or unreadable the
    // file.
    void playsWithoutAnAudioDevice_data() {
        AddRows<QString>({{"chime", u"Mantel.aiff"_s}, {"not a sound", QFINDTESTDATA("tst_sounds.cpp")}},
                         "name");
    }
    void playsWithoutAnAudioDevice() {
        QFETCH(QString, name);
        const int before = FinishedAudioRequests();
        // Whether the player still looks busy right after the request is a race with the audio system's
        // answer; what counts is that it is free once the answer is in.
        PlaySoundNamed(name);
        QTRY_VERIFY_WITH_TIMEOUT(FinishedAudioRequests() > before, 20000);
        QVERIFY(!IsSoundPlaying());
    }
};

QTEST_MAIN(TestSounds)
#include "tst_sounds.moc"
