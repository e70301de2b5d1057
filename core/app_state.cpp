// The application-wide state.
#include "core/app_state.h"

AppState& App() {
    static AppState state;
    return state;
}
