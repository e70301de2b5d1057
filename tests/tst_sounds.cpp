// Tests of the program's sounds: the generated files, name resolution, the one-at-a-time player and playing
// on a machine without an audio device.
#include "helpers/test_support.h"
#include "tools/sounds.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <optional>

namespace {

// The test's own reading of a WAV file, independent of the one the player measures with.
struct WavFile {
    QString    error;
    quint16    format = 0, channels = 0, bits = 0, blockAlign = 0;
    quint32    rate = 0, byteRate = 0;
    QByteArray data;
};

WavFile Failed(const QString& why) {
    WavFile wav;
    wav.error = why;
    return wav;
}

WavFile ReadWav(const QByteArray& b) {
    WavFile wav;
    if (b.size() < 12 || b.left(4) != "RIFF" || b.mid(8, 4) != "WAVE")
        return Failed(QStringLiteral("no RIFF WAVE"));
    if (qFromLittleEndian<quint32>(b.constData() + 4) != quint32(b.size() - 8))
        return Failed(QStringLiteral("RIFF size does not match the file"));
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const quint32    size = qFromLittleEndian<quint32>(b.constData() + at + 4);
        if (at + 8 + qsizetype(size) > b.size())
            return Failed(QStringLiteral("chunk %1 runs past the end").arg(id));
        const char* body = b.constData() + at + 8;
        if (id == "fmt " && size >= 16) {
            wav.format = qFromLittleEndian<quint16>(body);
            wav.channels = qFromLittleEndian<quint16>(body + 2);
            wav.rate = qFromLittleEndian<quint32>(body + 4);
            wav.byteRate = qFromLittleEndian<quint32>(body + 8);
            wav.blockAlign = qFromLittleEndian<quint16>(body + 12);
            wav.bits = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "data") {
            wav.data = QByteArray(body, size);
        }
        at += 8 + size + (size & 1);
    }
    if (wav.format == 0) return Failed(QStringLiteral("no format chunk"));
    if (wav.data.isNull()) return Failed(QStringLiteral("no data chunk"));
    return wav;
}

void PutLe32(QByteArray& b, quint32 v) {
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}
void PutLe16(QByteArray& b, quint16 v) {
    char raw[2];
    qToLittleEndian(v, raw);
    b.append(raw, 2);
}

// A silent PCM WAV file; `extra` is a whole chunk placed before the data, `declaredData` a data size that
// differs from the real one.
QByteArray MakeWav(quint32 rate, quint16 channels, quint16 bits, quint32 frames, const QByteArray& extra = {},
                   std::optional<quint32> declaredData = {}) {
    const quint16    block = quint16(channels * bits / 8);
    const QByteArray samples(qsizetype(frames) * block, bits == 8 ? '\x80' : '\0');
    QByteArray       b("RIFF");
    PutLe32(b, quint32(4 + 8 + 16 + extra.size() + 8 + samples.size()));
    b.append("WAVEfmt ");
    PutLe32(b, 16);
    PutLe16(b, 1);
    PutLe16(b, channels);
    PutLe32(b, rate);
    PutLe32(b, rate * block);
    PutLe16(b, block);
    PutLe16(b, bits);
    b.append(extra);
    b.append("data");
    PutLe32(b, declaredData.value_or(quint32(samples.size())));
    return b + samples;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Records what the player hands to the audio system, instead of playing it.
struct SinkRecorder {
    QStringList paths;
    SoundSink   previous;
    SinkRecorder() {
        previous = SetSoundSink([this](const QString& path) { paths << path; });
    }
    ~SinkRecorder() { SetSoundSink(previous); }
};

const QString systemTheme = QStringLiteral("/usr/share/sounds/freedesktop/stereo/");

} // namespace

class TestSounds : public QObject {
    Q_OBJECT

    QString home;
    QString themeFolder; // the fallback sound theme as the tests lay it out
    QString cacheFolder;

