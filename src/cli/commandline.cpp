#include "cli/commandline.h"

#include "cli/output.h"
#include "discovery/devicesearch.h"

#include <QCoreApplication>

CommandLine::CommandLine(const QString &command, const QString &description)
    : m_command(command)
{
    m_parser.setApplicationDescription(description);
    // Qt's own help option would list Qt's options too, which no user of this tool needs.
    m_parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")});
}

void CommandLine::positional(const QString &name, const QString &description)
{
    m_parser.addPositionalArgument(name, description);
}

void CommandLine::gatewayPositional()
{
    positional(QStringLiteral("IP"), QStringLiteral("The gateway's IP address."));
}

void CommandLine::rangeOption()
{
    option({QStringLiteral("range"),
            QStringLiteral("Asks every address of R directly instead of the broadcast, also behind routers: a CIDR "
                           "block (10.1.2.0/24) or from-to (10.1.2.10-10.1.2.60); at most %1 addresses in all.")
                .arg(DeviceSearch::MaxRangeTargets),
            QStringLiteral("R")});
}

void CommandLine::passwordOption()
{
    option({QStringLiteral("password-file"),
            QStringLiteral("Takes the password from FILE: one password, or lines of \"IP-or-MAC password\". "
                           "Without it, the environment variable ZUV_PASSWORD, or a prompt at a terminal."),
            QStringLiteral("FILE")});
}

bool CommandLine::parse(const QStringList &arguments, int minPositional, int maxPositional, int &exitStatus)
{
    const QString name = QStringLiteral("zuv-cfg ") + m_command;
    if (!m_parser.parse(arguments)) {
        exitStatus = Output::fail(name, m_parser.errorText() + QStringLiteral(" (see zuv-cfg %1 --help)").arg(m_command));
        return false;
    }
    if (m_parser.isSet(QStringLiteral("help"))) {
        // The usage line names the program by its path; the command belongs there too.
        QString help = m_parser.helpText();
        const QString program = QCoreApplication::arguments().value(0);
        if (const int at = help.indexOf(program); at >= 0)
            help.replace(at, program.size(), name);
        Output::out() << help << Qt::flush;
        exitStatus = ExitDone;
        return false;
    }
    const int given = m_parser.positionalArguments().size();
    if (given < minPositional || given > maxPositional) {
        const QString what = given < minPositional ? QStringLiteral("missing argument") : QStringLiteral("too many arguments");
        exitStatus = Output::fail(name, what + QStringLiteral(" (see zuv-cfg %1 --help)").arg(m_command));
        return false;
    }
    return true;
}
