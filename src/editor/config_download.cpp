// Writing the configuration to the gateway.
#include "editor/config.h"

#include "config/blockformat.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/dialog_password.h"
#include "config/gatewayclient.h"
#include "config/globals.h"
#include "config/ipv4text.h"
#include "config/modelcatalogue.h"
#include "config/waitcursor.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"

#include <cstring>

namespace {

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

    GatewayClient client(m_socket);
    Outcome done;
    {
        WaitCursor busy;
        done = client.connectTo(g_appointIpAddr, GatewayClient::Purpose::Write);
        if (done && keptPassword) {
            g_recvbuf.fill(0);
            done = client.authenticate(Password, GatewayClient::PasswordSource::Kept);
        }
    }
    if (!done) {
        client.close();
        Msg::warnFor(this, done);
        return;
    }

    const bool fixed = Catalogue::layout(pConfigure->m_modelCode) == BlockLayout::Fixed;
    if (!fixed && BlockWriter::cutsIdMaps(*pConfigure, software))
        Msg::warn(this, BlockWriter::idMapsCutWarning());
    {
        WaitCursor busy;
        done = client.writeConfiguration(*pConfigure, g_commMode, software);
    }
    if (!done) {
        client.close();
        Msg::warnFor(this, done);
        return;
    }

    if (Msg::ask(this, GetStr(15001), GetStr(15005), QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
        client.sendRestart();
    client.close();
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
