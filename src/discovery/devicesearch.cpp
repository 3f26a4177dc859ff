#include "discovery/devicesearch.h"

#include "discovery/discoveryanswer.h"

#include <QDebug>
#include <QNetworkInterface>
#include <QTimerEvent>

#include <algorithm>

namespace {

// Room for a burst of answers from a large installation arriving at once.
constexpr int ReceiveBuffer = 4 * 1024 * 1024;

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
    stopTimers();
    m_running = true;
    m_seq = 1;
    m_progress = StartProgress;
    m_found.clear();
    m_foundIps.clear();
    m_addrCount = qBound(0, addressCount, int(MaxLocalAddresses));
    m_ticks.fill(0, m_addrCount + 1);
    for (int i = 0; i <= m_addrCount; ++i)
        m_timerIds.append(startTimer(TickMs, Qt::PreciseTimer));
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
}

void DeviceSearch::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (!m_running) {
        QObject::timerEvent(event);
        return;
    }
    const int index = m_timerIds.indexOf(id);
    if (index == m_addrCount)
        deadlineTick();
    else if (index >= 0)
        socketTick(index);
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
        if (status == Discovery::AnswerStatus::WrongLength) {
            end();
            return false;
        }
        if (status != Discovery::AnswerStatus::Ok || m_foundIps.contains(device.m_ip))
            continue;
        m_foundIps.insert(device.m_ip);
        m_found.append(device);
        ++m_seq;
        Q_EMIT deviceFound(device);
    }
    return true;
}

void DeviceSearch::finish()
{
    setProgress(MaxProgress, MaxProgress);
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
