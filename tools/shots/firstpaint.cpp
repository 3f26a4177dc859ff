#include "firstpaint.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstdio>

FirstPaint::FirstPaint(const QElapsedTimer &clock)
    : m_clock(clock)
{
}

bool FirstPaint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_done) {
        m_done = true;
        std::printf("%lld\n", static_cast<long long>(m_clock.nsecsElapsed() / 1000));
        std::fflush(stdout);
        QCoreApplication::quit();
    }
    return QObject::eventFilter(watched, event);
}