    // Turns a row's "cache:x", "theme:x" or "home:x" into the path it stands for.
    QString Expand(const QString& s) const {
        if (s.startsWith(QLatin1String("cache:"))) return cacheFolder + s.mid(6);
        if (s.startsWith(QLatin1String("theme:"))) return themeFolder + s.mid(6);
        if (s.startsWith(QLatin1String("home:"))) return home + QLatin1Char('/') + s.mid(5);
        return s;
    }

  private slots:
    void initTestCase() {
        home = UsePrivateHome();
        // Only the tests' own theme is visible, so that what a machine has installed changes nothing.
        QDir(home).mkpath(QStringLiteral("shared"));
        qputenv("XDG_DATA_DIRS", (home + QStringLiteral("/shared")).toUtf8());
        themeFolder = home + QStringLiteral("/data/sounds/freedesktop/stereo/");
        cacheFolder = home + QStringLiteral("/cache/VRDX/sounds/");
        // The lookup goes by name, the measuring by content: a WAV under an .oga name is fine here.
        QVERIFY(WriteFile(themeFolder + QStringLiteral("tick.wav"), MakeWav(8000, 1, 16, 800)));
        QVERIFY(WriteFile(themeFolder + QStringLiteral("tock.oga"), MakeWav(8000, 1, 16, 1600)));
        QVERIFY(WriteFile(home + QStringLiteral("/plain.wav"), MakeWav(8000, 1, 16, 400)));
        QVERIFY(WriteFile(home + QStringLiteral("/odd.aiff"), "FORM....AIFF")); // a format we cannot measure
        // Every machine looks like one without an audio device: ALSA as the only back end, with a
        // configuration that names no device. Also keeps the tests quiet on a machine that has speakers.
        QVERIFY(WriteFile(home + QStringLiteral("/no-devices.conf"), ""));
        qputenv("CANBERRA_DRIVER", "alsa");
        qputenv("ALSA_CONFIG_PATH", (home + QStringLiteral("/no-devices.conf")).toUtf8());
    }

    void init() { EndCurrentSound(); }

    void builtinSoundFiles_data() {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        QTest::newRow("click") << QStringLiteral(":/resources/sounds/click.wav") << 0.03 << 0.06;
        QTest::newRow("mantel chime") << QStringLiteral(":/resources/sounds/mantel.wav") << 2.0 << 4.0;
    }
    void builtinSoundFiles() {
        QFETCH(QString, resource);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        const QByteArray bytes = ReadFile(resource);
        QVERIFY2(!bytes.isEmpty(), "the sound is not in the resources");
        QVERIFY(bytes.size() < 400 * 1024);

        const WavFile wav = ReadWav(bytes);
        QVERIFY2(wav.error.isEmpty(), qPrintable(wav.error));
        QCOMPARE(wav.format, quint16(1)); // PCM
        QCOMPARE(wav.channels, quint16(1));
        QCOMPARE(wav.bits, quint16(16));
        QVERIFY2(wav.rate == 22050 || wav.rate == 44100, qPrintable(QString::number(wav.rate)));
        QCOMPARE(wav.blockAlign, quint16(2));
        QCOMPARE(wav.byteRate, wav.rate * 2);
        QCOMPARE(wav.data.size() % 2, 0);

        const qsizetype frames = wav.data.size() / 2;
        const double    seconds = double(frames) / wav.rate;
        QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds, qPrintable(QString::number(seconds)));

