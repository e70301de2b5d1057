// The progress window: a Qt progress dialog that stays until the work closes it.
#include "platform/progress.h"

#include <QApplication>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>

namespace {

constexpr int     Steps = 1000;
const char* const ClosingProperty = "vrdxClosing"; // set while the program itself closes the window

} // namespace

QWidget* ShowProgressWindow(const QString& title, const QString& text, std::function<void()> cancel) {
    auto* dialog = new QProgressDialog(text, QStringLiteral("Cancel"), 0, Steps);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAccessibleName(title);
    if (auto* bar = dialog->findChild<QProgressBar*>()) bar->setAccessibleName(QStringLiteral("Progress"));
    if (auto* button = dialog->findChild<QPushButton*>()) button->setAccessibleName(QStringLiteral("Cancel"));
    // Cancel, the close box and Escape all end up here, once.
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [dialog, cancel = std::move(cancel)] {
        if (dialog->property(ClosingProperty).toBool()) return;
        dialog->setProperty(ClosingProperty, true);
        dialog->close();
        if (cancel) cancel();
    });
    dialog->setValue(0);
    dialog->show();
    return dialog;
}

void SetProgress(QWidget* progress, double done) {
    if (auto* dialog = qobject_cast<QProgressDialog*>(progress))
        dialog->setValue(std::clamp(int(done * Steps), 0, Steps - 1));
}

void CloseProgressWindow(QWidget* progress) {
    if (!progress) return;
    progress->setProperty(ClosingProperty, true);
    progress->close();
}
