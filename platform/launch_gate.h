// Start-up in two halves: the first window goes on screen before the daynotes are in, and the rest of the
// start-up follows once it has been painted, or sooner, the moment the user reaches for a window.
#pragma once

#include <functional>

// Calls `then` from the event loop once a window has been painted, or soon when none is on screen (or none
// gets painted within a short while, as on a desktop that maps windows late).
void AfterFirstPaint(std::function<void()> then);

// Calls `first` once, before the first input or close event of any kind reaches any window, until
// StopWatchingInput. The event then goes on as usual.
void BeforeFirstInput(std::function<void()> first);
void StopWatchingInput();
