#include "app/myadvertisewidget.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>

MyAdvertiseWidget::MyAdvertiseWidget(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
    , m_animation(new QPropertyAnimation(this, "offsetX", this))
    , m_indicators(new QWidget(this))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, true);

    auto *indicatorLayout = new QHBoxLayout(m_indicators);
    indicatorLayout->setSpacing(2);
    indicatorLayout->setContentsMargins(0, 0, 0, 0);

    auto *column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    column->addItem(new QSpacerItem(10, 100, QSizePolicy::Minimum, QSizePolicy::Expanding));
    auto *row = new QHBoxLayout;
    row->setSpacing(3);
    row->setContentsMargins(0, 0, 0, 0);
    row->addItem(new QSpacerItem(10, 10, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->addWidget(m_indicators);
    row->addItem(new QSpacerItem(10, 10, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->setStretch(0, 3);
    row->setStretch(1, 1);
    row->setStretch(2, 3);
    column->addLayout(row);
    column->setStretch(0, 6);
    column->setStretch(1, 1);

    m_timer->setInterval(m_interval);
    connect(m_timer, &QTimer::timeout, this, &MyAdvertiseWidget::onTimeout);
    m_animation->setDuration(m_duration);
}

MyAdvertiseWidget::~MyAdvertiseWidget()
{
    qDeleteAll(m_pictures);
}

void MyAdvertiseWidget::setPixmap(const QList<QPixmap *> &pictures)
{
    m_timer->stop();
    if (m_animation->state() != QAbstractAnimation::Stopped)
        m_animation->stop();
    // A picture handed in again must survive the clean-up of the old list.
    for (QPixmap *old : qAsConst(m_pictures)) {
        if (!pictures.contains(old))
            delete old;
    }
    m_pictures.clear();
    const QList<QWidget *> marks = m_indicators->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *mark : marks)
        mark->deleteLater();
    m_pictures = pictures;
    m_currentIndex = 0;
    m_previousIndex = 0;
    m_timer->start();
    update();
}

void MyAdvertiseWidget::setOffsetX(int x)
{
    m_offsetX = x;
    update();
}

bool MyAdvertiseWidget::isCycling() const
{
    return m_timer->isActive();
}

void MyAdvertiseWidget::onTimeout()
{
    m_previousIndex = m_currentIndex;
    if (++m_currentIndex >= m_pictures.size())
        m_currentIndex = 0;
    m_animation->setStartValue(0);
    m_animation->setEndValue(width());
    m_animation->start();
    update();
}

void MyAdvertiseWidget::paintEvent(QPaintEvent *)
{
    if (m_pictures.isEmpty()) {
        m_timer->stop();
        return;
    }
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const int w = width();
    const int h = height();
    const QPixmap *previous = m_pictures.value(m_previousIndex);
    const QPixmap *current = m_pictures.value(m_currentIndex);
    const QRect previousRect = m_slideLeft ? QRect(-m_offsetX, 0, w, h) : QRect(m_offsetX, 0, w, h);
    const QRect currentRect = m_slideLeft ? QRect(w - m_offsetX, 0, w, h) : QRect(m_offsetX - w, 0, w, h);
    if (previous)
        painter.drawPixmap(previousRect, *previous);
    if (current)
        painter.drawPixmap(currentRect, *current);
}
