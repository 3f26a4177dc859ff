#include "session.h"

#include "gateway.h"
#include "simlog.h"
#include "wire.h"

#include <QJsonObject>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace {

// A frame bigger than any configuration block is a broken peer, not a block.
constexpr quint32 kMaxFrameBody = 65536;

QByteArray answer16(quint8 code, quint8 status)
{
    QByteArray a = Wire::header(code, 8);
    a.append(QByteArray(8, '\0'));
    a[7] = char(status);
    return a;
}

} // namespace

Session::Session(QTcpSocket *socket, Gateway *gateway, SimLog *log, int number, QObject *parent)
    : QObject(parent), m_socket(socket), m_gateway(gateway), m_log(log), m_number(number)
{
    m_socket->setParent(this);
    m_peer = QString("%1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort());
    connect(m_socket, &QTcpSocket::readyRead, this, &Session::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &Session::onDisconnected);
    logEvent("connect");
    if (!m_gateway->faults().unsolicited.isEmpty())
        send(m_gateway->faults().unsolicited);
}

void Session::onReadyRead()
{
    const QByteArray chunk = m_socket->readAll();
    m_received += chunk.size();
    m_buffer.append(chunk);
    while (m_buffer.size() >= Wire::kHeaderSize) {
        const quint32 body = Wire::get32(m_buffer, 4);
        if (body > kMaxFrameBody) {
            logEvent("oversize", {{"hex", QString::fromLatin1(m_buffer.left(Wire::kHeaderSize).toHex())}});
            m_buffer.clear();
            closeBySim();
            return;
        }
        const int total = Wire::kHeaderSize + int(body);
        if (m_buffer.size() < total)
            break;
        const QByteArray frame = m_buffer.left(total);
        m_buffer.remove(0, total);
        logFrame("recv", frame, false);
        handleFrame(frame);
        if (m_closedBySim)
            return;
    }
    if (!m_buffer.isEmpty())
        logFrame("recv", chunk, true);
}

void Session::onDisconnected()
{
    if (m_drip)
        m_drip->stop();
    logEvent("close", {{"by", m_closedBySim ? "sim" : "peer"},
                       {"peer_sent", double(m_received)},
                       {"sim_sent", double(m_sent)}});
    deleteLater();
}

bool Session::authRefused(int command)
{
    if (!m_gateway->faults().requireAuth || !m_gateway->hasPassword() || m_authenticated)
        return false;
    logEvent("auth_required", {{"cmd", command}});
    closeBySim();
    return true;
}

void Session::handleFrame(const QByteArray &frame)
{
    const Faults &f = m_gateway->faults();
    const int command = quint8(frame.at(3));
    const bool plainHeader = frame.at(0) == 0 && frame.at(1) == 0 && frame.at(2) == 0;
    if (f.tcpSilent || !plainHeader)
        return;
    switch (command) {
    case 7:
        handlePassword(frame);
        break;
    case 9:
    case 10:
        logEvent(command == 9 ? "locate" : "restart",
                 {{"signature_ok", frame.size() == 16 && frame.mid(8, 8) == "Talvenor"}});
        break;
    case 5:
        if (!authRefused(command))
            handleRead();
        break;
    case 13:
        if (!authRefused(command) && !f.keepaliveSilent)
            answer(command, m_gateway->keepAliveReply());
        break;
    case 6:
        if (authRefused(command))
            break;
        if (f.writeAnswerCode5) {
            answer(command, answer16(5, 8));
            break;
        }
        if (!f.writeNotStored)
            m_gateway->storeBlock(frame);
        if (!f.writeSilent)
            answer(command, answer16(6, 8));
        break;
    case 14:
        if (authRefused(command))
            break;
        m_gateway->storeKeepAlive(frame);
        answer(command, answer16(f.keepaliveWriteBad ? 0x0D : 0x0E, 8));
        break;
    default:
        break;
    }
}

void Session::handlePassword(const QByteArray &frame)
{
    const Faults &f = m_gateway->faults();
    if (f.pwSilent)
        return;
    const bool accepted = !f.pwReject && m_gateway->passwordMatches(frame);
    if (accepted)
        m_authenticated = true;
    QByteArray reply = answer16(7, accepted ? 8 : 9);
    if (f.pwShort)
        reply = reply.left(4);
    if (f.pwDelayMs <= 0)
        answer(7, reply);
    else
        QTimer::singleShot(f.pwDelayMs, Qt::PreciseTimer, this, [this, reply] { answer(7, reply); });
}

void Session::handleRead()
{
    const Faults &f = m_gateway->faults();
    if (f.readSilent)
        return;
    const QByteArray block = m_gateway->readAnswer();
    if (f.readTruncate >= 0) {
        send(block.left(f.readTruncate), f.readTruncate < block.size());
        return;
    }
    if (f.dropMidway) {
        send(block.left(block.size() / 2), true);
        closeBySim();
        return;
    }
    answer(5, block);
}

void Session::answer(int command, const QByteArray &bytes)
{
    const Faults &f = m_gateway->faults();
    const QByteArray whole = f.answerPrefix.value(command) + bytes + f.answerSuffix.value(command);
    if (f.dripCommands.contains(command))
        drip(whole);
    else
        send(whole);
}

void Session::send(const QByteArray &bytes, bool partial)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(bytes);
    m_sent += bytes.size();
    logFrame("send", bytes, partial);
}

void Session::drip(const QByteArray &bytes)
{
    // Answers queue behind one another, as they would on a slow line.
    m_dripRest.append(bytes);
    m_dripWhole += bytes.size();
    if (!m_drip) {
        m_drip = new QTimer(this);
        m_drip->setTimerType(Qt::PreciseTimer);
        connect(m_drip, &QTimer::timeout, this, &Session::dripStep);
    }
    if (m_drip->isActive())
        return;
    m_drip->start(m_gateway->faults().dripGapMs);
    // The first piece goes out at once, like a gateway that starts answering.
    dripStep();
}

void Session::dripStep()
{
    const QByteArray part = m_dripRest.left(m_gateway->faults().dripPiece);
    m_dripRest.remove(0, part.size());
    send(part, part.size() < m_dripWhole);
    if (m_dripRest.isEmpty()) {
        m_drip->stop();
        m_dripWhole = 0;
    }
}

void Session::closeBySim()
{
    m_closedBySim = true;
    m_socket->disconnectFromHost();
}

void Session::logFrame(const char *dir, const QByteArray &bytes, bool partial)
{
    if (!m_log->isOn())
        return;
    QJsonObject e{{"gw", m_gateway->ip()},
                  {"proto", "tcp"},
                  {"dir", dir},
                  {"peer", m_peer},
                  {"conn", m_number},
                  {"hex", QString::fromLatin1(bytes.toHex())}};
    if (partial)
        e.insert("partial", true);
    else if (bytes.size() >= 4)
        e.insert("cmd", quint8(bytes.at(3)));
    m_log->write(e);
}

void Session::logEvent(const QString &event, QJsonObject extra)
{
    if (!m_log->isOn())
        return;
    extra.insert("event", event);
    extra.insert("gw", m_gateway->ip());
    extra.insert("proto", "tcp");
    extra.insert("peer", m_peer);
    extra.insert("conn", m_number);
    m_log->write(extra);
}
