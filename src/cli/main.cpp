// zuv-cfg: the gateway configuration tool for the command line and for scripts.
#include "cli/commands.h"
#include "cli/output.h"

#include <QCoreApplication>

namespace {

struct Command {
    const char *name;
    const char *synopsis;
    int (*run)(const QStringList &);
};

const Command kCommands[] = {
    {"search", "search [--range R]... [--json|--csv]       list the gateways that answer", Commands::search},
    {"read", "read IP [-o FILE]                          a gateway's configuration as .inf text", Commands::read},
    {"write", "write IP FILE [--set KEY=VALUE]... [--dry-run] [--restart]\n"
              "                                           write a file to a gateway and verify it",
     Commands::write},
    {"diff", "diff A B                                   compare two configurations (files or gateways)", Commands::diff},
    {"backup", "backup DIR [--range R]...                  save every gateway found as DIR/<MAC>.inf", Commands::backup},
    {"new", "new MODEL [-o FILE]                        a new configuration of a model", Commands::makeNew},
    {"locate", "locate IP                                  make a gateway identify itself", Commands::locate},
    {"restart", "restart IP [--yes]                         restart a gateway", Commands::restart},
    {"modbus", "modbus HOST[:PORT] --unit N --function FC --address A --count Q [--data HEX]\n"
               "       [--poll SECONDS --times N]          send Modbus TCP requests and judge the replies",
     Commands::modbus},
};

QString commandNames()
{
    QStringList names;
    for (const Command &c : kCommands)
        names << QLatin1String(c.name);
    return names.join(QStringLiteral(", "));
}

void printHelp()
{
    QTextStream &out = Output::out();
    out << "Usage: zuv-cfg COMMAND [options] [arguments]\n"
           "       zuv-cfg COMMAND --help\n\n"
           "Finds, reads, compares, writes and backs up ZUV Ethernet-to-serial gateways, and sends\n"
           "Modbus TCP requests. Results go to standard output, messages to standard error.\n\n"
           "Commands:\n";
    for (const Command &c : kCommands)
        out << "  " << c.synopsis << '\n';
    out << "\nPasswords come from --password-file FILE, the environment variable ZUV_PASSWORD, or a\n"
           "prompt at a terminal; never from the command line.\n"
           "Exit status: 0 done, 1 nothing found or a difference, 2 an error.\n\n"
           "Options:\n"
           "  -h, --help     this help\n"
           "  -v, --version  the version\n"
        << Qt::flush;
}

} // namespace

int main(int argc, char *argv[])
{
    // Every thread that reads a gateway gets an event dispatcher of its own;
    // Qt's plain one costs less to make than the GLib one, and nothing here
    // shares a GLib main loop.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuv-cfg"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUV_VERSION));

    const QStringList arguments = QCoreApplication::arguments();
    const QString first = arguments.value(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        printHelp();
        return ExitDone;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        Output::out() << "zuv-cfg " << ZUV_VERSION << Qt::endl;
        return ExitDone;
    }
    if (first.isEmpty())
        return Output::fail(QStringLiteral("zuv-cfg"), QStringLiteral("no command given; the commands are %1 (see zuv-cfg --help)").arg(commandNames()));
    if (first.startsWith(QLatin1Char('-')))
        return Output::fail(QStringLiteral("zuv-cfg"), QStringLiteral("unknown option \"%1\" (see zuv-cfg --help)").arg(first));
    for (const Command &c : kCommands) {
        if (first == QLatin1String(c.name))
            return c.run(arguments.mid(1));
    }
    return Output::fail(QStringLiteral("zuv-cfg"),
                        QStringLiteral("unknown command \"%1\"; the commands are %2").arg(first, commandNames()));
}
