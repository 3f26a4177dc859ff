#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;
class Config;

// A hint shown over the editor that closes itself after about 3.1 seconds.
class MyDialog2 : public QWidget
{
    Q_OBJECT

public:
    static constexpr int TickMs = 100;
    static constexpr int LastTick = 30; // closes on the tick after this one

    // Deletes itself when it closes, so create it with new.
    MyDialog2(const QString &text, Config *editor, QWidget *parent = nullptr);

    QString text() const;
    int ticks() const { return m_ticks; }

public Q_SLOTS:
    void on_timer();

private:
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QTimer m_timer;
    int m_ticks = 0;
};
