// Reading the selected gateway's configuration and opening the editor on it.
#include "app/mainwindow.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/configure.h"
#include "config/dialog_password.h"
#include "config/gatewayclient.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "config/waitcursor.h"
#include "discovery/deviceprobe.h"
#include "discovery/discoveryanswer.h"
#include "editor/config.h"
#include "editor/dialog_save.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_mainwindow.h"

#include <QTcpSocket>

#include <memory>

namespace {

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
        DeviceProbe::bind(m_refreshSocket);
    // The configuration is open in the editor by now: report, but keep the window.
    if (!DeviceProbe::ask(m_refreshSocket, g_appointIpAddr))
        Msg::warn(this, QStringLiteral("Failed to Write Data To %1:%2,Please confirm whether the IP address is correct.")
                            .arg(g_appointIpAddr)
                            .arg(Discovery::Port));
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

    std::unique_ptr<QTcpSocket> own;
    if (!IsTrue) {
        own = std::make_unique<QTcpSocket>();
        m_readSocket = own.get();
    }

    GatewayClient client(*m_readSocket);
    GatewayClient::Configuration read;
    Outcome outcome;
    bool connected = IsTrue;
    {
        WaitCursor busy;
        if (!connected) {
            outcome = client.connectTo(ip, GatewayClient::Purpose::Read);
            connected = outcome.ok;
        }
        if (connected)
            outcome = client.readConfiguration(Catalogue::codeForName(model), read);
        client.close();
    }
    m_readSocket = nullptr;

    Msg::warnFor(this, outcome);
    if (!connected)
        setBtStatus(ui->bt_CappointIP, true);
    if (!outcome)
        return false;

    installConfigure(read.configure.release());
    g_commMode = read.commMode;
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
