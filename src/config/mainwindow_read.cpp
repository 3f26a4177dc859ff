// Reading the selected gateway's configuration and opening the editor on it.
#include "app/mainwindow.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/commandchannel.h"
#include "config/configure.h"
#include "config/dialog_password.h"
#include "config/frames.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "config/waitcursor.h"
#include "editor/config.h"
#include "editor/dialog_save.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_mainwindow.h"

#include <QTcpSocket>

#include <memory>

namespace {

// A gateway may hand its block over in pieces; this many read calls are made
// before the tool goes on with what has arrived.
constexpr int MaxReadCalls = 8;

// How a step of the read ended: a failure shows messageId, or nothing when it is 0.
struct Outcome {
    bool ok = true;
    unsigned int messageId = 0;
};

Outcome failed(unsigned int messageId = 0)
{
    return Outcome{false, messageId};
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
                return failed(); // the gateway went quiet
            // The gateway closed the connection; what it sent before may still be waiting.
            if (socket.bytesAvailable() == 0) {
                lastReadFailed = true;
                break;
            }
        }
    }
    if (!Block::startsWithCode(block, Block::ReadCode))
        return failed(4020);
    if (lastReadFailed)
        return failed(4021);
    return {};
}

// Commands 5 and 13 on a connected socket, parsed into `fresh`; nothing else
// is touched, so a failure leaves the current configuration as it was.
Outcome readConfiguration(QTcpSocket &socket, CConfigure &fresh, int32_t &commMode)
{
    if (!CommandChannel::send(socket, Frames::readConfigRequest()))
        return failed();
    QByteArray block;
    const Outcome received = receiveBlock(socket, Catalogue::layout(fresh.m_modelCode), block);
    if (!received.ok)
        return received;
    if (!CommandChannel::send(socket, Frames::readKeepAliveRequest()) || !CommandChannel::waitForAnswer(socket))
        return failed();
    const QByteArray reply = CommandChannel::readAnswer(socket, Block::KeepAliveSize);
    // A reply cut short would read as keep-alive off with time 0, which a
    // later write would store in the gateway.
    if (reply.size() < Block::KeepAliveSize || !Block::startsWithCode(reply, Block::KeepAliveReadCode))
        return failed(4022);

    const BlockReader::Result parsed = BlockReader::read(block, fresh);
    // A block cut short would fill the editor with made-up values that a
    // later write would store in the gateway.
    if (parsed.truncated)
        return failed(4020);
    BlockReader::readKeepAlive(reply, fresh.m_advance, fresh.m_modelCode);
    commMode = parsed.commMode;
    return {};
}

// Parses a received block of Block::MaxSize bytes into the current configuration.
BlockReader::Result parseIntoCurrent(const unsigned char *block, bool fixed)
{
    if (!pConfigure || !block)
        return {};
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(block), Block::MaxSize);
    const BlockReader::Result parsed = fixed ? BlockReader::readFixed(bytes, *pConfigure)
                                             : BlockReader::readPacked(bytes, *pConfigure);
    if (parsed.length >= 0)
        g_commMode = parsed.commMode;
    return parsed;
}

} // namespace

void MainWindow::OnConfigure()
{
    const CEquipment *entry = selectedEquipment();
    if (!entry || entry->m_model == GetStr(8000))
        return;
    // The password dialog runs an event loop, in which the list may change.
    const QString model = entry->m_model;
    const QString firmware = entry->m_firmware;
    if (!MyRecvBuf())
        return;
    IDS = GetStr(4190);
    software = firmware;
    Mode = model;
    OnProperties(model, firmware);

    // Ask the gateway to report itself again, so that its list entry is fresh.
    if (m_refreshSocket.state() != QAbstractSocket::BoundState)
        m_refreshSocket.bind(QHostAddress::AnyIPv4, 10002, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    const QByteArray request = Frames::discoveryRequest();
    const QHostAddress gateway(g_appointIpAddr);
    const qint64 sent = gateway.isNull() ? -1 : m_refreshSocket.writeDatagram(request, gateway, Frames::Port);
    // The configuration is open in the editor by now: report, but keep the window.
    if (sent < request.size())
        Msg::warn(this, QStringLiteral("Failed to Write Data To %1:%2,Please confirm whether the IP address is correct.")
                            .arg(g_appointIpAddr)
                            .arg(Frames::Port));
}

bool MainWindow::MyRecvBuf()
{
    const CEquipment *entry = selectedEquipment();
    if (!entry)
        return false;
    const QString ip = entry->m_ip;
    const QString model = entry->m_model;
    const QString status = entry->m_status;

    if (entry->m_password == GetStr(4010)) {
        if (askPassword(this, OnRejection::CloseServer) != PasswordResult::Accepted)
            return false;
        IsTrue = true;
        m_readSocket = &g_Server();
    } else {
        IsTrue = false;
    }

    if (status == GetStr(4013)) {
        if (IsTrue)
            g_Server().close();
        m_readSocket = nullptr;
        Msg::warn(this, GetStr(4017));
        return false;
    }

    auto fresh = std::make_unique<CConfigure>();
    fresh->m_modelCode = Catalogue::codeForName(model);
    std::unique_ptr<QTcpSocket> own;
    if (!IsTrue) {
        own = std::make_unique<QTcpSocket>();
        m_readSocket = own.get();
    }

    Outcome outcome;
    int32_t commMode = 0;
    bool connected = true;
    {
        WaitCursor busy;
        connected = IsTrue || CommandChannel::connectTo(*m_readSocket, ip);
        if (connected)
            outcome = readConfiguration(*m_readSocket, *fresh, commMode);
        m_readSocket->close();
    }
    m_readSocket = nullptr;

    if (!connected) {
        Msg::warn(this, GetStr(4018));
        setBtStatus(ui->bt_CappointIP, true);
        return false;
    }
    if (!outcome.ok) {
        if (outcome.messageId != 0)
            Msg::warn(this, GetStr(outcome.messageId));
        return false;
    }

    installConfigure(fresh.release());
    g_commMode = commMode;
    setBtStatus(ui->bt_Save, true);
    return true;
}

int MainWindow::RecvPack(unsigned char *block)
{
    return parseIntoCurrent(block, true).length;
}

int MainWindow::RecvPack1(unsigned char *block)
{
    return parseIntoCurrent(block, false).length;
}

void MainWindow::OnProperties(QString, QString)
{
    auto *editor = new Config(nullptr);
    // Saving from the editor keeps what the user edited: the gateway is not
    // read again, and the file names the configuration's own model.
    const auto saveAsItStands = [this] { saveConfiguration(Mode); };
    connect(editor->saveDialog(), &Dialog_Save::signal_download, this, saveAsItStands);
    connect(editor, &Config::signal_save, this, saveAsItStands);
    editor->show();
}

void MainWindow::Show_Configui()
{
    setBtStatus(ui->bt_Save, true);
    OnProperties(Mode, QStringLiteral("1.1"));
}
