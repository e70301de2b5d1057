// The program's sounds: the shipped files, name resolution, the one-at-a-time player, no audio device.
#include "helpers/test_support.h"
#include "tools/sounds.h"

#include <QDataStream>
#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {

// Records what the player hands to the audio system, instead of playing it.
struct SinkRecorder {
    QStringList paths;
    SoundSink   previous = SetSoundSink([this](const QString& path) { paths << path; });
    ~SinkRecorder() { SetSoundSink(previous); }
};

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

    void ourSounds_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("seconds");
        QTest::newRow("Click.aiff") << QStringLiteral("click.wav") << 0.04;
        QTest::newRow("mantel") << QStringLiteral("mantel.wav") << 3.4;
    }
    void ourSounds() {
        QFETCH(QString, file);
        QFETCH(double, seconds);
        const QString path = ResolveSoundName(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(path, cache + file);
        QFile copy(path), resource(QStringLiteral(":/resources/sounds/") + file);
        QVERIFY(copy.open(QIODevice::ReadOnly) && resource.open(QIODevice::ReadOnly));
        const QByteArray b = copy.readAll();
        QCOMPARE(b, resource.readAll());
        QVERIFY(b.startsWith("RIFF") && b.mid(8, 4) == "WAVE" &&
                qFromLittleEndian<quint32>(b.constData() + 4) == quint32(b.size() - 8));
        QByteArray fmt, data;
        for (qsizetype at = 12, size = 0; at + 8 <= b.size(); at += 8 + size + (size & 1)) {
            size = qFromLittleEndian<quint32>(b.constData() + at + 4);
            QVERIFY(at + 8 + size <= b.size());
            if (b.mid(at, 4) == "fmt ") fmt = b.mid(at + 8, size);
            if (b.mid(at, 4) == "data") data = b.mid(at + 8, size);
        }
        QDataStream in(fmt);
        in.setByteOrder(QDataStream::LittleEndian);
        quint16 format = 0, channels = 0, align = 0, bits = 0;
        quint32 rate = 0, byteRate = 0;
        in >> format >> channels >> rate >> byteRate >> align >> bits; // PCM, mono, 16 bits
        QCOMPARE((QList<quint32>{format, channels, byteRate, align, bits}),
                 (QList<quint32>{1, 1, rate * 2, 2, 16}));
        QVERIFY(rate == 22050 || rate == 44100);
        const qsizetype frames = data.size() / 2;
        QVERIFY2(qAbs(double(frames) / rate - seconds) < 0.005, qPrintable(QString::number(frames)));
        QVERIFY(qAbs(SoundDuration(path) - seconds) < 0.005);
        auto sample = [&](qsizetype i) { return qAbs(qFromLittleEndian<qint16>(data.constData() + 2 * i)); };
        int  peak = 0; // audible yet well below clipping; both ends silent so that neither pops
        for (qsizetype i = 0; i < frames; ++i) peak = qMax(peak, sample(i));
        QVERIFY2(peak > 32767 / 10 && peak < 32767 * 8 / 10, qPrintable(QString::number(peak)));
        QVERIFY(sample(0) < 330 && sample(frames - 1) < 330);
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
        QTest::addColumn<QString>("name");
        QTest::newRow("chime") << QStringLiteral("Mantel.aiff");
        QTest::newRow("not a sound") << QFINDTESTDATA("tst_sounds.cpp");
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
