// zuv-cfg read: a gateway's configuration as the window's Save writes it.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"
#include "cli/passwords.h"
#include "config/configure.h"
#include "config/inffile.h"

namespace Commands {

int read(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("read"),
                     QStringLiteral("Prints the gateway's configuration as .inf text, the same bytes the window's "
                                    "Save writes for it, or writes it to FILE once the whole read succeeded."));
    line.gatewayPositional();
    line.option({{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Writes the text to FILE."), QStringLiteral("FILE")});
    line.passwordOption();
    int status = ExitDone;
    if (!line.parse(arguments, 1, 1, status))
        return status;
    const QString ip = line.positionals().first();
    Passwords passwords;
    QString error;
    if (!passwords.load(line.value(QStringLiteral("password-file")), error))
        return Output::fail(QStringLiteral("zuv-cfg read"), error);

    GatewayAccess::Target target;
    GatewayClient::Configuration read;
    if (!GatewayAccess::fetch(ip, passwords, target, read, error))
        return Output::fail(ip, error);
    // The file names the model as discovery lists it, as the window's Save does.
    const QString text = InfFile::write(*read.configure, read.commMode, target.gateway.m_model);
    return Output::fileText(line.value(QStringLiteral("output")), text);
}

} // namespace Commands
