// zuv-cfg restart: the window's Remote Reset.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"
#include "messages/messagetable.h"

#include <QTcpSocket>

#include <cstdio>

#include <unistd.h>

namespace {

// The window's question, at the terminal; anything but yes declines.
bool confirmed(const QString &ip)
{
    std::fprintf(stderr, "%s: %s [y/N] ", qPrintable(ip), qPrintable(GetStr(15002)));
    std::fflush(stderr);
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    const QString text = QString::fromLocal8Bit(answer).trimmed().toLower();
    return text == QLatin1String("y") || text == QLatin1String("yes");
}

} // namespace

namespace Commands {

int restart(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("restart"),
                     QStringLiteral("Restarts the gateway, which then takes up the configuration last written to it. "
                                    "Asks first at a terminal; elsewhere --yes is needed."));
    line.gatewayPositional();
    line.option({QStringLiteral("yes"), QStringLiteral("Restarts without asking.")});
    int status = ExitDone;
    if (!line.parse(arguments, 1, 1, status))
        return status;
    const QString ip = line.positionals().first();
    const bool yes = line.isSet(QStringLiteral("yes"));
    if (!yes && !::isatty(STDIN_FILENO))
        return Output::fail(ip, QStringLiteral("not restarted: give --yes where nobody can be asked"));
    CEquipment gateway;
    QString error;
    if (!GatewayAccess::probe(ip, gateway, error))
        return Output::fail(ip, error);
    if (!GatewayAccess::allowsConfiguration(gateway))
        return Output::fail(ip, GetStr(4030));
    if (!yes && !confirmed(ip)) {
        Output::message(ip, QStringLiteral("not restarted"));
        return ExitNone;
    }
    QTcpSocket socket;
    const Outcome done = GatewayClient(socket).restart(gateway.m_ip);
    if (!done)
        return Output::fail(ip, Output::failureText(done));
    Output::out() << ip << ": restarted" << Qt::endl;
    return ExitDone;
}

} // namespace Commands
