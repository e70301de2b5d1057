// File dialogs through QFileDialog, or through the presenter a test installed.
#include "platform/file_dialogs.h"

#include "platform/windows.h"

#include <QFileDialog>
#include <utility>

namespace {

OpenFilePresenter presenter;

QString PresentWithFileDialog(const OpenFileRequest& request) {
    QFileDialog dialog(request.window, request.title, request.folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (request.window) dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

OpenFilePresenter SetOpenFilePresenter(OpenFilePresenter next) {
    OpenFilePresenter previous = std::move(presenter);
    presenter = std::move(next);
    return previous;
}

QString ChooseFileToOpen(const QString& title, const QString& folder) {
    const OpenFileRequest request{title, folder, FrontWindow()};
    return presenter ? presenter(request) : PresentWithFileDialog(request);
}
