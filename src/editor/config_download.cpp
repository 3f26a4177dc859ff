// Writing the configuration to the gateway.
#include "editor/config.h"

#include "config/blockformat.h"
#include "config/blockwriter.h"
#include "config/commandchannel.h"
#include "config/configure.h"
#include "config/dialog_password.h"
#include "config/frames.h"
#include "config/globals.h"
#include "config/ipv4text.h"
#include "config/modelcatalogue.h"
#include "config/waitcursor.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Connects for the write; with `resendPassword` the password kept from the
// read goes first on the same connection. Returns the message of a failure, or 0.
unsigned int openConnection(QTcpSocket &socket, bool resendPassword)
{
    if (!CommandChannel::connectTo(socket, g_appointIpAddr))
        return 7001;
    if (!resendPassword)
        return 0;
    if (!CommandChannel::send(socket, Frames::passwordFrame(Password), CommandChannel::PasswordWriteTimeoutMs))
        return 7001;
    g_recvbuf.fill(0);
    bool readFailed = false;
    const QByteArray reply = CommandChannel::readAnswer(socket, Frames::ReplySize, CommandChannel::AnswerTimeoutMs,
                                                        &readFailed);
    if (readFailed)
        return 7002;
    std::copy(reply.begin(), reply.end(), g_recvbuf.begin());
    const bool accepted = Frames::passwordAccepted(g_recvbuf);
    g_recvbuf.fill(0);
    return accepted ? 0 : 4314;
}

// Sends the block and the keep-alive settings, checking each answer.
// Returns the message of a failure, or 0.
unsigned int transfer(QTcpSocket &socket, const QByteArray &block, const CAdvance &advance)
{
    if (block.isEmpty() || !CommandChannel::send(socket, block))
        return 5045;
    if (!CommandChannel::waitForAnswer(socket))
        return 5046;
    if (!Block::startsWithCode(CommandChannel::readAnswer(socket, Frames::ReplySize), Block::WriteCode))
        return 5047;
    if (!CommandChannel::send(socket, BlockWriter::keepAliveFrame(advance)))
        return 5048;
    if (!CommandChannel::waitForAnswer(socket))
        return 5046;
    if (!Block::startsWithCode(CommandChannel::readAnswer(socket, Frames::ReplySize), Block::KeepAliveWriteCode))
        return 5050;
    return 0;
}

// Copies a built block into the caller's buffer, which holds Block::MaxSize bytes.
int copyOut(const BlockWriter::Result &built, char *buffer)
{
    if (built.code != BlockWriter::Built)
        return built.code;
    if (!buffer || built.block.size() > Block::MaxSize)
        return BlockWriter::TooLong;
    std::memcpy(buffer, built.block.constData(), size_t(built.block.size()));
    return built.block.size();
}

} // namespace

void Config::Download()
{
    IsSave = false;
    if (!pConfigure)
        return;

    const bool keptPassword = IsTrue && IDS == GetStr(4190);
    if (IsTrue && !keptPassword) {
        if (askPassword(this) != PasswordResult::Accepted)
            return;
        if (g_Server().isOpen())
            g_Server().close();
    }

    unsigned int failure = 0;
    {
        WaitCursor busy;
        failure = openConnection(m_socket, keptPassword);
    }
    if (failure != 0) {
        m_socket.close();
        Msg::warn(this, GetStr(failure));
        return;
    }

    const bool fixed = Catalogue::layout(pConfigure->m_modelCode) == BlockLayout::Fixed;
    if (!fixed && BlockWriter::cutsIdMaps(*pConfigure, software))
        Msg::warn(this, QStringLiteral("HW-P04 V2.0版本以下只可下载4条ID映射指令,多余的ID映射指令将不会下载到网关中"));
    std::array<char, Block::MaxSize> buffer{};
    const int built = fixed ? SendPark(buffer.data()) : SendPark1(buffer.data());
    QByteArray block;
    if (built >= 0)
        block = QByteArray(buffer.data(), fixed ? built : built + 1);
    {
        WaitCursor busy;
        failure = transfer(m_socket, block, pConfigure->m_advance);
    }
    if (failure != 0) {
        m_socket.close();
        Msg::warn(this, GetStr(failure));
        return;
    }

    if (Msg::ask(this, GetStr(15001), GetStr(15005), QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok) {
        // The gateway restarts without answering; hand the frame to the system before closing.
        m_socket.write(Frames::restartFrame());
        m_socket.flush();
    }
    m_socket.close();
    close();
}

int Config::SendPark(char *buffer)
{
    if (!pConfigure)
        return BlockWriter::BadIpAddress;
    return copyOut(BlockWriter::buildFixed(*pConfigure, g_commMode), buffer);
}

int Config::SendPark1(char *buffer)
{
    if (!pConfigure)
        return BlockWriter::BadIpAddress;
    const int length = copyOut(BlockWriter::buildPacked(*pConfigure, g_commMode, software), buffer);
    return length < 0 ? length : length - 1;
}

int32_t Config::IPV4StringToInteger(const QString &text)
{
    return Ipv4::toIntegerLowFirst(text);
}
