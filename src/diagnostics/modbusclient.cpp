#include "diagnostics/modbusclient.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>

ModbusClient::ModbusClient(QTcpSocket &socket)
    : m_socket(socket)
{
}

Outcome ModbusClient::connectTo(const QString &ip, quint16 port)
{
    m_sameTarget = ip == m_lastIp && port == m_lastPort;
    m_lastIp = ip;
    m_lastPort = port;

    if (m_sameTarget && m_connected) {
        dropStaleBytes();
        // A server that closed the kept connection is connected to again
        // instead of failing the write without a word.
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            return {};
    }

    m_socket.abort();
    m_connected = false;
    QHostAddress address;
    bool connected = false;
    if (!ip.isNull() && address.setAddress(ip) && address.protocol() == QAbstractSocket::IPv4Protocol) {
        // Unbuffered: each request goes straight to the socket and each answer is
        // read straight from it, with no notifier round trips between.
        m_socket.connectToHost(address, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
        connected = m_socket.waitForConnected(WaitMs);
    }
    if (!connected) {
        m_socket.abort();
        return Outcome::failure(7002);
    }
    return {};
}

ModbusClient::Reply ModbusClient::request(const QByteArray &frame, int functionCode)
{
    Reply reply;
    if (!writeFrame(frame)) {
        m_socket.abort();
        m_connected = false;
        return reply;
    }
    m_connected = true;
    reply.sent = true;
    reply.bytes = readReply();
    reply.verdict = ModbusRequest::judgeReply(reply.bytes, functionCode);
    return reply;
}

void ModbusClient::close()
{
    m_socket.abort();
    m_connected = false;
}

void ModbusClient::dropStaleBytes()
{
    // An answer that came after its request timed out must not be taken for
    // the answer to the next one.
    // The zero wait also notices a server that closed the kept connection.
    for (int i = 0; i < 16 && m_socket.waitForReadyRead(0); ++i)
        m_socket.readAll();
}

bool ModbusClient::writeFrame(const QByteArray &frame)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState || m_socket.write(frame) != frame.size())
        return false;
    const QDeadlineTimer deadline(WaitMs);
    while (m_socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    return true;
}

QByteArray ModbusClient::readReply()
{
    const QDeadlineTimer deadline(WaitMs);
    if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(WaitMs))
        return QByteArray();
    QByteArray reply = m_socket.read(MaxReply);
    // A reply split by the network is completed within the same bound.
    while (reply.size() < MaxReply) {
        const int declared = ModbusRequest::declaredReplyLength(reply);
        if (declared >= 0 && reply.size() >= declared)
            break;
        if (m_socket.bytesAvailable() == 0
            && (deadline.hasExpired() || !m_socket.waitForReadyRead(int(deadline.remainingTime()))))
            break;
        reply += m_socket.read(MaxReply - reply.size());
    }
    return reply;
}
