// Print dialogs through QPrintDialog and QPageSetupDialog, or through the presenter a test installed.
#include "platform/print_dialogs.h"

#include "platform/windows.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <utility>

namespace {

PrintDialogPresenter presenter;

bool PresentWithDialog(PrintDialogKind kind, QPrinter* printer) {
    QWidget* window = FrontWindow();
    if (kind == PrintDialogKind::PageSetup) {
        QPageSetupDialog dialog(printer, window);
        return dialog.exec() == QDialog::Accepted;
    }
    QPrintDialog dialog(printer, window);
    return dialog.exec() == QDialog::Accepted;
}

bool Present(PrintDialogKind kind) {
    return presenter ? presenter(kind, &ProgramPrinter()) : PresentWithDialog(kind, &ProgramPrinter());
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
