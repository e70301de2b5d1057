// Speech through the espeak-ng library on a thread of its own, waited for with a time limit.
#include "platform/speech.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <chrono>
#include <condition_variable>
#include <espeak-ng/espeak_ng.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace {

SpeechSink sink;

struct SpeechRequest {
    quint64     id = 0;
    std::string text; // UTF-8
};

struct SpeechQueue {
    std::mutex                   mutex;
    std::condition_variable      wake;     // a request is waiting
    std::condition_variable      finished; // a request was spoken, or failed
    std::optional<SpeechRequest> next;
    quint64                      lastId = 0;
    quint64                      lastFinished = 0;
    quint64                      abandoned = 0; // the last request whose wait ran out
};

// ALSA reports a machine without a sound card on stderr at every attempt; silence is not news.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// espeak-ng is not thread-safe, so one thread owns it for the life of the process. Opening the audio
// device or a sound server may block or fail; here that can only delay this thread.
void RunSpeech(std::shared_ptr<SpeechQueue> queue) {
    snd_lib_error_set_handler(QuietAlsa);
    bool tried = false;
    bool ready = false;
    for (;;) {
        SpeechRequest request;
        {
            std::unique_lock lock(queue->mutex);
            queue->wake.wait(lock, [&] { return queue->next.has_value(); });
            request = std::move(*queue->next);
            queue->next.reset();
        }
        if (!tried) {
            tried = true;
            espeak_ng_InitializePath(nullptr);
            espeak_ng_ERROR_CONTEXT context = nullptr;
            // Unlike espeak_Initialize, these report a missing voice data folder instead of ending the
            // process.
            ready = espeak_ng_Initialize(&context) == ENS_OK &&
                    espeak_ng_InitializeOutput(
                        espeak_ng_OUTPUT_MODE(ENOUTPUT_MODE_SYNCHRONOUS | ENOUTPUT_MODE_SPEAK_AUDIO), 0,
                        nullptr) == ENS_OK &&
                    espeak_ng_SetVoiceByName(ESPEAKNG_DEFAULT_VOICE) == ENS_OK;
            espeak_ng_ClearErrorContext(&context);
        }
        // In synchronous playback the call returns when the sentence has been played, or failed to play.
        if (ready)
            espeak_ng_Synthesize(request.text.c_str(), request.text.size() + 1, 0, POS_CHARACTER, 0,
                                 espeakCHARS_UTF8, nullptr, nullptr);
        std::lock_guard lock(queue->mutex);
        queue->lastFinished = request.id;
        queue->finished.notify_all();
    }
}

std::shared_ptr<SpeechQueue> StartSpeechThread() {
    auto queue = std::make_shared<SpeechQueue>();
    std::thread(RunSpeech, queue).detach();
    return queue;
}

} // namespace

SpeechSink SetSpeechSink(SpeechSink next) {
    SpeechSink previous = std::move(sink);
    sink = std::move(next);
    return previous;
}

void SpeakAndWait(const QString& text) {
    if (sink) {
        sink(text);
        return;
    }
    if (text.trimmed().isEmpty()) return;
    static const std::shared_ptr<SpeechQueue> queue = StartSpeechThread();
    using namespace std::chrono;
    const auto       limit = std::min(milliseconds(2000 + 100 * text.size()), milliseconds(15000));
    std::unique_lock lock(queue->mutex);
    // A sentence still stuck in the audio device after its wait ran out: the device is not coming back soon,
    // and a later sentence would only wait in vain behind it.
    if (queue->abandoned > queue->lastFinished) return;
    const quint64 id = ++queue->lastId;
    queue->next = SpeechRequest{id, text.toStdString()};
    queue->wake.notify_one();
    if (!queue->finished.wait_for(lock, limit, [&] { return queue->lastFinished >= id; }))
        queue->abandoned = id;
}
