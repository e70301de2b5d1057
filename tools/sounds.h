// Sounds: the click, the chime and the timer's chosen sound, one at a time, never blocking and silent
// without an audio device.
#pragma once

#include "platform/beep.h"

#include <QString>
#include <functional>

// Plays a sound by the name the program uses: "Click.aiff"/"Click" and "Mantel.aiff"/"Mantel" are our own
// sounds; any other name is an absolute path to an existing file, or else a sound of the freedesktop theme
// looked up by the name without its extension. Unknown names play nothing. While a sound plays, further
// requests are ignored; the player is free again once the sound's own length has passed.
void PlaySoundNamed(const QString& fileName);

// Plays the chosen sound file, or sounds the alert beep when no file of that name is there (any more).
void PlaySoundFileOrBeep(const QString& path);

// The file PlaySoundNamed would play for this name, or an empty string. Our own sounds are copied from the
// resources to $XDG_CACHE_HOME/VRDX/sounds/ (and the copy replaced if it differs), because the audio system
// needs a real file.
QString ResolveSoundName(const QString& fileName);

// How long the player stays busy for this file, in seconds: the length of a WAV or Ogg Vorbis file read
// from its headers, or kUnmeasuredSoundSeconds for anything that cannot be measured.
inline constexpr double kUnmeasuredSoundSeconds = 10.0;
double                  SoundDuration(const QString& path);

// The player's state, measured on a monotonic clock. CurrentSoundName is the name that was asked for, while
// it plays; empty otherwise.
bool    IsSoundPlaying();
QString CurrentSoundName();

// Frees the player at once (a sound already handed to the audio system is not cut short). Lets tests go on
// without waiting out a long chime.
void EndCurrentSound();

// Where resolved sounds go: by default the audio system (libcanberra, on a thread of its own). Tests install
// a sink to see which file would play. An empty sink restores the default; the previous sink is returned.
using SoundSink = std::function<void(const QString& path)>;
SoundSink SetSoundSink(SoundSink sink);

// How many requests the audio thread has come back from, played or failed (no device, unknown format).
// Lets tests see the back end return from every request.
int FinishedAudioRequests();
