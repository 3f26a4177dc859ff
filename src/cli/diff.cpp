// zuv-cfg diff: two configurations compared setting by setting.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/configfile.h"
#include "cli/differences.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"
#include "cli/passwords.h"
#include "config/configure.h"
#include "discovery/addressrange.h"

namespace {

// The settings of a gateway, when `source` is an IP address, else of the file it names.
bool settingsOf(const QString &source, Passwords &passwords, SettingList::List &settings, QString &error)
{
    if (!AddressRange::parseAddress(source).isNull()) {
        GatewayAccess::Target target;
        GatewayClient::Configuration read;
        if (!GatewayAccess::fetch(source, passwords, target, read, error))
            return false;
        settings = SettingList::of(*read.configure, read.commMode, target.gateway.m_model);
        return true;
    }
    ConfigFile file;
    if (!file.load(source, error))
        return false;
    settings = SettingList::of(*file.configure, file.commMode, file.model);
    return true;
}

} // namespace

namespace Commands {

int diff(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("diff"),
                     QStringLiteral("Compares two configurations, each an .inf file or a gateway's IP address, and "
                                    "prints each setting that differs, by its .inf key, with both values: "
                                    "\"KEY: A -> B\".\nExit status 0 when they are equal, 1 when they differ, "
                                    "2 on an error."));
    line.positional(QStringLiteral("A"), QStringLiteral("An .inf file or a gateway's IP address."));
    line.positional(QStringLiteral("B"), QStringLiteral("An .inf file or a gateway's IP address."));
    line.passwordOption();
    int status = ExitDone;
    if (!line.parse(arguments, 2, 2, status))
        return status;
    Passwords passwords;
    QString error;
    if (!passwords.load(line.value(QStringLiteral("password-file")), error))
        return Output::fail(QStringLiteral("zuv-cfg diff"), error);
    SettingList::List settings[2];
    for (int i = 0; i < 2; ++i) {
        const QString source = line.positionals().at(i);
        if (!settingsOf(source, passwords, settings[i], error))
            return Output::fail(source, error);
    }
    const QVector<SettingList::Difference> differences = SettingList::compare(settings[0], settings[1]);
    Differences::print(differences, QStringLiteral("%1: %2 -> %3"));
    return differences.isEmpty() ? ExitDone : ExitNone;
}

} // namespace Commands
