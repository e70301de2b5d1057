// Print dialogs through QPrintDialog and QPageSetupDialog, or through the presenter a test installed.
#include "platform/print_dialogs.h"

#include "platform/windows.h"

#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <utility>

namespace {

PrintDialogPresenter presenter;
bool                 asking = false; // one print dialog at a time
QPointer<QDialog>    showing;

bool PresentWithDialog(PrintDialogKind kind, QPrinter* printer) {
    QWidget* window = FrontWindow();
    // On the heap and watched: closing the window deletes the dialog while its own loop runs.
    QPointer<QDialog> guard;
    if (kind == PrintDialogKind::PageSetup)
        guard = new QPageSetupDialog(printer, window);
    else
        guard = new QPrintDialog(printer, window);
    showing = guard;
    const int answer = guard->exec();
    delete guard; // nothing when it went with its window
    return answer == QDialog::Accepted;
}

bool Present(PrintDialogKind kind) {
    // Asked again while one is up, the one showing comes forward and this one counts as cancelled.
    if (asking) {
        if (showing) {
            showing->raise();
            showing->activateWindow();
        }
        return false;
    }
    asking = true;
    const bool accepted =
        presenter ? presenter(kind, &ProgramPrinter()) : PresentWithDialog(kind, &ProgramPrinter());
    asking = false;
    return accepted;
}

} // namespace

PrintDialogPresenter SetPrintDialogPresenter(PrintDialogPresenter next) {
    PrintDialogPresenter previous = std::move(presenter);
    presenter = std::move(next);
    return previous;
}

QPrinter& ProgramPrinter() {
    // Made on first use, once the application exists, and kept to the end: a printer destroyed after the
    // application would outlive the print system it belongs to.
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

bool RunPrintDialog() {
    return Present(PrintDialogKind::Print);
}

bool RunPageSetupDialog() {
    return Present(PrintDialogKind::PageSetup);
}
