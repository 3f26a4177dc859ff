// Times zuv-cfg as a process against simulated gateways inside throwaway
// network namespaces (root only): a range scan of a /22 beside the same scan
// run in-process by the core, and a backup of 50 gateways beside 50 single
// reads run one after another, with the processor time zuv-cfg and the
// simulator took for each: the simulator plays every gateway on the same
// processors as zuv-cfg, which real gateways do not.
#include "support/netlab.h"
#include "support/timedscan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int Repeats = 3;
// A backup takes tens of milliseconds, so it is run often enough for its median to hold still.
constexpr int BackupRepeats = 11;

QString cli()
{
    return QFileInfo(QStringLiteral(GWSIM_PATH)).absoluteDir().filePath(QStringLiteral("zuv-cfg"));
}

struct Timed {
    double ms = -1; // to the microsecond: a read takes a few milliseconds
    int count = 0; // gateways found or saved
    QString error;
};

// Runs zuv-cfg; `count` is the number of output lines that contain `counted`.
Timed runCli(const QStringList &arguments, const QByteArray &counted, int expectedExit = 0)
{
    Timed t;
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(cli(), arguments);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        t.error = QStringLiteral("zuv-cfg %1 did not end").arg(arguments.join(' '));
        return t;
    }
    t.ms = double(clock.nsecsElapsed()) / 1e6;
    const QByteArray out = p.readAllStandardOutput();
    if (p.exitCode() != expectedExit)
        t.error = QStringLiteral("zuv-cfg %1: exit %2: %3").arg(arguments.join(' ')).arg(p.exitCode()).arg(QString::fromLocal8Bit(p.readAllStandardError()));
    for (const QByteArray &line : out.split('\n'))
        t.count += line.contains(counted);
    return t;
}

Timed runCoreScan(const QList<QHostAddress> &targets)
{
    const TimedScan scan = timedRangeScan(targets);
    return {double(scan.ms), scan.found, scan.error};
}

// Processor time, in ms, of the children that ended so far (each zuv-cfg run).
double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Processor time, in ms, that process pid took so far; 0 when it cannot be read.
double processCpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command name, which ends with the last ')': utime and stime are the 12th and 13th.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) * 1e3 / double(sysconf(_SC_CLK_TCK));
}

struct Summary {
    double min = 0, median = 0, max = 0;
    int worstCount = 0;
};

Summary summarize(QList<Timed> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Timed &a, const Timed &b) { return a.ms < b.ms; });
    Summary s{runs.first().ms, runs[runs.size() / 2].ms, runs.last().ms, runs.first().count};
    for (const Timed &t : runs)
        s.worstCount = std::min(s.worstCount, t.count);
    return s;
}

QString line(const QString &what, const Summary &s, int of)
{
    return QString("%1 %2/%3 %4 %5 %6").arg(what, -34).arg(s.worstCount, 5).arg(of, -5).arg(s.min, 8, 'f', 1).arg(s.median, 8, 'f', 1).arg(s.max, 8, 'f', 1);
}

