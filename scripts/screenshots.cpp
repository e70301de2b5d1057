// Pictures of the program's main windows for the README: the program's own start-up in the home it is given
// (scripts/screenshots makes one from a fixture), on a fixed day, each window saved as a PNG file.
// Usage: vrdx-screenshots OUTPUT-FOLDER
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/startup.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "platform/clock.h"
#include "platform/list_view.h"
#include "platform/windows.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <cstdio>

namespace {

struct Shot {
    FourCC      command; // the menu command that opens the window; 0 for the calendar, open from the start
    int         windowId;
    const char* file;
};
const Shot Shots[] = {
    {0, CalendarWindowId, "calendar.png"},
    {MakeFourCC("Week"), WeeklyWindowId, "weekly.png"},
    {MakeFourCC("Mont"), MonthlyWindowId, "monthly.png"},
    {MakeFourCC("List"), ListWindowId, "list.png"},
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VRDX"));
    QApplication::setApplicationDisplayName(QStringLiteral("VRD X"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrdx-screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // Mid-December 2026, in the middle of the fixture's daynotes.
    SetTestClock(DateTimeToAbsTime(12, 16, 2026, 10, 24));
    InstallEventHandlers();
    if (!InitializeApplication()) return 1;
    TickEntry();
    int failed = 0;
    for (const Shot& shot : Shots) {
        if (shot.command) RunCommand(shot.command);
        QWidget* window = FindWindowById(shot.windowId);
        if (!window || !QTest::qWaitForWindowExposed(window)) {
            std::fprintf(stderr, "no window for %s\n", shot.file);
            ++failed;
            continue;
        }
        if (shot.windowId == ListWindowId) // a daynote's text beside the list
            SetListSelection(FindControl(window, DaynoteListView), {8});
        QTest::qWait(600); // the layouts settle and the countdown drawer slides open
        const QImage image = CaptureWindowImage(window);
        if (image.isNull() || !image.save(out.filePath(QString::fromLatin1(shot.file)))) {
            std::fprintf(stderr, "could not save %s\n", shot.file);
            ++failed;
        }
        if (shot.windowId != CalendarWindowId) HideWindow(window); // the next one alone in the picture
    }
    // No quit sequence: nothing is written back to the home.
    return failed ? 1 : 0;
}
