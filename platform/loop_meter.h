// Measures the event loop's turns for the benchmarks: with VRDX_LOOP_METER naming a file, the longest time
// the loop was kept from its timers is written there when the program ends.
#pragma once

// Starts measuring when VRDX_LOOP_METER is set; does nothing otherwise. Call once the application exists.
void StartLoopMeter();
// Writes "longest-turn-ms <n>" to the file named by VRDX_LOOP_METER, when measuring.
void ReportLoopMeter();
