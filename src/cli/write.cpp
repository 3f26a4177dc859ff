// zuv-cfg write: a file, with overrides, written to a gateway after a preview
// of what changes, and proved by reading the gateway back.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/configfile.h"
#include "cli/differences.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"
#include "cli/passwords.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/settingoverride.h"

#include <QTcpSocket>

namespace {

// Why a configuration could not be built into a block.
QString buildFailure(int code)
{
    static const char *const fields[] = {"IP_Address", "Subnet_Mask", "Default_Gateway", "DNS1", "DNS2",
                                         "an ID mapping's Target_IP_address", "a master's The_Specified_IP_Address",
                                         "an IP range"};
    if (code <= BlockWriter::BadIpAddress && code >= BlockWriter::BadRangeAddress)
        return QStringLiteral("%1 holds 255.255.255.255, which cannot be written to a gateway")
            .arg(QLatin1String(fields[-code - 1]));
    return QStringLiteral("more list entries than a gateway's configuration block can carry");
}

bool applyOverrides(CConfigure &configure, const QStringList &overrides, QString &where, QString &error)
{
    for (const QString &item : overrides) {
        where = QStringLiteral("--set ") + item;
        const int equals = item.indexOf(QLatin1Char('='));
        error = equals < 0 ? QStringLiteral("expected SETTING=VALUE")
                           : SettingOverride::apply(configure, item.left(equals), item.mid(equals + 1));
        if (!error.isEmpty())
            return false;
    }
    return true;
}

} // namespace

namespace Commands {

int write(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("write"),
                     QStringLiteral("Loads FILE as the window's Open does, applies the --set overrides, reads the "
                                    "gateway and prints what the write changes (\"KEY: now -> written\"), writes "
                                    "it, reads the gateway back and prints \"verified\" or each setting that "
                                    "differs from what was sent."));
    line.gatewayPositional();
    line.positional(QStringLiteral("FILE"), QStringLiteral("An .inf file of the gateway's model."));
    line.option({QStringLiteral("set"),
                 QStringLiteral("Sets SETTING, an .inf key, to VALUE as the file writes it, under the editor's "
                                "rules: %1.")
                     .arg(SettingOverride::keys().join(QStringLiteral(", "))),
                 QStringLiteral("SETTING=VALUE")});
    line.option({QStringLiteral("dry-run"), QStringLiteral("Prints what the write would change, and writes nothing.")});
    line.option({QStringLiteral("restart"), QStringLiteral("Restarts the gateway after the write, which makes it take "
                                                           "up the new configuration.")});
    line.passwordOption();
    int status = ExitDone;
    if (!line.parse(arguments, 2, 2, status))
        return status;
    const QString ip = line.positionals().at(0);
    const QString path = line.positionals().at(1);

    // Everything given is checked before the gateway is asked anything.
    Passwords passwords;
    QString error;
    QString where;
    if (!passwords.load(line.value(QStringLiteral("password-file")), error))
        return Output::fail(QStringLiteral("zuv-cfg write"), error);
    ConfigFile file;
    if (!file.load(path, error))
        return Output::fail(path, error);
    if (!applyOverrides(*file.configure, line.values(QStringLiteral("set")), where, error))
        return Output::fail(where, error);

    GatewayAccess::Target target;
    if (!GatewayAccess::probe(ip, target.gateway, error))
        return Output::fail(ip, error);
    error = GatewayAccess::configurationRefusal(target.gateway);
    if (error.isEmpty() && target.gateway.m_model != file.model)
        error = InfFile::modelMismatchText();
    if (!error.isEmpty() || !GatewayAccess::givePassword(passwords, target, error))
        return Output::fail(ip, error);

    GatewayClient::Configuration now;
    Outcome done = GatewayAccess::read(target, now);
    if (!done)
        return Output::fail(ip, Output::failureText(done));
    const QString &model = target.gateway.m_model;
    const QString &firmware = target.gateway.m_firmware;
    const SettingList::Written written = SettingList::asWritten(*file.configure, file.commMode, firmware, model);
    if (written.code != BlockWriter::Built)
        return Output::fail(path, buildFailure(written.code));
    const QVector<SettingList::Difference> changes =
        SettingList::compare(SettingList::of(*now.configure, now.commMode, model), written.settings);
    Differences::print(changes, QStringLiteral("%1: %2 -> %3"));
    if (changes.isEmpty())
        Output::out() << ip << ": the gateway holds this configuration already" << Qt::endl;
    if (written.idMapsCut)
        Output::message(ip, BlockWriter::idMapsCutWarning());
    if (line.isSet(QStringLiteral("dry-run"))) {
        Output::message(ip, QStringLiteral("dry run: nothing written"));
        return ExitDone;
    }

    {
        QTcpSocket socket;
        GatewayClient client(socket);
        done = GatewayAccess::open(client, target, GatewayClient::Purpose::Write);
        if (done)
            done = client.writeConfiguration(*file.configure, file.commMode, firmware);
        client.close();
    }
    if (!done)
        return Output::fail(ip, Output::failureText(done));

    GatewayClient::Configuration back;
    done = GatewayAccess::read(target, back);
    if (!done)
        return Output::fail(ip, QStringLiteral("written, but not read back: ") + Output::failureText(done));
    const QVector<SettingList::Difference> unlike =
        SettingList::compare(written.settings, SettingList::of(*back.configure, back.commMode, model));
    if (!unlike.isEmpty()) {
        Differences::print(unlike, QStringLiteral("%1: sent %2, the gateway holds %3"));
        return Output::fail(ip, QStringLiteral("written, but the gateway does not hold what was sent"));
    }
    Output::out() << ip << ": verified" << Qt::endl;

    if (!line.isSet(QStringLiteral("restart"))) {
        Output::message(ip, QStringLiteral("the new configuration takes effect after the gateway restarts "
                                           "(zuv-cfg restart %1)").arg(ip));
        return ExitDone;
    }
    QTcpSocket socket;
    done = GatewayClient(socket).restart(target.gateway.m_ip);
    if (!done)
        return Output::fail(ip, QStringLiteral("verified, but not restarted: ") + Output::failureText(done));
    Output::out() << ip << ": restarted" << Qt::endl;
    return ExitDone;
}

} // namespace Commands
