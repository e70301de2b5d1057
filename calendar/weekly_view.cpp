// The weekly view: one week of daynotes beside each other, kept up to date when daynotes change elsewhere.
#include "calendar/weekly_view.h"

void RedrawWeeklyView() {
    // The weekly view draws its week here once it exists.
}
