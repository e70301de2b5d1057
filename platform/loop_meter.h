// Measures the event loop's turns for the benchmarks: with VRDX_LOOP_METER naming a file, the longest time
// the loop was kept from its timers is written there when the program ends. With VRDX_PHASES set, the moments
// start-up passes its phases are written to standard error.
#pragma once

// Starts measuring when VRDX_LOOP_METER is set; does nothing otherwise. Call once the application exists.
void StartLoopMeter();
// Writes "longest-turn-ms <n>" to the file named by VRDX_LOOP_METER, when measuring.
void ReportLoopMeter();

// With VRDX_PHASES set, writes "vrdx phase <name> <t>" to standard error, t in milliseconds of the system's
// monotonic clock (the one a benchmark outside reads), and the first time a window is painted, a phase
// "first-paint". Does nothing otherwise.
void MarkPhase(const char* name);
