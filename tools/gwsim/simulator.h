#pragma once

#include "simlog.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class Gateway;
class QNetworkDatagram;
class QTcpServer;
class QUdpSocket;

// Plays every gateway of one configuration file: a wildcard UDP socket for
// broadcasts, and per gateway a UDP socket and a TCP listener on its address.
class Simulator : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(QObject *parent = nullptr);
    ~Simulator() override;

    bool start(const QString &configPath, const QString &logPath, const QString &stateDir, QString *error);
    void logEvent(const QString &event);

private:
    struct Endpoint
    {
        std::unique_ptr<Gateway> gateway;
        QUdpSocket *udp = nullptr;
        QTcpServer *tcp = nullptr;
    };

    bool loadConfig(const QString &configPath, const QString &stateDir, QString *error);
    bool bindAll(QString *error);
    void onWildcardDatagrams();
    void onGatewayDatagrams(Endpoint *endpoint);
    void onNewConnection(Endpoint *endpoint);
    void take(Endpoint *endpoint, const QNetworkDatagram &datagram, const char *via);
    void answer(Endpoint *endpoint, const QHostAddress &peer, quint16 port);
    bool isBroadcast(const QHostAddress &destination) const;
    void logDatagram(const QString &gw, const char *dir, const QHostAddress &peer, quint16 port,
                     const QByteArray &bytes, const char *via = nullptr, const QHostAddress &dst = {});

    SimLog m_log;
    std::vector<Endpoint> m_endpoints;
    QUdpSocket *m_wildcard = nullptr;
    QList<QHostAddress> m_broadcasts;
    int m_connections = 0;
};
