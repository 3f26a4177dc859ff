#include "discovery/devicesearch.h"

#include "discovery/discoveryanswer.h"

#include <QDebug>
#include <QNetworkInterface>
#include <QTimerEvent>

#include <algorithm>

namespace {

// Room for a burst of answers from a large installation arriving at once.
constexpr int ReceiveBuffer = 4 * 1024 * 1024;
// What the kernel charges a socket for one small datagram, with room to spare
// (a veth charges about 830 bytes, some network cards a whole 2 KB page).
constexpr int DatagramCost = 2048;
constexpr int MinBurst = 16;
constexpr int MaxBurst = 128;

} // namespace

DeviceSearch::DeviceSearch(QObject *parent)
    : QObject(parent)
{
    // Answers are read as they arrive instead of in a blocking wait per tick,
    // so silent interfaces cannot hold up the event loop.
    for (int i = 0; i < MaxLocalAddresses; ++i)
        connect(&m_sockets[size_t(i)], &QIODevice::readyRead, this, [this, i] {
            if (m_running && i < m_addrCount)
                drain(i);
        });
}

DeviceSearch::~DeviceSearch()
{
    close();
}

QList<QHostAddress> DeviceSearch::localAddresses()
{
    QList<QHostAddress> addresses;
    const QList<QHostAddress> all = QNetworkInterface::allAddresses();
    for (const QHostAddress &address : all) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address == QHostAddress(QHostAddress::LocalHost))
            continue;
        if (addresses.size() == MaxLocalAddresses)
            break;
        addresses << address;
    }
    return addresses;
}

int DeviceSearch::open(const QList<QHostAddress> &addresses)
{
    close();
    int bound = 0;
    for (int i = 0; i < std::min(int(addresses.size()), int(MaxLocalAddresses)); ++i) {
        QUdpSocket &socket = m_sockets[size_t(i)];
        if (!socket.bind(addresses[i], 0, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
            qDebug() << "search: bind failed on" << addresses[i].toString() << socket.errorString();
            continue;
        }
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBuffer);
        ++bound;
    }
    return bound;
}

void DeviceSearch::start(int addressCount)
{
    begin(Mode::Broadcast);
    m_addrCount = qBound(0, addressCount, int(MaxLocalAddresses));
    m_ticks.fill(0, m_addrCount + 1);
    for (int i = 0; i <= m_addrCount; ++i)
        m_timerIds.append(startTimer(TickMs, Qt::PreciseTimer));
}

bool DeviceSearch::startRange(const QList<QHostAddress> &targets)
{
    close();
    if (targets.isEmpty() || targets.size() > MaxRangeTargets)
        return false;
    QUdpSocket &socket = m_sockets[0];
    if (!socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0))
        return false;
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBuffer);
    // Requests to addresses nobody holds wait in the send buffer until their
    // address resolution fails; a small buffer would hold the rest back.
    socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, ReceiveBuffer);
    // The answers to one burst must fit half the buffer the system granted.
    const int granted = socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    m_burst = qBound(MinBurst, granted / (2 * DatagramCost), MaxBurst);

    begin(Mode::Range);
    m_addrCount = 1;
    m_targets = targets;
    m_next = 0;
    const int bursts = (int(targets.size()) + m_burst - 1) / m_burst;
    m_sendDeadline.setRemainingTime(bursts * BurstIntervalMs + RangeSendSlackMs, Qt::PreciseTimer);
    m_sendTimer = startTimer(BurstIntervalMs, Qt::PreciseTimer);
    sendBurst();
    return true;
}

void DeviceSearch::begin(Mode mode)
{
    stopTimers();
    m_mode = mode;
    m_running = true;
    m_seq = 1;
    m_progress = mode == Mode::Broadcast ? StartProgress : 0;
    m_found.clear();
    m_foundIps.clear();
    m_unasked = 0;
}

void DeviceSearch::close()
{
    stopTimers();
    m_running = false;
    for (QUdpSocket &socket : m_sockets)
        socket.close();
}

void DeviceSearch::stopTimers()
{
    for (int id : qAsConst(m_timerIds))
        killTimer(id);
    m_timerIds.clear();
    for (int *id : {&m_sendTimer, &m_settleTimer}) {
        if (*id != 0)
            killTimer(*id);
        *id = 0;
    }
}