        int peak = 0;
        for (qsizetype i = 0; i < frames; ++i)
            peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(wav.data.constData() + 2 * i))));
        // Audible, yet well below clipping: these sounds accompany the work, they do not startle.
        QVERIFY2(peak > 32767 / 10, qPrintable(QString::number(peak)));
        QVERIFY2(peak < 32767 * 8 / 10, qPrintable(QString::number(peak)));
        // Starting and ending on silence, so that neither end pops.
        const auto sample = [&](qsizetype i) {
            return qAbs(int(qFromLittleEndian<qint16>(wav.data.constData() + 2 * i)));
        };
        QVERIFY2(sample(0) < 330, qPrintable(QString::number(sample(0))));
        QVERIFY2(sample(frames - 1) < 330, qPrintable(QString::number(sample(frames - 1))));
    }

    void generatorReproducesTheCommittedSounds() {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty()) QSKIP("python3 is not installed");
        const QString out = home + QStringLiteral("/generated");
        QProcess      run;
        run.start(python,
                  {qEnvironmentVariable("VRDX_SOURCE_DIR") + QStringLiteral("/scripts/make-sounds"), out});
        QVERIFY(run.waitForFinished(120000));
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0,
                 run.readAllStandardError().constData());
        for (const char* name : {"click.wav", "mantel.wav"}) {
            const QString file = QLatin1String(name);
            QVERIFY2(ReadFile(out + QLatin1Char('/') + file) ==
                         ReadFile(QStringLiteral(":/resources/sounds/") + file),
                     qPrintable(file + QStringLiteral(" differs from a fresh run of scripts/make-sounds")));
        }
    }

    void resolvesNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Mantel.aiff") << "Mantel.aiff"
                                     << "cache:mantel.wav";
        QTest::newRow("Mantel") << "Mantel"
                                << "cache:mantel.wav";
        QTest::newRow("mantel.aiff, other case") << "mantel.aiff"
                                                 << "cache:mantel.wav";
        QTest::newRow("Click.aiff") << "Click.aiff"
                                    << "cache:click.wav";
        QTest::newRow("Click") << "Click"
                               << "cache:click.wav";
        QTest::newRow("theme sound by file name") << "tick.wav"
                                                  << "theme:tick.wav";
        QTest::newRow("theme sound without extension") << "tick"
                                                       << "theme:tick.wav";
        QTest::newRow("theme sound, .oga") << "tock"
                                           << "theme:tock.oga";
        QTest::newRow("theme sound, other extension asked") << "tock.aiff"
                                                            << "theme:tock.oga";
        QTest::newRow("missing absolute path falls back to the theme") << "/no/such/folder/tick.aiff"
                                                                       << "theme:tick.wav";
        QTest::newRow("existing absolute path") << "home:plain.wav"
                                                << "home:plain.wav";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("system sound we do not have") << "Glass.aiff"
                                                     << "";
        QTest::newRow("unknown name") << "no-such-sound"
                                      << "";
        QTest::newRow("missing absolute path, not in the theme") << "/no/such/file.wav"
                                                                 << "";
        QTest::newRow("relative path") << "some/folder/plain.wav"
                                       << "";
    }
    void resolvesNames() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(ResolveSoundName(Expand(name)), Expand(expected));
        if (expected.startsWith(QLatin1String("cache:")))
            QCOMPARE(ReadFile(Expand(expected)),
                     ReadFile(QStringLiteral(":/resources/sounds/") + expected.mid(6)));
    }

    void damagedCachedCopyIsReplaced_data() {
        QTest::addColumn<QByteArray>("damage"); // what the cached copy holds before; null: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("cut short") << ReadFile(QStringLiteral(":/resources/sounds/mantel.wav")).left(1000);
        QTest::newRow("same size, other bytes")
            << QByteArray(ReadFile(QStringLiteral(":/resources/sounds/mantel.wav")).size(), 'x');
    }
    void damagedCachedCopyIsReplaced() {
        QFETCH(QByteArray, damage);
        const QString cached = cacheFolder + QStringLiteral("mantel.wav");
        QFile::remove(cached);
        if (!damage.isNull()) QVERIFY(WriteFile(cached, damage));
        QCOMPARE(ResolveSoundName(QStringLiteral("Mantel.aiff")), cached);
        QCOMPARE(ReadFile(cached), ReadFile(QStringLiteral(":/resources/sounds/mantel.wav")));
    }

    void durations_data() {
        QTest::addColumn<QByteArray>("bytes"); // null: no file at all
        QTest::addColumn<double>("seconds");
        QByteArray oddChunk("LIST");
        PutLe32(oddChunk, 3);
        oddChunk.append("abc", 3).append('\0'); // padded to an even length
        const QByteArray wav = MakeWav(8000, 1, 16, 8000);
        QTest::newRow("16-bit mono 8 kHz") << wav << 1.0;
        QTest::newRow("16-bit stereo 44.1 kHz") << MakeWav(44100, 2, 16, 22050) << 0.5;
        QTest::newRow("8-bit mono 11025 Hz") << MakeWav(11025, 1, 8, 22050) << 2.0;
        QTest::newRow("odd-sized chunk before the data") << MakeWav(8000, 1, 16, 2000, oddChunk) << 0.25;
        QTest::newRow("data size left unknown") << MakeWav(8000, 1, 16, 4000, {}, 0xFFFFFFFFu) << 0.5;
        QTest::newRow("data size past the end") << MakeWav(8000, 1, 16, 4000, {}, 1000000) << 0.5;
        QTest::newRow("our chime") << ReadFile(QStringLiteral(":/resources/sounds/mantel.wav")) << 3.4;
        QTest::newRow("our click") << ReadFile(QStringLiteral(":/resources/sounds/click.wav")) << 0.04;
        QByteArray noFormat("RIFF");
        PutLe32(noFormat, 4 + 8 + 4);
        noFormat.append("WAVEdata");
        PutLe32(noFormat, 4);
        noFormat.append("\0\0\0\0", 4);
        QTest::newRow("no format chunk") << noFormat << kUnmeasuredSoundSeconds;
        QTest::newRow("header cut short") << wav.left(30) << kUnmeasuredSoundSeconds;
        QTest::newRow("Ogg without Vorbis") << QByteArray("OggS").append(60, '\0') << kUnmeasuredSoundSeconds;
        QTest::newRow("text") << QByteArray("not a sound at all") << kUnmeasuredSoundSeconds;
        QTest::newRow("empty file") << QByteArray("") << kUnmeasuredSoundSeconds;
        QTest::newRow("no file") << QByteArray() << kUnmeasuredSoundSeconds;
    }
    void durations() {
        QFETCH(QByteArray, bytes);
        QFETCH(double, seconds);
        const QString path =
            home + QStringLiteral("/measure/") + QString::fromLatin1(QTest::currentDataTag());
        if (!bytes.isNull()) QVERIFY(WriteFile(path, bytes));
        QCOMPARE(SoundDuration(path), seconds);
    }

    // The freedesktop theme's own Ogg Vorbis files; lengths as libvorbisfile reports them.
    void themeDurations_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("seconds");
        QTest::newRow("bell") << "bell.oga" << 0.13948;
        QTest::newRow("complete") << "complete.oga" << 1.08893;
        QTest::newRow("alarm-clock-elapsed") << "alarm-clock-elapsed.oga" << 6.12767;
        QTest::newRow("phone-outgoing-busy, 8 kHz") << "phone-outgoing-busy.oga" << 2.88475;
    }
    void themeDurations() {
        QFETCH(QString, file);
        QFETCH(double, seconds);
        if (!QFileInfo::exists(systemTheme + file)) QSKIP("the freedesktop sound theme is not installed");
        const double measured = SoundDuration(systemTheme + file);
        QVERIFY2(qAbs(measured - seconds) < 1e-3, qPrintable(QString::number(measured)));
    }

    void onePlayerAtATime() {
        SinkRecorder  sink;
        const QString longSound = home + QStringLiteral("/long.wav");
        QVERIFY(WriteFile(longSound, MakeWav(100, 1, 8, 100000))); // 1000 s: still playing whatever happens
        PlaySoundNamed(longSound);
        QCOMPARE(sink.paths, QStringList{longSound});
        QVERIFY(IsSoundPlaying());
        QCOMPARE(CurrentSoundName(), longSound);

        PlaySoundNamed(QStringLiteral("Click.aiff"));
        PlaySoundNamed(QStringLiteral("Mantel.aiff"));
        QCOMPARE(sink.paths, QStringList{longSound});
        QCOMPARE(CurrentSoundName(), longSound);

        EndCurrentSound();
        QVERIFY(!IsSoundPlaying());
        QCOMPARE(CurrentSoundName(), QString());
        PlaySoundNamed(QStringLiteral("Mantel.aiff"));
        QCOMPARE(sink.paths, (QStringList{longSound, cacheFolder + QStringLiteral("mantel.wav")}));
        QCOMPARE(CurrentSoundName(), QStringLiteral("Mantel.aiff"));
    }

    // The player frees itself after the sound's own length, without anyone telling it the sound ended.
    void playerIsFreeAfterTheSoundsLength() {
        SinkRecorder sink;
        PlaySoundNamed(QStringLiteral("Click.aiff"));
        QCOMPARE(sink.paths.size(), 1);
        QTRY_VERIFY(!IsSoundPlaying());
        QCOMPARE(CurrentSoundName(), QString());
        PlaySoundNamed(QStringLiteral("Click"));
        QCOMPARE(sink.paths, (QStringList{cacheFolder + QStringLiteral("click.wav"),
                                          cacheFolder + QStringLiteral("click.wav")}));
    }

    // A file that cannot be measured is still handed over, and holds the player for the fixed cap.
    void unmeasurableFileHoldsThePlayer() {
        SinkRecorder  sink;
        const QString odd = home + QStringLiteral("/odd.aiff");
        PlaySoundNamed(odd);
        QCOMPARE(sink.paths, QStringList{odd});
        QVERIFY(IsSoundPlaying());
        PlaySoundNamed(QStringLiteral("Click.aiff"));
        QCOMPARE(sink.paths.size(), 1);
    }

    void unknownNamesPlayNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("system sound we do not have") << "Glass.aiff";
        QTest::newRow("unknown name") << "no-such-sound";
        QTest::newRow("missing absolute path") << "/no/such/file.wav";
        QTest::newRow("folder") << "home:";
        QTest::newRow("relative path") << "some/folder/plain.wav";
    }
    void unknownNamesPlayNothing() {
        QFETCH(QString, name);
        SinkRecorder sink;
        PlaySoundNamed(Expand(name));
        QCOMPARE(sink.paths, QStringList());
        QVERIFY(!IsSoundPlaying());
        // Nothing was taken: the next real sound plays.
        PlaySoundNamed(QStringLiteral("Click.aiff"));
        QCOMPARE(sink.paths.size(), 1);
    }

    // Without an audio device every request must come back from the audio system, quietly, while the event
    // loop goes on.
    void playsWithoutAnAudioDevice() {
        const SoundSink previous = SetSoundSink({});
        QStringList     names{QStringLiteral("Click.aiff"), QStringLiteral("Mantel.aiff"),
                          home + QStringLiteral("/odd.aiff")};
        if (QFileInfo::exists(systemTheme + QStringLiteral("bell.oga")))
            names << systemTheme + QStringLiteral("bell.oga");
        for (const QString& name : names) {
            const int before = FinishedAudioRequests();
            bool      ticked = false;
            QTimer::singleShot(0, this, [&] { ticked = true; });
            PlaySoundNamed(name);
            QVERIFY(IsSoundPlaying());
            QTRY_VERIFY(ticked);
            QTRY_VERIFY_WITH_TIMEOUT(FinishedAudioRequests() > before, 20000);
            EndCurrentSound();
        }
        Beep();
        SetSoundSink(previous);
    }
};

QTEST_MAIN(TestSounds)
#include "tst_sounds.moc"
