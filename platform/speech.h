// Speech: a short sentence spoken with the default voice.
#pragma once

#include <QString>
#include <functional>

// Speaks the text and returns when the sentence ends, or after a bounded wait (2 s plus 0.1 s a character,
// at most 15 s) when the audio is slow or stuck. Without a speech engine or audio device it returns at once.
// The event loop is not run meanwhile.
void SpeakAndWait(const QString& text);

// Receives the texts instead of the speech engine while installed; returns the sink it replaces. An empty
// sink restores speaking.
using SpeechSink = std::function<void(const QString&)>;
SpeechSink SetSpeechSink(SpeechSink sink);
