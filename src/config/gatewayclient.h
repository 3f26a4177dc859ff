#pragma once

#include "messages/outcome.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

class QTcpSocket;
struct CConfigure;

// The exchanges with one gateway over its TCP command channel, as plain
// blocking calls whose every wait is bounded. Each step returns an Outcome with
// the message the user is shown for its failure; the client itself shows
// nothing and touches no process-wide state. The socket is the caller's: the
// windows pass the one the exchange has always used, the command-line tool its own.
//
//     GatewayClient client(socket);
//     Outcome done = client.connectTo(ip, GatewayClient::Purpose::Read);
//     if (done && hasPassword)
//         done = client.authenticate(password, GatewayClient::PasswordSource::Typed);
//     GatewayClient::Configuration read;
//     if (done)
//         done = client.readConfiguration(modelCode, read);
//     client.close();
class GatewayClient
{
public:
    // What a connection is made for; each names its failure in its own message.
    enum class Purpose { Password, Read, Write, Locate, Restart };

    // Typed: the user gave the password for this exchange. Kept: it is the one
    // the configuration was read with, sent again without asking.
    enum class PasswordSource { Typed, Kept };

    // A configuration read from a gateway, not yet current anywhere.
    struct Configuration {
        std::unique_ptr<CConfigure> configure;
        int32_t commMode = 0;
    };

    explicit GatewayClient(QTcpSocket &socket);

    // Closes the socket if open and connects it to ip:18801.
    Outcome connectTo(const QString &ip, Purpose purpose);

    // Sends the password frame on the open connection and reads at most 16
    // bytes of answer into `reply`; fails when either did not happen. The
    // answer is not judged here (see judgePassword).
    Outcome sendPassword(const QString &password, PasswordSource source, QByteArray &reply);

    // Whether the gateway accepted the password: its answer starts 00 00 00 07 00 00 00 08.
    static Outcome judgePassword(const QByteArray &reply, PasswordSource source);

    // sendPassword and judgePassword; the connection stays open for what follows.
    Outcome authenticate(const QString &password, PasswordSource source);

    // Commands 5 and 13 on the open connection, parsed into a fresh configuration
    // of `modelCode`; `out` is only filled when the whole read succeeded.
    Outcome readConfiguration(int modelCode, Configuration &out);

    // Commands 6 and 14 on the open connection, the block built from
    // `configure` as every write builds it (which may change it the way a write
    // does). `firmware` is the gateway's version text.
    Outcome writeConfiguration(CConfigure &configure, int32_t commMode, const QString &firmware);

    // The restart frame on the open connection, not waited for: the gateway
    // restarts without answering.
    void sendRestart();

    void close();

    // Whole exchanges of their own: connect, send the frame, close without reading.
    Outcome locate(const QString &ip);
    Outcome restart(const QString &ip);

private:
    Outcome sendAndClose(const QString &ip, Purpose purpose, const QByteArray &frame);

    QTcpSocket &m_socket;
};
