#pragma once

#include <QByteArray>
#include <QString>

class QTcpSocket;

// Bounded, blocking exchanges on the TCP command channel of one gateway. Every
// wait has a limit, so the window freezes for at most that long.
namespace CommandChannel {

constexpr int ConnectTimeoutMs = 2000;
constexpr int WriteTimeoutMs = 2000;
constexpr int AnswerTimeoutMs = 2000;
// The write re-sends the kept password without asking and allows it longer.
constexpr int PasswordWriteTimeoutMs = 30000;

// Closes the socket if open, connects it to ip:18801 and waits; on failure the socket is closed again.
bool connectTo(QTcpSocket &socket, const QString &ip, int timeoutMs = ConnectTimeoutMs);

// Drops the bytes already received, then writes the whole frame and waits
// until it has left; false when that did not happen in time.
bool send(QTcpSocket &socket, const QByteArray &frame, int timeoutMs = WriteTimeoutMs);

// True at once when bytes are waiting, otherwise waits up to timeoutMs for some.
bool waitForAnswer(QTcpSocket &socket, int timeoutMs = AnswerTimeoutMs);

// Collects up to maxBytes arriving within timeoutMs (a reply split by TCP is joined); *failed when nothing could be read at all.
QByteArray readAnswer(QTcpSocket &socket, int maxBytes, int timeoutMs = AnswerTimeoutMs, bool *failed = nullptr);

// Connects, sends a frame the gateway does not answer, and closes without reading; false when the connection failed.
bool sendAndClose(QTcpSocket &socket, const QString &ip, const QByteArray &frame);

} // namespace CommandChannel
