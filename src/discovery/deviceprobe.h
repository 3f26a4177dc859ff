#pragma once

#include "discovery/equipment.h"

#include <QHostAddress>
#include <QString>
#include <QVector>

class QUdpSocket;

// Asks one gateway by its address for its discovery answer, from local port
// 10002: the search by IP address and the refresh of a listed gateway after
// its configuration was read. There is no time-out: the caller reads the
// answers whenever its socket reports them.
namespace DeviceProbe {

constexpr quint16 LocalPort = 10002;

// Binds to any IPv4 address, port 10002, shared with the tool's other socket on that port.
bool bind(QUdpSocket &socket);

// Sends the discovery request to ip:18801; false when it did not go out whole.
bool ask(QUdpSocket &socket, const QString &ip);

// How a datagram longer than an answer is taken: its first 68 bytes read as
// the answer, or it is no answer at all.
enum class LongerDatagram { Cut, Refused };

struct Answers {
    QVector<CEquipment> devices; // the whole, well-headed answers, in arrival order
    QHostAddress sender; // of the last datagram read
    quint16 senderPort = 0;
};

// Reads the datagrams waiting on `socket` until one is not a whole answer;
// datagrams with another header are skipped. Each device is numbered `number`.
Answers read(QUdpSocket &socket, int number, LongerDatagram longer);

} // namespace DeviceProbe
