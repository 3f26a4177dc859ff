#pragma once

#include "diagnostics/modbusrequest.h"
#include "messages/outcome.h"

#include <QByteArray>
#include <QString>

class QTcpSocket;

// One Modbus TCP request at a time to a server, over a connection kept open
// between requests to the same address and port, each wait bounded. The
// request frames and the judgement of a reply are those of ModbusRequest. The
// socket is the caller's.
class ModbusClient
{
public:
    static constexpr int WaitMs = 2000;
    static constexpr int MaxReply = 300;

    struct Reply {
        bool sent = false; // the request went out whole within the wait
        QByteArray bytes; // empty when none came in time
        ModbusRequest::Verdict verdict = ModbusRequest::Verdict::NoResponse;
    };

    explicit ModbusClient(QTcpSocket &socket);

    // Keeps the connection when it leads to ip:port and the last request went
    // out; connects anew otherwise.
    Outcome connectTo(const QString &ip, quint16 port);

    // Sends one request and reads its reply, judged against `functionCode`. A
    // request that could not be written drops the connection.
    Reply request(const QByteArray &frame, int functionCode);

    void close();

private:
    void dropStaleBytes();
    bool writeFrame(const QByteArray &frame);
    QByteArray readReply();

    QTcpSocket &m_socket;
    QString m_lastIp;
    quint16 m_lastPort = 502;
    bool m_sameTarget = false;
    bool m_connected = false;
};
