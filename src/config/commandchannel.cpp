#include "config/commandchannel.h"

#include "config/frames.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

namespace CommandChannel {

bool connectTo(QTcpSocket &socket, const QString &ip, int timeoutMs)
{
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.abort();
    // Gateways are addressed by their IP text only: a host-name lookup would
    // block outside every limit.
    const QHostAddress address(ip.trimmed());
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    // A gateway is reached on its own segment or through routers, never through
    // a proxy; asking the proxy settings for every connection only costs time.
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.connectToHost(address, Frames::Port, QIODevice::ReadWrite);
    if (socket.waitForConnected(timeoutMs))
        return true;
    socket.abort();
    return false;
}

bool send(QTcpSocket &socket, const QByteArray &frame, int timeoutMs)
{
    // Bytes already waiting cannot be the answer to a request not yet sent: a
    // gateway talking out of turn would otherwise have them taken for it.
    socket.skip(socket.bytesAvailable());
    if (socket.state() != QAbstractSocket::ConnectedState || socket.write(frame) != frame.size())
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    return true;
}

bool waitForAnswer(QTcpSocket &socket, int timeoutMs)
{
    return socket.bytesAvailable() > 0 || socket.waitForReadyRead(timeoutMs);
}

QByteArray readAnswer(QTcpSocket &socket, int maxBytes, int timeoutMs, bool *failed)
{
    QByteArray answer(maxBytes, '\0');
    qint64 got = 0;
    bool readError = false;
    QDeadlineTimer deadline(timeoutMs);
    waitForAnswer(socket, timeoutMs);
    while (got < maxBytes) {
        const qint64 n = socket.read(answer.data() + got, maxBytes - got);
        if (n < 0) {
            // A closed or broken connection reads as -1 once its buffer is empty.
            readError = got == 0;
            break;
        }
        got += n;
        if (got >= maxBytes || deadline.hasExpired() || socket.state() != QAbstractSocket::ConnectedState)
            break;
        if (!socket.waitForReadyRead(int(deadline.remainingTime())) && socket.bytesAvailable() == 0)
            break;
    }
    answer.truncate(int(got));
    if (failed)
        *failed = readError;
    return answer;
}

bool sendAndClose(QTcpSocket &socket, const QString &ip, const QByteArray &frame)
{
    if (!connectTo(socket, ip))
        return false;
    send(socket, frame);
    socket.close();
    return true;
}

} // namespace CommandChannel
