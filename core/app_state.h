// The application-wide state that lives from start-up to quit.
#pragma once

#include "core/records.h"

#include <QStringList>

struct AppState {
    RecordArray daynotes;            // sorted by NoteDateKey, one record per day
    int         dayMark = 0;         // day of the month when the views were last built
    bool        asleep = false;      // between the system's sleep and wake
    bool        quitting = false;    // set when the quit sequence starts
    bool        prefsLoaded = false; // only what was loaded may be saved over the file
    bool        daynotesLoaded = false;
    int         daynoteWindowCounter = 50;   // last Daynote window identifier handed out
    int         userNoteWindowCounter = 599; // last user note window identifier handed out

    // A signal or the end of the session asked to quit: nobody may be there to answer a question.
    bool quitUnattended = false;
    // The quit could not write something where it belongs (it went to a recovery file, or was lost).
    bool unsavedAtQuit = false;
};

AppState& App();
