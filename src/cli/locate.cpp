// zuv-cfg locate: the gateway identifies itself, as the window's Locate asks it to.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"
#include "messages/messagetable.h"

#include <QTcpSocket>

namespace Commands {

int locate(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("locate"), QStringLiteral("Makes the gateway identify itself."));
    line.gatewayPositional();
    int status = ExitDone;
    if (!line.parse(arguments, 1, 1, status))
        return status;
    const QString ip = line.positionals().first();
    CEquipment gateway;
    QString error;
    if (!GatewayAccess::probe(ip, gateway, error))
        return Output::fail(ip, error);
    if (!GatewayAccess::allowsConfiguration(gateway))
        return Output::fail(ip, GetStr(4034));
    QTcpSocket socket;
    const Outcome done = GatewayClient(socket).locate(gateway.m_ip);
    if (!done)
        return Output::fail(ip, Output::failureText(done));
    Output::out() << ip << ": located" << Qt::endl;
    return ExitDone;
}

} // namespace Commands