void DeviceSearch::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (!m_running) {
        QObject::timerEvent(event);
        return;
    }
    if (id == m_sendTimer) {
        sendBurst();
    } else if (id == m_settleTimer) {
        if (drain(0))
            finish();
    } else if (const int index = m_timerIds.indexOf(id); index == m_addrCount) {
        deadlineTick();
    } else if (index >= 0) {
        socketTick(index);
    }
}

void DeviceSearch::deadlineTick()
{
    setProgress(m_progress + ProgressStep, MaxProgress);
    const int ticks = ++m_ticks[m_addrCount];
    if (ticks > MaxTicks || (ticks >= FinishTickWithDevices && !m_found.isEmpty()))
        finish();
}

void DeviceSearch::socketTick(int index)
{
    const int ticks = ++m_ticks[index];
    if (ticks > MaxTicks) {
        finish();
        return;
    }
    QUdpSocket &socket = m_sockets[size_t(index)];
    // A socket whose bind failed would bind itself to any address on write.
    if (socket.state() == QAbstractSocket::BoundState) {
        const QByteArray request = Discovery::request();
        if (socket.writeDatagram(request, QHostAddress::Broadcast, Discovery::Port) != request.size())
            qDebug() << "search: request not sent from" << socket.localAddress() << socket.errorString();
    }
    if (!drain(index))
        return;
    if (ticks >= FinishTickWithDevices && !m_found.isEmpty())
        finish();
}

void DeviceSearch::sendBurst()
{
    QUdpSocket &socket = m_sockets[0];
    // Whatever came in goes first, so the whole buffer is free for this burst's answers.
    if (!drain(0))
        return;
    const QByteArray request = Discovery::request();
    const int end = std::min(m_next + m_burst, int(m_targets.size()));
    while (m_next < end) {
        if (socket.writeDatagram(request, m_targets[m_next], Discovery::Port) != request.size()) {
            // A full send buffer empties again; an address the system cannot send to never will.
            if (socket.error() == QAbstractSocket::TemporaryError)
                break;
            ++m_unasked;
        }
        ++m_next;
    }
    if (m_next < m_targets.size() && m_sendDeadline.hasExpired()) {
        m_unasked += int(m_targets.size()) - m_next;
        m_next = int(m_targets.size());
    }
    setProgress(m_next, int(m_targets.size()));
    if (m_next < m_targets.size())
        return;
    killTimer(m_sendTimer);
    m_sendTimer = 0;
    m_settleTimer = startTimer(RangeSettleMs, Qt::PreciseTimer);
}

bool DeviceSearch::drain(int i)
{
    QUdpSocket &socket = m_sockets[size_t(i)];
    while (m_running && socket.hasPendingDatagrams()) {
        // At most one answer's worth is read; the rest of a longer datagram is dropped.
        QByteArray datagram(Discovery::AnswerSize, '\0');
        const qint64 n = socket.readDatagram(datagram.data(), datagram.size());
        if (n < 0)
            break;
        datagram.truncate(int(n));
        CEquipment device;
        const Discovery::AnswerStatus status = Discovery::parseAnswer(datagram, m_seq, device);
        // A stray datagram ends a broadcast search; a scan of many addresses
        // goes on, as the one who sent it is not a gateway being asked.
        if (status == Discovery::AnswerStatus::WrongLength && m_mode == Mode::Broadcast) {
            end();
            return false;
        }
        if (status != Discovery::AnswerStatus::Ok || m_foundIps.contains(device.m_ip))
            continue;
        m_foundIps.insert(device.m_ip);
        m_found.append(device);
        ++m_seq;
        Q_EMIT deviceFound(device);
        // Once every address asked has answered there is nothing left to wait for.
        if (m_mode == Mode::Range && m_next == m_targets.size() && m_found.size() >= m_targets.size()) {
            finish();
            return false;
        }
    }
    return true;
}

void DeviceSearch::finish()
{
    setProgress(m_mode == Mode::Broadcast ? MaxProgress : int(m_targets.size()),
                m_mode == Mode::Broadcast ? MaxProgress : int(m_targets.size()));
    end();
}

void DeviceSearch::end()
{
    stopTimers();
    m_running = false;
    Q_EMIT finished();
}

void DeviceSearch::setProgress(int value, int maximum)
{
    m_progress = value;
    Q_EMIT progressed(value, maximum);
}
