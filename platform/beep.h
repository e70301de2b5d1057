// The system's alert beep, counted so that tests can hear it on a machine without sound.
#pragma once

// Sounds the desktop's alert beep.
void Beep();
// How many beeps the program has asked for since it started.
int BeepCount();
