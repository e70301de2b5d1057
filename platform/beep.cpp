// The alert beep through the platform integration.
#include "platform/beep.h"

#include <QApplication>

namespace {
int beeps = 0;
}

void Beep() {
    ++beeps;
    // QApplication::beep reaches for the platform integration, which exists only with a GUI application.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) QApplication::beep();
}

int BeepCount() {
    return beeps;
}
