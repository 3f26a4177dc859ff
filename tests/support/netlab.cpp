#include "support/netlab.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("zuvlab");
constexpr int kCommandMs = 5000;

QString ipProgram()
{
    const QString path = QStandardPaths::findExecutable("ip");
    return !path.isEmpty() ? path : QStandardPaths::findExecutable("ip", {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

// Runs `ip args...`, bounded; the output, or on failure what went wrong with it, in `output`.
bool runIp(const QStringList &args, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(ipProgram(), args);
    const bool finished = p.waitForFinished(kCommandMs);
    if (!finished)
        p.kill(), p.waitForFinished(1000);
    *output = finished ? QString::fromLocal8Bit(p.readAll()).trimmed() : QString("no result within %1 ms").arg(kCommandMs);
    if (finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    *output = QString("ip %1: %2").arg(args.join(' '), *output);
    return false;
}

ino_t inodeOf(const char *path)
{
    struct stat st = {};
    return ::stat(path, &st) == 0 ? st.st_ino : 0;
}

} // namespace

QString NetLab::unavailableReason()
{
    static QString reason = [] {
        if (::geteuid() != 0)
            return QString("needs root to create network namespaces");
        if (ipProgram().isEmpty())
            return QString("needs the ip command (iproute2) to create network namespaces");
        const QString probe = QString("%1%2-probe").arg(kPrefix).arg(::getpid());
        QString out;
        if (!runIp({"netns", "add", probe}, &out))
            return QString("cannot create network namespaces here: %1").arg(out);
        runIp({"netns", "del", probe}, &out);
        return QString();
    }();
    return reason;
}

bool NetLab::up(const Topology &topology)
{
    down();
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return false;
    m_originalNs = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (m_originalNs < 0) {
        m_error = "cannot open the current network namespace";
        return false;
    }
    QString out, ignored;
    runIp({"netns", "list"}, &out);
    // zuvlab<pid>-...: only namespaces of processes that are gone.
    const QRegularExpression stale(QStringLiteral("^%1(\\d+)-\\S+").arg(kPrefix), QRegularExpression::MultilineOption);
    for (auto it = stale.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!QFile::exists("/proc/" + m.captured(1)))
            runIp({"netns", "del", m.captured(0)}, &ignored);
    }

    static int serial = 0;
    const QString base = QString("%1%2-%3").arg(kPrefix).arg(::getpid()).arg(++serial);
    m_pc = base + "-pc", m_gw = base + "-gw", m_void = base + "-void", m_router = base + "-rt", m_far = base + "-far";
    const QString prefix = QStringLiteral("/16");
    const bool silent = !topology.silentAddresses.isEmpty(), routed = !topology.routedAddresses.isEmpty();
    QStringList namespaces{m_pc, m_gw};
    if (silent)
        namespaces << m_void;
    if (routed)
        namespaces << m_router << m_far;
    QList<QStringList> steps;
    for (const QString &ns : namespaces)
        steps << QStringList{"netns", "add", ns} << QStringList{"-n", ns, "link", "set", "lo", "up"};
    const auto link = [&](const QString &ns, const QString &dev, const QString &peerNs, const QString &peer, const QStringList &addresses,
                          const QString &addressPrefix) {
        steps << QStringList{"-n", ns, "link", "add", dev, "type", "veth", "peer", "name", peer, "netns", peerNs};
        for (const QString &a : addresses)
            steps << QStringList{"-n", ns, "addr", "add", a + addressPrefix, "dev", dev};
        steps << QStringList{"-n", ns, "link", "set", dev, "up"} << QStringList{"-n", peerNs, "link", "set", peer, "up"};
    };
    link(m_pc, "vpc", m_gw, "vgw", topology.pcAddresses, prefix);
    for (const QString &a : topology.gatewayAddresses)
        steps << QStringList{"-n", m_gw, "addr", "add", a + prefix, "dev", "vgw"};
    if (silent)
        link(m_pc, "vsilent", m_void, "vvoid", topology.silentAddresses, prefix);
    if (routed) {
        link(m_pc, "vrt", m_router, "vrtpc", {"10.76.0.1"}, "/24");
        link(m_far, "vfar", m_router, "vrtfar", topology.routedAddresses, "/24");
        steps << QStringList{"-n", m_router, "addr", "add", "10.76.0.2/24", "dev", "vrtpc"}
              << QStringList{"-n", m_router, "addr", "add", "10.79.0.1/24", "dev", "vrtfar"}
              << QStringList{"-n", m_pc, "route", "add", "10.79.0.0/24", "via", "10.76.0.2"}
              << QStringList{"-n", m_far, "route", "add", "default", "via", "10.79.0.1"}
              << QStringList{"netns", "exec", m_router, "sh", "-c", "echo 1 > /proc/sys/net/ipv4/ip_forward"};
    }
    for (const QStringList &step : steps) {
        if (!runIp(step, &out)) {
            down();
            m_error = out;
            return false;
        }
        if (step.mid(0, 2) == QStringList{"netns", "add"})
            m_created << step[2];
    }
    // The veth carrier comes up asynchronously; broadcasts sent before are lost.
    QList<QStringList> carriers{{m_pc, "vpc"}};
    if (routed)
        carriers << QStringList{m_pc, "vrt"} << QStringList{m_router, "vrtfar"};
    QElapsedTimer clock;
    clock.start();
    for (const QStringList &carrier : carriers)
        while (clock.elapsed() < 3000 && !(runIp({"-n", carrier[0], "link", "show", carrier[1]}, &out) && out.contains("LOWER_UP")))
            QThread::msleep(20);
    const int fd = ::open(QFile::encodeName("/run/netns/" + m_pc).constData(), O_RDONLY | O_CLOEXEC);
    m_up = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0 && inPcNamespace();
    if (fd >= 0)
        ::close(fd);
    if (!m_up) {
        down();
        m_error = "cannot enter the pc namespace";
    }
    return m_up;
}

bool NetLab::inPcNamespace() const
{
    if (m_pc.isEmpty())
        return false;
    const ino_t pc = inodeOf(QFile::encodeName("/run/netns/" + m_pc).constData());
    return pc != 0 && pc == inodeOf("/proc/thread-self/ns/net");
}

void NetLab::down()
{
    m_sims.clear();
    if (m_originalNs >= 0) {
        if (::setns(m_originalNs, CLONE_NEWNET) != 0)
            qWarning("NetLab: cannot return to the original network namespace");
        ::close(m_originalNs);
        m_originalNs = -1;
    }
    QString ignored;
    for (const QString &ns : m_created)
        runIp({"netns", "del", ns}, &ignored);
    m_created.clear();
    m_up = false;
}

SimProcess *NetLab::startSimulator(const QJsonObject &config, bool routed, SimProcess::Log log)
{
    if (!m_up) {
        m_error = "the lab is not up";
        return nullptr;
    }
    auto sim = std::make_unique<SimProcess>();
    if (!sim->start(config, {ipProgram(), "netns", "exec", routed ? m_far : m_gw}, log)) {
        m_error = sim->errorText();
        return nullptr;
    }
    m_sims.push_back(std::move(sim));
    return m_sims.back().get();
}
