#pragma once

#include "discovery/devicesearch.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// A range search over `targets` run to its end in this process, at most 15 s, and timed: the benchmarks'
// figure for the core's own scan.
struct TimedScan {
    qint64 ms = -1;
    int found = 0;
    QString error;
};

inline TimedScan timedRangeScan(const QList<QHostAddress> &targets)
{
    TimedScan t;
    DeviceSearch search;
    QEventLoop loop;
    QObject::connect(&search, &DeviceSearch::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    if (!search.startRange(targets)) {
        t.error = QStringLiteral("the range search did not start");
        return t;
    }
    loop.exec();
    t.ms = clock.elapsed();
    t.found = int(search.found().size());
    return t;
}
