// Alerts through QMessageBox, or through the presenter a test installed.
#include "platform/alerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

namespace {

AlertPresenter      presenter;
bool                deferring = false;
QList<AlertRequest> deferred;

int PresentWithMessageBox(const AlertRequest& request) {
    QMessageBox box;
    switch (request.style) {
    case AlertStyle::Plain:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case AlertStyle::Informational:
        box.setIcon(QMessageBox::Information);
        break;
    case AlertStyle::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case AlertStyle::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setWindowTitle(QStringLiteral("VRD X"));
    // Carriage returns separate lines in the program's texts; the message box wants line feeds.
    QString message = request.message;
    box.setText(message.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QString informative = request.informative;
    box.setInformativeText(informative.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QPushButton* first = box.addButton(request.button1, QMessageBox::AcceptRole);
    if (!request.button2.isEmpty()) box.addButton(request.button2, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.exec();
    return box.clickedButton() == first ? AlertFirstButton : AlertSecondButton;
}

} // namespace

int ShowAlert(AlertStyle style, const QString& message, const QString& informative, const QString& button1,
              const QString& button2) {
    const AlertRequest request{style, message, informative, button1, button2};
    if (deferring && button2.isEmpty()) {
        deferred << request;
        return AlertFirstButton;
    }
    return presenter ? presenter(request) : PresentWithMessageBox(request);
}

AlertPresenter SetAlertPresenter(AlertPresenter next) {
    AlertPresenter previous = std::move(presenter);
    presenter = std::move(next);
    return previous;
}

void DeferAlerts(bool defer) {
    deferring = defer;
    if (defer) return;
    const QList<AlertRequest> waiting = std::exchange(deferred, {});
    for (const AlertRequest& r : waiting) ShowAlert(r.style, r.message, r.informative, r.button1, r.button2);
}

void RequestAttention() {
    if (QWidget* w = QApplication::activeWindow())
        QApplication::alert(w);
    else
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible()) QApplication::alert(top);
}
