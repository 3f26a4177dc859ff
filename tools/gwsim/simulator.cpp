#include "simulator.h"

#include "gateway.h"
#include "session.h"
#include "wire.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

namespace {

const QByteArray kDiscoveryRequest = QByteArray::fromHex("0000000300000000");
const auto kBindMode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;

QString endpointText(const QHostAddress &a, quint16 port)
{
    return QString("%1:%2").arg(a.toString()).arg(port);
}

} // namespace

Simulator::Simulator(QObject *parent) : QObject(parent) {}

Simulator::~Simulator() = default;

bool Simulator::start(const QString &configPath, const QString &logPath, const QString &stateDir, QString *error)
{
    if (!m_log.open(logPath, error) || !loadConfig(configPath, stateDir, error) || !bindAll(error))
        return false;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry &entry : iface.addressEntries())
            if (!entry.broadcast().isNull())
                m_broadcasts.append(entry.broadcast());
    m_log.write({{"event", "ready"}});
    return true;
}

void Simulator::logEvent(const QString &event)
{
    m_log.write({{"event", event}});
}

bool Simulator::loadConfig(const QString &configPath, const QString &stateDir, QString *error)
{
    QFile file(configPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QString("cannot read %1: %2").arg(configPath, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        *error = QString("%1: not a JSON object (%2)").arg(configPath, parseError.errorString());
        return false;
    }
    const QJsonObject root = doc.object();
    for (const QString &key : root.keys())
        if (key != "gateways") {
            *error = QString("unknown key \"%1\"").arg(key);
            return false;
        }
    const QJsonArray list = root.value("gateways").toArray();
    if (list.isEmpty()) {
        *error = "\"gateways\" must be a non-empty list";
        return false;
    }
    QSet<QString> seen;
    for (int i = 0; i < list.size(); ++i) {
        Endpoint e;
        e.gateway = std::make_unique<Gateway>();
        QString why;
        if (!e.gateway->load(list.at(i).toObject(), stateDir, &why)) {
            *error = QString("gateway %1: %2").arg(i).arg(why);
            return false;
        }
        if (seen.contains(e.gateway->ip())) {
            *error = QString("gateway %1: address %2 used twice").arg(i).arg(e.gateway->ip());
            return false;
        }
        seen.insert(e.gateway->ip());
        m_endpoints.push_back(std::move(e));
    }
    return true;
}

bool Simulator::bindAll(QString *error)
{
    m_wildcard = new QUdpSocket(this);
    if (!m_wildcard->bind(QHostAddress::AnyIPv4, Wire::kPort, kBindMode)) {
        *error = QString("cannot bind UDP 0.0.0.0:%1: %2").arg(Wire::kPort).arg(m_wildcard->errorString());
        return false;
    }
    connect(m_wildcard, &QUdpSocket::readyRead, this, &Simulator::onWildcardDatagrams);

    for (Endpoint &e : m_endpoints) {
        Endpoint *ep = &e;
        const QHostAddress addr(e.gateway->ip());
        e.udp = new QUdpSocket(this);
        if (!e.udp->bind(addr, Wire::kPort, kBindMode)) {
            *error = QString("cannot bind UDP %1: %2").arg(endpointText(addr, Wire::kPort), e.udp->errorString());
            return false;
        }
        connect(e.udp, &QUdpSocket::readyRead, this, [this, ep] { onGatewayDatagrams(ep); });
        if (e.gateway->faults().tcpRefuse)
            continue;
        e.tcp = new QTcpServer(this);
        if (!e.tcp->listen(addr, Wire::kPort)) {
            *error = QString("cannot listen on TCP %1: %2").arg(endpointText(addr, Wire::kPort), e.tcp->errorString());
            return false;
        }
        connect(e.tcp, &QTcpServer::newConnection, this, [this, ep] { onNewConnection(ep); });
    }
    return true;
}

bool Simulator::isBroadcast(const QHostAddress &destination) const
{
    return destination.isNull() || destination == QHostAddress::Broadcast || m_broadcasts.contains(destination);
}

void Simulator::onWildcardDatagrams()
{
    while (m_wildcard->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_wildcard->receiveDatagram();
        const QHostAddress dst = d.destinationAddress();
        bool taken = false;
        for (Endpoint &e : m_endpoints) {
            const bool own = QHostAddress(e.gateway->ip()) == dst;
            if (own || isBroadcast(dst)) {
                take(&e, d, own ? "unicast" : "broadcast");
                taken = true;
            }
        }
        if (!taken)
            logDatagram(QString(), "recv", d.senderAddress(), quint16(d.senderPort()), d.data(), "unmatched", dst);
    }
}

void Simulator::onGatewayDatagrams(Endpoint *endpoint)
{
    while (endpoint->udp->hasPendingDatagrams())
        take(endpoint, endpoint->udp->receiveDatagram(), "unicast");
}

void Simulator::take(Endpoint *endpoint, const QNetworkDatagram &datagram, const char *via)
{
    const QHostAddress peer = datagram.senderAddress();
    const quint16 port = quint16(datagram.senderPort());
    logDatagram(endpoint->gateway->ip(), "recv", peer, port, datagram.data(), via, datagram.destinationAddress());
    if (datagram.data() != kDiscoveryRequest || endpoint->gateway->faults().udpSilent)
        return;
    const int delay = endpoint->gateway->faults().udpDelayMs;
    // Delays are promised to tests: a coarse timer may fire 5 % early.
    if (delay > 0)
        QTimer::singleShot(delay, Qt::PreciseTimer, this, [this, endpoint, peer, port] { answer(endpoint, peer, port); });
    else
        answer(endpoint, peer, port);
}

void Simulator::answer(Endpoint *endpoint, const QHostAddress &peer, quint16 port)
{
    const Gateway &gw = *endpoint->gateway;
    const Faults &f = gw.faults();
    if (!f.udpPrefix.isEmpty()) {
        endpoint->udp->writeDatagram(f.udpPrefix, peer, port);
        logDatagram(gw.ip(), "send", peer, port, f.udpPrefix);
    }
    const QByteArray a = gw.discoveryAnswer();
    endpoint->udp->writeDatagram(a, peer, port);
    logDatagram(gw.ip(), "send", peer, port, a);
    if (f.udpRepeat <= 1)
        return;
    // Copy k (from 1) of the answer; with udp_repeat_vary_ip each copy speaks
    // for another address, as a flood of distinct devices would.
    const quint32 ipBase = QHostAddress(f.answerIp.isEmpty() ? gw.ip() : f.answerIp).toIPv4Address();
    const auto copy = [a, ipBase, vary = f.udpRepeatVaryIp](int k) {
        QByteArray c = a;
        if (vary && c.size() >= 40)
            Wire::put32(c, 36, ipBase + quint32(k));
        return c;
    };
    // Copies sent per tick, and the tick: all at once, one per gap, or spread over a time.
    int perTick = f.udpRepeat - 1;
    int tickMs = 0;
    if (f.udpRepeatWithinMs > 0) {
        tickMs = 1;
        perTick = (f.udpRepeat - 1 + f.udpRepeatWithinMs - 1) / f.udpRepeatWithinMs;
    } else if (f.udpRepeatGapMs > 0) {
        tickMs = f.udpRepeatGapMs;
        perTick = 1;
    }
    auto next = std::make_shared<int>(1);
    auto sent = std::make_shared<int>(1);
    const auto burst = [this, endpoint, peer, port, copy, next, sent, perTick, total = f.udpRepeat] {
        for (int i = 0; i < perTick && *next < total; ++i, ++*next) {
            const QByteArray c = copy(*next);
            if (endpoint->udp->writeDatagram(c, peer, port) == c.size())
                ++*sent;
        }
        if (*next < total)
            return false;
        m_log.write({{"event", "udp_repeat"}, {"gw", endpoint->gateway->ip()}, {"sent", *sent}});
        return true;
    };
    if (tickMs == 0) {
        burst();
        return;
    }
    auto *timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [timer, burst] {
        if (!burst())
            return;
        timer->stop();
        timer->deleteLater();
    });
    timer->start(tickMs);
}

void Simulator::onNewConnection(Endpoint *endpoint)
{
    while (QTcpSocket *socket = endpoint->tcp->nextPendingConnection())
        new Session(socket, endpoint->gateway.get(), &m_log, ++m_connections, this);
}

void Simulator::logDatagram(const QString &gw, const char *dir, const QHostAddress &peer, quint16 port,
                            const QByteArray &bytes, const char *via, const QHostAddress &dst)
{
    if (!m_log.isOn())
        return;
    QJsonObject e{{"gw", gw},
                  {"proto", "udp"},
                  {"dir", dir},
                  {"peer", endpointText(peer, port)},
                  {"hex", QString::fromLatin1(bytes.toHex())}};
    if (via)
        e.insert("via", via);
    if (!dst.isNull())
        e.insert("dst", dst.toString());
    m_log.write(e);
}
