// Event-loop turn lengths, seen as the lateness of a short precise timer: whatever holds the loop delays it.
#include "platform/loop_meter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace {
constexpr int Period = 5; // ms
QElapsedTimer sinceLast;
qint64        longestNs = 0;
} // namespace

void StartLoopMeter() {
    if (qEnvironmentVariableIsEmpty("VRDX_LOOP_METER")) return;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (sinceLast.isValid())
            longestNs = std::max(longestNs, sinceLast.nsecsElapsed() - Period * 1000000LL);
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
