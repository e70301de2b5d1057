// File dialogs through QFileDialog, or through the presenter a test installed.
#include "platform/file_dialogs.h"

#include "platform/windows.h"

#include <QFileDialog>
#include <utility>

namespace {

OpenFilePresenter presenter;

QString PresentWithFileDialog(const OpenFileRequest& request) {
    QFileDialog dialog(request.window, request.title, request.folder);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!request.message.isEmpty()) dialog.setLabelText(QFileDialog::FileName, request.message);
    if (!request.suffix.isEmpty()) {
        dialog.setDefaultSuffix(request.suffix);
        dialog.setNameFilters({QStringLiteral("*.%1").arg(request.suffix), QStringLiteral("*")});
    }
    if (request.window) dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString Present(OpenFileRequest request) {
    request.window = FrontWindow();
    return presenter ? presenter(request) : PresentWithFileDialog(request);
}

} // namespace

OpenFilePresenter SetOpenFilePresenter(OpenFilePresenter next) {
    OpenFilePresenter previous = std::move(presenter);
    presenter = std::move(next);
    return previous;
}

QString ChooseFileToOpen(const QString& title, const QString& folder, const QString& message) {
    return Present({title, folder, nullptr, message});
}

QString ChooseFileToSave(const QString& title, const QString& message, const QString& folder,
                         const QString& suffix) {
    return Present({title, folder, nullptr, message, true, suffix});
}
