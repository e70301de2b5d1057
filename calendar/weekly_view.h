// The weekly view: one week of daynotes beside each other, kept up to date when daynotes change elsewhere.
#pragma once

// Redraws the week the weekly view shows from the daynote array; nothing to do while it is not open.
void RedrawWeeklyView();
