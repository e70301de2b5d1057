// Speech: a short sentence spoken with the default voice.
#pragma once

#include <QString>
#include <functional>

// Queues the text to be spoken after the sentences before it and returns at once: a sentence takes seconds,
// and the program must keep answering (a quit, the clock, the session bus) while it is said. Without a speech
// engine or audio device nothing is heard. While the device is stuck, sentences beyond a few are dropped.
void Speak(const QString& text);

// Receives the texts instead of the speech engine while installed; returns the sink it replaces. An empty
// sink restores speaking.
using SpeechSink = std::function<void(const QString&)>;
SpeechSink SetSpeechSink(SpeechSink sink);
