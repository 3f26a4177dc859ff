#pragma once

#include "discovery/equipment.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUdpSocket>
#include <QVector>

#include <array>

class QTimerEvent;

// The search for gateways with the discovery request, run by the event loop
// (a dialog's or a QCoreApplication's): it reports its progress, every gateway
// it finds and its end. Answers are numbered from 1 in arrival order; a later
// answer for an address already found is dropped.
//
// Broadcast: open() binds one socket per local address, start() sends the
// request to 255.255.255.255 from each every tick and reads the answers as
// they arrive. It finishes on the fifth tick of any socket once a gateway is
// known, after the eighth otherwise, and at once on a datagram that is not
// answer-sized (the gateways found so far stay).
//
// Range: startRange() sends one unicast request to each target address, in
// bursts small enough that the answers to one burst fit the socket's receive
// buffer, and finishes RangeSettleMs after the last request, or as soon as
// as many gateways answered as addresses were asked; a datagram that is not
// answer-sized is skipped. Its progress counts the requests sent.
class DeviceSearch : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxLocalAddresses = 10;
    static constexpr int TickMs = 300;
    // Requests per address; the deadline also gives up after this many ticks.
    static constexpr int MaxTicks = 7;
    // A search that has found a gateway ends on this tick of any timer.
    static constexpr int FinishTickWithDevices = 5;
    // Progress of a broadcast search, moved by the deadline's ticks.
    static constexpr int StartProgress = 20;
    static constexpr int ProgressStep = 20;
    static constexpr int MaxProgress = 160;

    static constexpr int MaxRangeTargets = 4096;
    static constexpr int BurstIntervalMs = 5;
    // How long a range search waits for answers after its last request.
    static constexpr int RangeSettleMs = 1000;
    // Requests a full send buffer kept back are given up this long after the
    // last one was due, so that the search stays bounded.
    static constexpr int RangeSendSlackMs = 3000;

    explicit DeviceSearch(QObject *parent = nullptr);
    ~DeviceSearch() override;

    // The PC's IPv4 addresses a broadcast search asks from, in the system's
    // order: the first ten, without 127.0.0.1.
    static QList<QHostAddress> localAddresses();

    // Binds socket i to address i (port 0, shared); returns how many bound.
    int open(const QList<QHostAddress> &addresses);
    // Starts the broadcast search over the first `addressCount` addresses
    // opened; one whose bind failed still ticks, but sends nothing.
    void start(int addressCount);

    // Starts a range search from any local address; false when there is no
    // target, more than MaxRangeTargets, or no socket could be bound.
    bool startRange(const QList<QHostAddress> &targets);

    // Ends a search without finished() and closes every socket.
    void close();

    bool isRunning() const { return m_running; }
    const QVector<CEquipment> &found() const { return m_found; }
    // Range targets whose request could not be sent.
    int unasked() const { return m_unasked; }
    QUdpSocket &socket(int i) { return m_sockets[size_t(i)]; }

Q_SIGNALS:
    void progressed(int value, int maximum);
    void deviceFound(const CEquipment &device);
    void finished();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    enum class Mode { Broadcast, Range };

    void begin(Mode mode);
    void deadlineTick();
    void socketTick(int index);
    void sendBurst();
    // Reads every answer pending on socket i; false once the search ended.
    bool drain(int i);
    void finish();
    void end();
    void stopTimers();
    void setProgress(int value, int maximum);

    std::array<QUdpSocket, MaxLocalAddresses> m_sockets;
    Mode m_mode = Mode::Broadcast;
    bool m_running = false;
    int m_addrCount = 0;
    int m_seq = 1;
    QVector<int> m_ticks;
    QVector<int> m_timerIds;
    int m_progress = StartProgress;
    QVector<CEquipment> m_found;
    QSet<QString> m_foundIps;

    QList<QHostAddress> m_targets;
    int m_next = 0;
    int m_burst = 0;
    int m_sendTimer = 0;
    int m_settleTimer = 0;
    QDeadlineTimer m_sendDeadline; // for the requests still to go
    int m_unasked = 0;
};
