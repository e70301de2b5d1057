// The one offscreen application that every benchmark needing windows or fonts shares.
#pragma once

#include <QApplication>
#include <QtGlobal>

inline void StartBenchApplication() {
    static int   argc = 1;
    static char  name[] = "vrdx-bench";
    static char* argv[] = {name, nullptr};
    if (qApp) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv); // lives for the run
}
