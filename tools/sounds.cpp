// Sounds: name resolution, the one-at-a-time player and the libcanberra back end.
#include "tools/sounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>
#include <alsa/asoundlib.h>
#include <atomic>
#include <canberra.h>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// ----- The libcanberra back end

std::atomic<int> finishedAudioRequests{0};
// The number of the last request the audio system refused (no device, unreadable or unknown format): the
// player is free again at once instead of waiting out the sound's length.
std::atomic<int> lastRefusedRequest{0};
int              requestNumber = 0; // main thread: the number of the request handed on last

struct CanberraRequest {
    std::string path;
    int         number = 0;
};

// One request at a time travels to the audio thread; a newer one replaces one not yet taken.
struct CanberraQueue {
    std::mutex                     mutex;
    std::condition_variable        wake;
    std::optional<CanberraRequest> next;
};

// ALSA reports a machine without a sound card on stderr at every attempt; a missing sound is not news.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// Runs for the life of the process. Opening the audio device or a sound server may take long or fail
// (no device, no server); here that can never hold up the event loop.
void RunCanberra(std::shared_ptr<CanberraQueue> queue) {
    snd_lib_error_set_handler(QuietAlsa);
    ca_context* context = nullptr;
    for (;;) {
        CanberraRequest request;
        {
            std::unique_lock lock(queue->mutex);
            queue->wake.wait(lock, [&] { return queue->next.has_value(); });
            request = std::move(*queue->next);
            queue->next.reset();
        }
        if (!context && ca_context_create(&context) == CA_SUCCESS)
            ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "VRD X", CA_PROP_APPLICATION_ID,
                                    "org.vrdx.VRDX", nullptr);
        // A refused sound (no device, unsupported format) is silence, never a message; it only frees the
        // player.
        const int result = context ? ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, request.path.c_str(),
                                                     CA_PROP_MEDIA_ROLE, "event",
                                                     CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr)
                                   : CA_ERROR_NOTAVAILABLE;
        if (result != CA_SUCCESS) lastRefusedRequest = request.number;
        ++finishedAudioRequests;
    }
}

