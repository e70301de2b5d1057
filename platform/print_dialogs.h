// The print and page setup dialogs, through one replaceable presenter so that tests print straight to files.
#pragma once

#include <functional>

class QPrinter;

enum class PrintDialogKind { Print, PageSetup };

// Shows the dialog for the printer and returns false when the user cancelled it.
using PrintDialogPresenter = std::function<bool(PrintDialogKind kind, QPrinter* printer)>;
// Installs a presenter and returns the one it replaces; an empty presenter restores the dialogs.
PrintDialogPresenter SetPrintDialogPresenter(PrintDialogPresenter presenter);

// The program's one printer: the page format chosen in page setup stays for every later print.
QPrinter& ProgramPrinter();
// Each modal to the front document window; false when cancelled.
bool RunPrintDialog();
bool RunPageSetupDialog();
