// Alerts through QMessageBox, or through the presenter a test installed.
#include "platform/alerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {

AlertPresenter      presenter;
bool                deferring = false;
bool                attentionShowing = false;
QList<AlertRequest> deferred;

int PresentWithMessageBox(const AlertRequest& request) {
    QMessageBox box(request.sheetOf);
    if (request.sheetOf) box.setWindowModality(Qt::WindowModal);
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
    box.setWindowTitle(request.title.isEmpty() ? QStringLiteral("VRD X") : request.title);
    if (request.attention) {
        // In this order: setting the modality of a message box resets its window flags.
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        // The urgency hint belongs to the alert's own window, which exists once the box is shown.
        QTimer::singleShot(0, &box, [&box] { QApplication::alert(&box); });
    }
    // Carriage returns separate lines in the program's texts; the message box wants line feeds.
    QString message = request.message;
    box.setText(message.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QString informative = request.informative;
    box.setInformativeText(informative.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QPushButton* first = box.addButton(request.button1, QMessageBox::AcceptRole);
    if (!request.button2.isEmpty()) box.addButton(request.button2, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    if (request.timeLimit > 0) QTimer::singleShot(request.timeLimit * 1000, first, &QPushButton::click);
    box.exec();
    return box.clickedButton() == first ? AlertFirstButton : AlertSecondButton;
}

} // namespace

namespace {

int Present(const AlertRequest& request) {
    if (deferring && request.button2.isEmpty()) {
        deferred << request;
        return AlertFirstButton;
    }
    return presenter ? presenter(request) : PresentWithMessageBox(request);
}

} // namespace

int ShowAlert(AlertStyle style, const QString& message, const QString& informative, const QString& button1,
              const QString& button2) {
    return Present(AlertRequest{style, message, informative, button1, button2});
}

void ShowNoteSheet(QWidget* window, const QString& text, const QString& informative) {
    AlertRequest request{AlertStyle::Informational, text, informative, QStringLiteral("OK"), QString()};
    request.sheetOf = window;
    Present(request);
}

void ShowAlertForAtMost(int seconds, AlertStyle style, const QString& message, const QString& informative) {
    Present(AlertRequest{style, message, informative, QStringLiteral("OK"), QString(), seconds});
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
    for (const AlertRequest& r : waiting) Present(r);
}

int AttentionAlert(const QString& windowTitle, const QString& message, const QString& informative) {
    if (attentionShowing) return 0;
    attentionShowing = true;
    AlertRequest request{AlertStyle::Informational, message, informative, QStringLiteral("OK"), QString()};
    request.title = windowTitle;
    request.attention = true;
    const int answer = Present(request);
    attentionShowing = false;
    return answer;
}

bool IsAttentionAlertShowing() {
    return attentionShowing;
}

void RequestAttention() {
    if (QWidget* w = QApplication::activeWindow())
        QApplication::alert(w);
    else
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible()) QApplication::alert(top);
}