std::shared_ptr<CanberraQueue> StartCanberra() {
    auto queue = std::make_shared<CanberraQueue>();
    try {
        // Detached and sharing ownership of the queue, so that quitting never waits for the audio system.
        std::thread(RunCanberra, queue).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    return queue;
}

void PlayThroughCanberra(const QString& path) {
    static const std::shared_ptr<CanberraQueue> queue = StartCanberra();
    if (!queue) return;
    {
        std::lock_guard lock(queue->mutex);
        queue->next = CanberraRequest{QFile::encodeName(path).toStdString(), requestNumber};
    }
    queue->wake.notify_one();
}

// ----- Player state

struct Player {
    std::optional<Clock::time_point> busyUntil;
    QString                          name;
    int                              request = 0;
};
Player    player;
SoundSink sink = PlayThroughCanberra;

// ----- Name resolution

// Our sounds live in the resources, but the audio system needs a file. The cached copy is compared on every
// use (the chime is small) so that a damaged copy or an older build's sound is replaced.
QString CachedBuiltinSound(const QString& file) {
    QFile resource(QStringLiteral(":/resources/sounds/") + file);
    if (!resource.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = resource.readAll();
    const QString    folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/VRDX/sounds");
    const QString target = folder + QLatin1Char('/') + file;
    QFile         existing(target);
    if (existing.size() == bytes.size() && existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
        return target;
    existing.close();
    QSaveFile out(target);
    if (!QDir().mkpath(folder) || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() ||
        !out.commit())
        return {};
    return target;
}

// The fallback theme of the freedesktop sound naming scheme, in $XDG_DATA_HOME and $XDG_DATA_DIRS.
QString ThemeSound(const QString& stem) {
    if (stem.isEmpty()) return {};
    for (const char* ext : {"oga", "ogg", "wav"}) {
        const QString found = QStandardPaths::locate(
            QStandardPaths::GenericDataLocation,
            QStringLiteral("sounds/freedesktop/stereo/%1.%2").arg(stem, QLatin1String(ext)));
        if (!found.isEmpty()) return found;
    }
    return {};
}

// ----- Measuring

quint32 Le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// Seconds of sound in a RIFF WAVE file, or a negative number when it is not one.
double WavSeconds(QFile& f) {
    const QByteArray riff = f.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") return -1;
    quint32 byteRate = 0;
    for (;;) {
        const qint64     start = f.pos();
        const QByteArray chunk = f.read(8);
        if (chunk.size() < 8) return -1;
        const quint32 size = Le32(chunk, 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray fmt = f.read(16);
            if (size < 16 || fmt.size() < 16) return -1;
            byteRate = Le32(fmt, 8);
        } else if (chunk.startsWith("data")) {
            if (byteRate == 0) return -1;
            // A writer that streamed the file may leave the size unknown (0xFFFFFFFF) or too large.
            const qint64 available = f.size() - f.pos();
            return double(qMin<qint64>(size, available)) / byteRate;
        }
        // Chunks are padded to an even length.
        if (!f.seek(start + 8 + size + (size & 1))) return -1;
    }
}

// Seconds of sound in an Ogg Vorbis file (the freedesktop theme's format): the last page's sample position
// over the rate in the first page's identification header. Negative when it is not one.
double OggVorbisSeconds(QFile& f) {
    f.seek(0);
    const QByteArray first = f.read(27 + 255 + 30);
    if (first.size() < 27 || !first.startsWith("OggS")) return -1;
    const qsizetype packet = 27 + quint8(first[26]);
    if (first.size() < packet + 16 || first.mid(packet, 7) != QByteArray("\x01vorbis", 7)) return -1;
    const quint32 serial = Le32(first, 14);
    const quint32 rate = Le32(first, packet + 12);
    if (rate == 0) return -1;

    // An Ogg page is at most 65307 bytes, so the last page starts within this tail.
    const qint64 tailSize = qMin<qint64>(f.size(), 65536 + 27);
    f.seek(f.size() - tailSize);
    const QByteArray tail = f.read(tailSize);
    for (qsizetype from = tail.size() - 1; from >= 0;) {
        const qsizetype at = tail.lastIndexOf("OggS", from);
        if (at < 0) break;
        if (at + 27 <= tail.size() && Le32(tail, at + 14) == serial) {
            const qint64 granule = qFromLittleEndian<qint64>(tail.constData() + at + 6);
            if (granule >= 0) return double(granule) / rate;
        }
        from = at - 1;
    }
    return -1;
}

bool IsBuiltinName(const QString& fileName, const char* stem) {
    const QString name = QLatin1String(stem);
    return fileName.compare(name, Qt::CaseInsensitive) == 0 ||
           fileName.compare(name + QStringLiteral(".aiff"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString ResolveSoundName(const QString& fileName) {
    if (fileName.isEmpty()) return {};
    if (IsBuiltinName(fileName, "Click")) return CachedBuiltinSound(QStringLiteral("click.wav"));
    if (IsBuiltinName(fileName, "Mantel")) return CachedBuiltinSound(QStringLiteral("mantel.wav"));
    const QFileInfo info(fileName);
    if (info.isAbsolute() && info.isFile()) return info.absoluteFilePath();
    return ThemeSound(info.completeBaseName());
}

double SoundDuration(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return kUnmeasuredSoundSeconds;
    double seconds = WavSeconds(f);
    if (seconds < 0) seconds = OggVorbisSeconds(f);
    return seconds < 0 ? kUnmeasuredSoundSeconds : seconds;
}

bool IsSoundPlaying() {
    if (player.busyUntil && Clock::now() < *player.busyUntil && player.request != lastRefusedRequest)
        return true;
    player = {};
    return false;
}

QString CurrentSoundName() {
    return IsSoundPlaying() ? player.name : QString();
}

void EndCurrentSound() {
    player = {};
}

void PlaySoundNamed(const QString& fileName) {
    if (IsSoundPlaying()) return;
    const QString path = ResolveSoundName(fileName);
    if (path.isEmpty()) return;
    // However long a (perhaps damaged) header says the sound is, the player is free again within the hour.
    const auto length = std::chrono::duration<double>(qBound(0.0, SoundDuration(path), 3600.0));
    player.busyUntil = Clock::now() + std::chrono::duration_cast<Clock::duration>(length);
    player.name = fileName;
    player.request = ++requestNumber;
    sink(path);
}

void PlaySoundFileOrBeep(const QString& path) {
    if (ResolveSoundName(path).isEmpty())
        Beep();
    else
        PlaySoundNamed(path);
}

int FinishedAudioRequests() {
    return finishedAudioRequests;
}

SoundSink SetSoundSink(SoundSink newSink) {
    SoundSink previous = std::move(sink);
    sink = newSink ? std::move(newSink) : SoundSink(PlayThroughCanberra);
    return previous;
}
