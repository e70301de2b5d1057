// Speech through the espeak-ng library on a thread of its own, fed by a short queue.
#include "platform/speech.h"

#include <alsa/asoundlib.h>
#include <condition_variable>
#include <deque>
#include <espeak-ng/espeak_ng.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace {

SpeechSink sink;

// More waiting sentences than this means the audio device is stuck; later ones are not worth keeping.
constexpr size_t MaxWaitingSentences = 4;

struct SpeechQueue {
    std::mutex              mutex;
    std::condition_variable wake;    // a sentence is waiting
    std::deque<std::string> waiting; // UTF-8, oldest first
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
        std::string text;
        {
            std::unique_lock lock(queue->mutex);
            queue->wake.wait(lock, [&] { return !queue->waiting.empty(); });
            text = std::move(queue->waiting.front());
            queue->waiting.pop_front();
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
            espeak_ng_Synthesize(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                                 nullptr, nullptr);
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

void Speak(const QString& text) {
    if (sink) {
        sink(text);
        return;
    }
    if (text.trimmed().isEmpty()) return;
    static const std::shared_ptr<SpeechQueue> queue = StartSpeechThread();
    std::lock_guard                           lock(queue->mutex);
    if (queue->waiting.size() >= MaxWaitingSentences) return;
    queue->waiting.push_back(text.toStdString());
    queue->wake.notify_one();
}
