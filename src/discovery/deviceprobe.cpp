#include "discovery/deviceprobe.h"

#include "discovery/discoveryanswer.h"

#include <QUdpSocket>

namespace DeviceProbe {

bool bind(QUdpSocket &socket)
{
    return socket.bind(QHostAddress::AnyIPv4, LocalPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

bool ask(QUdpSocket &socket, const QString &ip)
{
    const QHostAddress gateway(ip);
    const QByteArray request = Discovery::request();
    return !gateway.isNull() && socket.writeDatagram(request, gateway, Discovery::Port) == request.size();
}

Answers read(QUdpSocket &socket, int number, LongerDatagram longer)
{
    Answers answers;
    while (socket.hasPendingDatagrams()) {
        // Read at its true size, a longer datagram is not taken for an answer cut to the expected length.
        const qint64 size = longer == LongerDatagram::Refused ? qMax<qint64>(socket.pendingDatagramSize(), 0)
                                                              : Discovery::AnswerSize;
        QByteArray datagram(int(size), '\0');
        const qint64 n = socket.readDatagram(datagram.data(), datagram.size(), &answers.sender, &answers.senderPort);
        if (n != Discovery::AnswerSize)
            break;
        CEquipment device;
        if (Discovery::parseAnswer(datagram, number, device) == Discovery::AnswerStatus::Ok)
            answers.devices.append(device);
    }
    return answers;
}

} // namespace DeviceProbe
