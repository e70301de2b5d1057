// Event-loop turn lengths, seen as the lateness of a short precise timer: whatever holds the loop delays it.
#include "platform/loop_meter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {
constexpr int    Period = 5;              // ms
constexpr qint64 LongTurnNs = 30000000LL; // turns this long are told with the phases
QElapsedTimer    sinceLast;
qint64           longestNs = 0;
} // namespace

void StartLoopMeter() {
    if (qEnvironmentVariableIsEmpty("VRDX_LOOP_METER")) return;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (sinceLast.isValid()) {
            const qint64 late = sinceLast.nsecsElapsed() - Period * 1000000LL;
            longestNs = std::max(longestNs, late);
            if (late > LongTurnNs) MarkPhase(("long-turn-" + QByteArray::number(late / 1000000)).constData());
        }
        sinceLast.start();
    });
    timer->start(Period);
}

void ReportLoopMeter() {
    const QString path = qEnvironmentVariable("VRDX_LOOP_METER");
    if (path.isEmpty()) return;
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write("longest-turn-ms " + QByteArray::number(double(longestNs) / 1e6, 'f', 1) + '\n');
}

namespace {

bool PhasesWanted() {
    static const bool wanted = !qEnvironmentVariableIsEmpty("VRDX_PHASES");
    return wanted;
}

void WritePhase(const char* name) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "vrdx phase %s %.3f\n", name, double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6);
}

// Sees the first paint of any window, then goes.
class FirstPaintWatch : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            WritePhase("first-paint");
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void MarkPhase(const char* name) {
    if (!PhasesWanted()) return;
    static bool watching = false;
    if (!watching && qApp) {
        watching = true;
        qApp->installEventFilter(new FirstPaintWatch);
    }
    WritePhase(name);
}
