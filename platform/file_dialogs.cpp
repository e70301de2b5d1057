// File dialogs through QFileDialog, or through the presenter a test installed.
#include "platform/file_dialogs.h"

#include "platform/windows.h"

#include <QFileDialog>
#include <QPointer>
#include <utility>

namespace {

OpenFilePresenter     presenter;
bool                  asking = false; // one file dialog at a time
QPointer<QFileDialog> showing;

QString PresentWithFileDialog(const OpenFileRequest& request) {
    // On the heap and watched: closing the window it is modal to deletes it while its own loop runs.
    QPointer<QFileDialog> guard = new QFileDialog(request.window, request.title, request.folder);
    QFileDialog&          dialog = *guard;
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!request.message.isEmpty()) dialog.setLabelText(QFileDialog::FileName, request.message);
    if (!request.suffix.isEmpty()) {
        dialog.setDefaultSuffix(request.suffix);
        dialog.setNameFilters({QStringLiteral("*.%1").arg(request.suffix), QStringLiteral("*")});
    }
    if (request.window) dialog.setWindowModality(Qt::WindowModal);
    showing = guard;
    const int answer = dialog.exec();
    if (!guard) return {};
    const QStringList chosen = dialog.selectedFiles();
    delete guard;
    return answer == QDialog::Accepted && !chosen.isEmpty() ? chosen.constFirst() : QString();
}

QString Present(OpenFileRequest request) {
    // A request that arrives while a dialog is up (a menu command sent again and again from outside) would
    // open a dialog inside the loop of the one before: it brings that one forward and counts as cancelled.
    if (asking) {
        if (showing) {
            showing->raise();
            showing->activateWindow();
        }
        return {};
    }
    asking = true;
    request.window = FrontWindow();
    const QString chosen = presenter ? presenter(request) : PresentWithFileDialog(request);
    asking = false;
    return chosen;
}

} // namespace

OpenFilePresenter SetOpenFilePresenter(OpenFilePresenter next) {
    OpenFilePresenter previous = std::move(presenter);
    presenter = std::move(next);
    return previous;
}

bool IsFileDialogShowing() {
    return asking;
}

QString ChooseFileToOpen(const QString& title, const QString& folder, const QString& message) {
    return Present({title, folder, nullptr, message});
}

QString ChooseFileToSave(const QString& title, const QString& message, const QString& folder,
                         const QString& suffix) {
    return Present({title, folder, nullptr, message, true, suffix});
}
