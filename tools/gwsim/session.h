#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

class Gateway;
class QTcpSocket;
class QTimer;
class SimLog;

// One TCP connection to a gateway: assembles frames by their header and
// answers them, with the gateway's fault switches applied.
class Session : public QObject
{
    Q_OBJECT

public:
    Session(QTcpSocket *socket, Gateway *gateway, SimLog *log, int number, QObject *parent);

private:
    void onReadyRead();
    void onDisconnected();
    void handleFrame(const QByteArray &frame);
    void handlePassword(const QByteArray &frame);
    void handleRead();
    void send(const QByteArray &bytes, bool partial = false);
    // The answer to `command`, with its prefix and suffix, dripped when asked to.
    void answer(int command, const QByteArray &bytes);
    void drip(const QByteArray &bytes);
    void dripStep();
    void closeBySim();
    void logFrame(const char *dir, const QByteArray &bytes, bool partial);
    void logEvent(const QString &event, QJsonObject extra = {});
    bool authRefused(int command);

    QTcpSocket *m_socket;
    Gateway *m_gateway;
    SimLog *m_log;
    int m_number;
    QString m_peer;
    QByteArray m_buffer;
    qint64 m_received = 0;
    qint64 m_sent = 0;
    bool m_authenticated = false;
    bool m_closedBySim = false;
    QTimer *m_drip = nullptr;
    QByteArray m_dripRest;
    qint64 m_dripWhole = 0; // bytes queued since the drip last ran dry
};
