#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop through a pipe, so shutdown runs as
// ordinary code and the log is closed properly.
bool installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("gwsim");

    QCommandLineParser parser;
    parser.setApplicationDescription("Simulated gateways (discovery and command channel on port 18801).");
    parser.addHelpOption();
    const QCommandLineOption configOpt("config", "Gateway list (JSON).", "FILE");
    const QCommandLineOption logOpt("log", "Log of every datagram and frame (JSON lines).", "FILE");
    const QCommandLineOption stateOpt("state-dir", "Where written blocks are kept.", "DIR");
    const QCommandLineOption parentOpt("die-with-parent", "End when the parent process ends.");
    parser.addOptions({configOpt, logOpt, stateOpt, parentOpt});
    parser.process(app);

    if (!parser.isSet(configOpt)) {
        std::fprintf(stderr, "error: --config FILE is required\n");
        return 2;
    }
    if (parser.isSet(parentOpt)) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() == 1)
            return 0;
    }
    if (!installSignalHandlers()) {
        std::fprintf(stderr, "error: cannot install signal handlers\n");
        return 2;
    }
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    Simulator sim;
    QString error;
    if (!sim.start(parser.value(configOpt), parser.value(logOpt), parser.value(stateOpt), &error)) {
        std::fprintf(stderr, "error: %s\n", qPrintable(error));
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const int rc = app.exec();
    sim.logEvent("exit");
    return rc;
}
