// The preferences record.
#include "core/preferences.h"

Preferences& Prefs() {
    static Preferences prefs;
    return prefs;
}
