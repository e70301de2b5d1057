// Alerts through QMessageBox, or through the presenter a test installed.
#include "platform/alerts.h"

#include <QApplication>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace {

AlertPresenter      presenter;
bool                deferring = false;
bool                attentionShowing = false;
QList<AlertRequest> deferred;
int                 depth = 0; // alerts showing, each inside the loop of the one before

// An alert of a kind that requests join while it is up: how many joined, and the box to tell.
struct JoinedAlert {
    int                         more = 0;
    QString                     informative;
    std::function<QString(int)> moreText;
    QPointer<QMessageBox>       box;
};
QHash<QString, JoinedAlert> joined;

QString JoinedInformative(const JoinedAlert& j) {
    if (j.more == 0) return j.informative;
    const QString more = j.moreText(j.more);
    return j.informative.isEmpty() ? more : j.informative + QLatin1Char('\r') + more;
}

int PresentWithMessageBox(const AlertRequest& request) {
    // On the heap and watched: a sheet's window may be closed while the box's own loop runs, which deletes
    // the box with it. A box gone that way counts as its second button when it has one.
    QPointer<QMessageBox> guard = new QMessageBox(request.sheetOf);
    QMessageBox&          box = *guard;
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
        QTimer::singleShot(0, &box, [b = &box] { QApplication::alert(b); });
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
    if (joined.contains(request.joinKind)) joined[request.joinKind].box = guard;
    box.exec();
    if (!guard) return request.button2.isEmpty() ? AlertFirstButton : AlertSecondButton;
    const bool firstClicked = box.clickedButton() == first;
    delete guard;
    return firstClicked ? AlertFirstButton : AlertSecondButton;
}

} // namespace

namespace {

// Deeper than this, each alert would open inside the loops of all the ones before it until the stack ends:
// a one-button alert goes to standard error instead.
constexpr int MaxAlertDepth = 32;

int Present(const AlertRequest& request) {
    if (deferring && request.button2.isEmpty()) {
        deferred << request;
        return AlertFirstButton;
    }
    if (depth >= MaxAlertDepth && request.button2.isEmpty()) {
        std::fprintf(stderr, "vrdx: %s %s\n", qPrintable(request.message), qPrintable(request.informative));
        return AlertFirstButton;
    }
    ++depth;
    const int answer = presenter ? presenter(request) : PresentWithMessageBox(request);
    --depth;
    return answer;
}

} // namespace

int ShowAlert(AlertStyle style, const QString& message, const QString& informative, const QString& button1,
              const QString& button2) {
    return Present(AlertRequest{style, message, informative, button1, button2});
}

int ShowJoinedAlert(const QString& kind, AlertStyle style, const QString& message, const QString& informative,
                    std::function<QString(int)> more) {
    if (auto it = joined.find(kind); it != joined.end()) {
        ++it->more;
        if (it->box)
            it->box->setInformativeText(JoinedInformative(*it).replace(QLatin1Char('\r'), QLatin1Char('\n')));
        return 0;
    }
    joined.insert(kind, JoinedAlert{0, informative, std::move(more), {}});
    AlertRequest request{style, message, informative, QStringLiteral("OK"), QString()};
    request.joinKind = kind;
    const int answer = Present(request);
    joined.remove(kind);
    return answer;
}

bool IsJoinedAlertShowing(const QString& kind) {
    return joined.contains(kind);
}

QString JoinedAlertText(const QString& kind) {
    const auto it = joined.constFind(kind);
    return it == joined.constEnd() ? QString() : JoinedInformative(*it);
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
