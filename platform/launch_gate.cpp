// The two hooks of a start-up that shows its first window early.
#include "platform/launch_gate.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int PaintWaitMs = 400; // a window that is not painted by then is not waited for any longer

class FirstPaint : public QObject {
  public:
    explicit FirstPaint(std::function<void()> then) : then(std::move(then)) {
        QTimer::singleShot(PaintWaitMs, this, &FirstPaint::Go);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow())
            // After the paint has reached the screen, not inside it.
            QTimer::singleShot(0, this, &FirstPaint::Go);
        return false;
    }

  private:
    void Go() {
        if (!then) return;
        qApp->removeEventFilter(this);
        deleteLater();
        std::exchange(then, nullptr)();
    }
    std::function<void()> then;
};

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::InputMethod:
    case QEvent::Close:
    case QEvent::ApplicationDeactivate:
        return true;
    default:
        return false;
    }
}

class InputWatch : public QObject {
  public:
    explicit InputWatch(std::function<void()> first) : first(std::move(first)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (first && IsInput(event->type())) {
            const auto call = std::exchange(first, nullptr);
            StopWatchingInput();
            call();
        }
        return false;
    }

  private:
    std::function<void()> first;
};

QPointer<InputWatch> inputWatch;

} // namespace

void AfterFirstPaint(std::function<void()> then) {
    bool shown = false;
    for (QWidget* top : QApplication::topLevelWidgets()) shown = shown || top->isVisible();
    if (!shown) {
        QTimer::singleShot(0, qApp, std::move(then));
        return;
    }
    qApp->installEventFilter(new FirstPaint(std::move(then)));
}

void BeforeFirstInput(std::function<void()> first) {
    StopWatchingInput();
    inputWatch = new InputWatch(std::move(first));
    qApp->installEventFilter(inputWatch);
}

void StopWatchingInput() {
    if (!inputWatch) return;
    qApp->removeEventFilter(inputWatch);
    inputWatch->deleteLater();
}
