#pragma once

#include <QDialog>
#include <QVector>

class MainWindow;
class QTimerEvent;
class Ui_Wait;

// Progress dialog of the device search: one timer per search socket sends the
// discovery request every tick and collects the answers into the owner's
// device list; one more timer is the deadline.
class Wait : public QDialog
{
    Q_OBJECT

public:
    static constexpr int TickMs = 300;
    // Requests per address; the deadline timer also gives up after this many ticks.
    static constexpr int MaxTicks = 7;
    // A search that has found a device ends on this tick of any timer.
    static constexpr int FinishTickWithDevices = 5;
    static constexpr int MaxProgress = 160;

    Wait(MainWindow *owner, int count, QWidget *parent = nullptr);
    ~Wait() override;

    int progress() const { return m_progress; }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void deadlineTick(int index);
    void socketTick(int index);
    // Reads every answer pending on search socket i; false once a datagram of
    // the wrong length has ended the search.
    bool drainSocket(int i);
    void finish();
    void endSearch();

    MainWindow *m_owner;
    int m_seq = 1;
    int m_addrCount;
    QVector<int> m_ticks;
    QVector<int> m_timerIds;
    int m_progress = 20;
    bool m_ended = false;
    Ui_Wait *ui;
};
