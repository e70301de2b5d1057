// The program's clock. Tests set it so that date changes, chimes and reminders happen when they choose.
#pragma once

// Seconds since 1 January 2001 00:00:00 GMT: the test clock when one is set, else the system clock.
double CurrentAbsoluteTime();
void   SetTestClock(double absTime);
void   ClearTestClock();
