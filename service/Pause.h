#pragma once

#include <QTimer>

#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

// A wait of at least `ms` milliseconds that keeps the event loop running. A coarse timer may
// fire a few percent early, and the controller is promised the whole pause.
inline QCoro::Task<void> pause(int ms)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(ms);
    co_await timer;
}