// Builds a lab whose gateways hold `addresses`, with these faults; the process stays in its pc namespace.
SimProcess *labWith(NetLab &lab, const QStringList &addresses, QString &error, const QJsonObject &faults = {})
{
    NetLab::Topology topo;
    topo.gatewayAddresses = addresses;
    QJsonArray config;
    for (const QString &ip : addresses)
        config.append(QJsonObject{{"ip", ip}, {"faults", faults}});
    SimProcess *sim = nullptr;
    if (!lab.up(topo) || !lab.inPcNamespace() || !(sim = lab.startSimulator(QJsonObject{{"gateways", config}}, false, SimProcess::Log::Off)))
        error = lab.errorText();
    return sim;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString reason = NetLab::unavailableReason();
    if (!reason.isEmpty()) {
        out << "needs root: " << reason << Qt::endl;
        return 2;
    }
    const QString header = QString("%1 %2 %3 %4 %5").arg("", -34).arg("found", 11).arg("min ms", 8).arg("median", 8).arg("max ms", 8);
    bool allMet = true;
    QString error;

    // A /22 in which every fourth address, 250 of them, answers.
    {
        const int answering = 250;
        QList<QHostAddress> targets;
        QStringList gateways;
        const quint32 first = QHostAddress(QStringLiteral("10.77.4.0")).toIPv4Address();
        for (quint32 i = 0; i < 1024; ++i) {
            targets << QHostAddress(first + i);
            if (i % 4 == 1 && int(i / 4) < answering)
                gateways << targets.last().toString();
        }
        NetLab lab;
        if (!labWith(lab, gateways, error)) {
            out << "error: " << error << Qt::endl;
            return 1;
        }
        QList<Timed> core, tool;
        for (int i = 0; i < Repeats; ++i) {
            core << runCoreScan(targets);
            tool << runCli({"search", "--range", "10.77.4.0/22", "--csv"}, ",10.77.");
            for (const Timed &t : {core.last(), tool.last()})
                if (!t.error.isEmpty()) {
                    out << "error: " << t.error << Qt::endl;
                    return 1;
                }
        }
        const double target = 2500;
        const Summary c = summarize(core), t = summarize(tool);
        const bool met = t.worstCount == answering && t.max <= target;
        allMet = allMet && met;
        out << "range scan of a /22 (1024 addresses), " << answering << " answering, " << Repeats
            << " runs; the scan waits " << DeviceSearch::RangeSettleMs << " ms after its last request; target "
            << answering << "/" << answering << " within " << target << " ms" << Qt::endl
            << header << Qt::endl
            << line("the core's scan, in-process", c, answering) << Qt::endl
            << line("zuv-cfg search --range (process)", t, answering) << (met ? "" : "  target missed") << Qt::endl
            << Qt::endl;
    }

    // 50 gateways: read one after another by single reads, then by one backup;
    // gateways that answer at once, then gateways that take 20 ms to hand over
    // their block, as a slow device or line does.
    const QList<std::pair<QString, QJsonObject>> kinds{
        {"answering at once", {}},
        {"each block in two pieces 20 ms apart", {{"read_drip", QJsonObject{{"piece", 160}, {"gap_ms", 20}}}}}};
    for (const auto &[kind, faults] : kinds) {
        const int count = 50;
        QStringList gateways;
        for (int i = 1; i <= count; ++i)
            gateways << QString("10.77.1.%1").arg(i);
        NetLab lab;
        const SimProcess *sim = labWith(lab, gateways, error, faults);
        if (!sim) {
            out << "error: " << error << Qt::endl;
            return 1;
        }
        QTemporaryDir dir;
        QList<Timed> reads;
        QElapsedTimer all;
        all.start();
        double toolCpu = childrenCpuMs(), simCpu = processCpuMs(sim->processId());
        for (const QString &ip : gateways) {
            reads << runCli({"read", ip, "-o", dir.filePath(ip + ".inf")}, "");
            reads.last().count = QFileInfo::exists(dir.filePath(ip + ".inf"));
            if (!reads.last().error.isEmpty()) {
                out << "error: " << reads.last().error << Qt::endl;
                return 1;
            }
        }
        const qint64 allReads = all.elapsed();
        const double readCpu = (childrenCpuMs() - toolCpu) / count, readSimCpu = (processCpuMs(sim->processId()) - simCpu) / count;
        toolCpu = childrenCpuMs();
        simCpu = processCpuMs(sim->processId());
        QList<Timed> backups;
        for (int i = 0; i < BackupRepeats; ++i) {
            backups << runCli({"backup", dir.filePath(QString("site%1").arg(i)), "--range",
                               gateways.first() + "-" + gateways.last()},
                              "saved as");
            if (!backups.last().error.isEmpty()) {
                out << "error: " << backups.last().error << Qt::endl;
                return 1;
            }
        }
        const double backupCpu = (childrenCpuMs() - toolCpu) / BackupRepeats;
        const double backupSimCpu = (processCpuMs(sim->processId()) - simCpu) / BackupRepeats;
        const Summary r = summarize(reads), b = summarize(backups);
        int saved = 0;
        for (const Timed &t : reads)
            saved += t.count;
        // A typical backup against a typical read: both medians. The slowest run
        // is printed beside them; on a shared machine it shows the machine more than the tool.
        const bool met = b.worstCount == count && b.median <= 3 * r.median;
        allMet = allMet && met;
        out << count << " gateways " << kind << ": " << count << " single reads one after another took " << allReads
            << " ms in all; target: a backup within 3x one read (" << QString::number(3 * r.median, 'f', 1) << " ms)" << Qt::endl
            << header << Qt::endl
            << line("zuv-cfg read IP -o FILE, each", Summary{r.min, r.median, r.max, saved}, count) << Qt::endl
            << line("zuv-cfg backup DIR --range", b, count) << (met ? "" : "  target missed")
            << QString("  (%1x one read)").arg(b.median / r.median, 0, 'f', 2) << Qt::endl
            << QString("processor time per run, ms: zuv-cfg read %1, backup %2; the simulator during a read %3, "
                       "during a backup %4")
                   .arg(readCpu, 0, 'f', 1).arg(backupCpu, 0, 'f', 1).arg(readSimCpu, 0, 'f', 1).arg(backupSimCpu, 0, 'f', 1)
            << Qt::endl
            // A backup makes 50 files where a read makes one, so what a new file costs on this file system counts.
            << "files written to " << dir.path() << " (" << QStorageInfo(dir.path()).fileSystemType()
            << "; TMPDIR chooses another place)" << Qt::endl
            << Qt::endl;
    }
    return allMet ? 0 : 3;
}
