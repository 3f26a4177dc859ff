#include "config/gatewayclient.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/commandchannel.h"
#include "config/configure.h"
#include "config/frames.h"
#include "config/modelcatalogue.h"

#include <QTcpSocket>

namespace {

// A gateway may hand its block over in pieces; this many read calls are made
// before the tool goes on with what has arrived.
constexpr int MaxReadCalls = 8;

unsigned int connectFailureMessage(GatewayClient::Purpose purpose)
{
    switch (purpose) {
    case GatewayClient::Purpose::Password:
        return 7002;
    case GatewayClient::Purpose::Read:
        return 4018;
    case GatewayClient::Purpose::Write:
        return 7001;
    case GatewayClient::Purpose::Locate:
        return 4036;
    case GatewayClient::Purpose::Restart:
        return 4032;
    }
    return 0;
}

bool blockComplete(const QByteArray &block, BlockLayout layout)
{
    if (layout == BlockLayout::Fixed)
        return block.size() >= Block::FixedSize;
    if (block.size() < Block::HeaderSize)
        return false;
    // Only the low 16 bits of the length field count here.
    const int announced = (uint8_t(block.at(6)) << 8) | uint8_t(block.at(7));
    return block.size() > announced + 7;
}

// The answer to command 5: at most Block::MaxSize bytes, in at most
// MaxReadCalls read calls.
Outcome receiveBlock(QTcpSocket &socket, BlockLayout layout, QByteArray &block)
{
    block.clear();
    bool lastReadFailed = false;
    char chunk[Block::MaxSize];
    for (int call = 1; call <= MaxReadCalls; ++call) {
        const qint64 n = socket.isOpen() ? socket.read(chunk, Block::MaxSize - block.size()) : -1;
        lastReadFailed = n < 0;
        if (n > 0)
            block.append(chunk, int(n));
        if (call == MaxReadCalls || blockComplete(block, layout) || block.size() >= Block::MaxSize)
            break;
        if (!socket.waitForReadyRead(CommandChannel::AnswerTimeoutMs)) {
            if (socket.state() == QAbstractSocket::ConnectedState)
                return Outcome::failure(); // the gateway went quiet
            // The gateway closed the connection; what it sent before may still be waiting.
            if (socket.bytesAvailable() == 0) {
                lastReadFailed = true;
                break;
            }
        }
    }
    if (!Block::startsWithCode(block, Block::ReadCode))
        return Outcome::failure(4020);
    if (lastReadFailed)
        return Outcome::failure(4021);
    return {};
}

} // namespace

GatewayClient::GatewayClient(QTcpSocket &socket)
    : m_socket(socket)
{
}

Outcome GatewayClient::connectTo(const QString &ip, Purpose purpose)
{
    if (CommandChannel::connectTo(m_socket, ip))
        return {};
    return Outcome::failure(connectFailureMessage(purpose));
}

Outcome GatewayClient::sendPassword(const QString &password, PasswordSource source, QByteArray &reply)
{
    reply.clear();
    const bool kept = source == PasswordSource::Kept;
    // The kept password goes out without the user waiting on a dialog, and is allowed longer.
    if (!CommandChannel::send(m_socket, Frames::passwordFrame(password),
                              kept ? CommandChannel::PasswordWriteTimeoutMs : CommandChannel::WriteTimeoutMs))
        return Outcome::failure(kept ? 7001 : 7002);
    bool readFailed = false;
    reply = CommandChannel::readAnswer(m_socket, Frames::ReplySize, CommandChannel::AnswerTimeoutMs, &readFailed);
    if (readFailed)
        return Outcome::failure(7002);
    return {};
}

Outcome GatewayClient::judgePassword(const QByteArray &reply, PasswordSource source)
{
    if (Frames::passwordAccepted(reply))
        return {};
    return Outcome::failure(source == PasswordSource::Kept ? 4314 : 4014);
}

Outcome GatewayClient::authenticate(const QString &password, PasswordSource source)
{
    QByteArray reply;
    const Outcome sent = sendPassword(password, source, reply);
    return sent ? judgePassword(reply, source) : sent;
}

Outcome GatewayClient::readConfiguration(int modelCode, Configuration &out)
{
    if (!CommandChannel::send(m_socket, Frames::readConfigRequest()))
        return Outcome::failure();
    QByteArray block;
    const Outcome received = receiveBlock(m_socket, Catalogue::layout(modelCode), block);
    if (!received)
        return received;
    if (!CommandChannel::send(m_socket, Frames::readKeepAliveRequest()) || !CommandChannel::waitForAnswer(m_socket))
        return Outcome::failure();
    const QByteArray reply = CommandChannel::readAnswer(m_socket, Block::KeepAliveSize);
    // A reply cut short would read as keep-alive off with time 0, which a
    // later write would store in the gateway.
    if (reply.size() < Block::KeepAliveSize || !Block::startsWithCode(reply, Block::KeepAliveReadCode))
        return Outcome::failure(4022);

    auto fresh = std::make_unique<CConfigure>();
    fresh->m_modelCode = modelCode;
    const BlockReader::Result parsed = BlockReader::read(block, *fresh);
    // A block cut short would fill the editor with made-up values that a
    // later write would store in the gateway.
    if (parsed.truncated)
        return Outcome::failure(4020);
    BlockReader::readKeepAlive(reply, fresh->m_advance, modelCode);
    out.configure = std::move(fresh);
    out.commMode = parsed.commMode;
    return {};
}

Outcome GatewayClient::writeConfiguration(CConfigure &configure, int32_t commMode, const QString &firmware)
{
    const BlockWriter::Result built = BlockWriter::build(configure, commMode, firmware);
    // A block that could not be built is not sent at all.
    if (built.code != BlockWriter::Built || !CommandChannel::send(m_socket, built.block))
        return Outcome::failure(5045);
    if (!CommandChannel::waitForAnswer(m_socket))
        return Outcome::failure(5046);
    if (!Block::startsWithCode(CommandChannel::readAnswer(m_socket, Frames::ReplySize), Block::WriteCode))
        return Outcome::failure(5047);
    if (!CommandChannel::send(m_socket, BlockWriter::keepAliveFrame(configure.m_advance)))
        return Outcome::failure(5048);
    if (!CommandChannel::waitForAnswer(m_socket))
        return Outcome::failure(5046);
    if (!Block::startsWithCode(CommandChannel::readAnswer(m_socket, Frames::ReplySize), Block::KeepAliveWriteCode))
        return Outcome::failure(5050);
    return {};
}

void GatewayClient::sendRestart()
{
    // Handed to the system before the caller closes the connection.
    m_socket.write(Frames::restartFrame());
    m_socket.flush();
}

void GatewayClient::close()
{
    m_socket.close();
}

Outcome GatewayClient::locate(const QString &ip)
{
    return sendAndClose(ip, Purpose::Locate, Frames::locateFrame());
}

Outcome GatewayClient::restart(const QString &ip)
{
    return sendAndClose(ip, Purpose::Restart, Frames::restartFrame());
}

Outcome GatewayClient::sendAndClose(const QString &ip, Purpose purpose, const QByteArray &frame)
{
    if (!CommandChannel::sendAndClose(m_socket, ip, frame))
        return Outcome::failure(connectFailureMessage(purpose));
    return {};
}
