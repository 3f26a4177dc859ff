#pragma once

#include <QElapsedTimer>
#include <QObject>

// Prints the microseconds since `clock` started at the first paint of the
// watched widget, then ends the event loop.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(const QElapsedTimer &clock);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const QElapsedTimer &m_clock;
    bool m_done = false;
};
