#pragma once

#include <QList>
#include <QWidget>

class QPixmap;
class QPropertyAnimation;
class QTimer;

// The banner at the bottom of the main window: every interval the next picture
// slides in from the right.
class MyAdvertiseWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int offsetX READ getOffsetX WRITE setOffsetX)

public:
    explicit MyAdvertiseWidget(QWidget *parent = nullptr);
    ~MyAdvertiseWidget() override;

    // Takes ownership of the pictures; the ones held so far are destroyed.
    void setPixmap(const QList<QPixmap *> &pictures);

    int getOffsetX() const { return m_offsetX; }
    void setOffsetX(int x);

    int currentIndex() const { return m_currentIndex; }
    int previousIndex() const { return m_previousIndex; }
    int pictureCount() const { return m_pictures.size(); }
    bool isCycling() const;
    QWidget *indicatorArea() const { return m_indicators; }

public Q_SLOTS:
    void onTimeout();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_interval = 5000;
    int m_duration = 2000;
    int m_currentIndex = 0;
    int m_previousIndex = 0;
    int m_offsetX = 0;
    QList<QPixmap *> m_pictures;
    QTimer *m_timer = nullptr;
    QPropertyAnimation *m_animation = nullptr;
    bool m_slideLeft = true;
    QWidget *m_indicators = nullptr;
};
