// Times the device search of the real main window, and the search's range
// scan, against simulated gateways inside throwaway network namespaces (root only).
#include "app/mainwindow.h"
#include "discovery/devicesearch.h"
#include "support/netlab.h"
#include "support/timedscan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSet>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

struct Result {
    qint64 ms = -1;
    int listed = 0;
    QString error;
};

Result runOnce(int gateways, int localAddresses)
{
    Result r;
    NetLab::Topology topo;
    for (int i = 1; i < localAddresses; ++i)
        topo.silentAddresses << QString("10.78.0.%1").arg(i);
    topo.gatewayAddresses.clear();
    QJsonArray config;
    for (int i = 0; i < gateways; ++i) {
        const QString ip = QString("10.77.%1.%2").arg(10 + i / 200).arg(1 + i % 200);
        topo.gatewayAddresses << ip;
        config.append(QJsonObject{{"ip", ip}});
    }
    NetLab lab;
    if (!lab.up(topo) || !lab.inPcNamespace()) {
        r.error = lab.errorText();
        return r;
    }
    if (!lab.startSimulator(QJsonObject{{"gateways", config}}, false, SimProcess::Log::Off)) {
        r.error = lab.errorText();
        return r;
    }
    auto w = std::make_unique<MainWindow>();
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    watchdog.start(15000);
    QElapsedTimer clock;
    clock.start();
    w->on_bt_Search_clicked();
    r.ms = clock.elapsed();
    QSet<QString> ips;
    for (const CEquipment *e : w->equipmentList())
        ips.insert(e->m_ip);
    r.listed = ips.size();
    return r;
}

// A unicast scan of the /22 10.77.4.0 - 10.77.7.255 in which every fourth
// address, up to `gateways` of them, answers; the rest are held by nobody.
Result runRange(int gateways)
{
    Result r;
    NetLab::Topology topo;
    topo.gatewayAddresses.clear();
    QJsonArray config;
    QList<QHostAddress> targets;
    const quint32 first = QHostAddress(QStringLiteral("10.77.4.0")).toIPv4Address();
    for (quint32 i = 0; i < 1024; ++i) {
        targets << QHostAddress(first + i);
        if (i % 4 == 1 && int(i / 4) < gateways) {
            topo.gatewayAddresses << targets.last().toString();
            config.append(QJsonObject{{"ip", targets.last().toString()}});
        }
    }
    NetLab lab;
    if (!lab.up(topo) || !lab.inPcNamespace() || !lab.startSimulator(QJsonObject{{"gateways", config}}, false, SimProcess::Log::Off)) {
        r.error = lab.errorText();
        return r;
    }
    const TimedScan scan = timedRangeScan(targets);
    return {scan.ms, scan.found, scan.error};
}

// Runs `repeats` times, sorted by time; `listed` is the fewest any run listed. The error of the first run that
// failed, if any.
struct Runs {
    QList<qint64> times;
    int listed = 0;
    QString error;
};

template<typename Run>
Runs repeat(int repeats, int expected, Run run)
{
    Runs runs;
    runs.listed = expected;
    for (int i = 0; i < repeats; ++i) {
        const Result r = run();
        if (!r.error.isEmpty()) {
            runs.error = r.error;
            return runs;
        }
        runs.times << r.ms;
        runs.listed = std::min(runs.listed, r.listed);
    }
    std::sort(runs.times.begin(), runs.times.end());
    return runs;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the table goes to the terminal.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            QTextStream(stderr) << msg << Qt::endl;
    });
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString reason = NetLab::unavailableReason();
    if (!reason.isEmpty()) {
        out << "needs root: " << reason << Qt::endl;
        return 2;
    }
    const int repeats = 3;
    const qint64 ideal = qint64(DeviceSearch::FinishTickWithDevices) * DeviceSearch::TickMs;
    out << "search wall time, " << repeats << " runs each; ideal by the finish rule " << ideal
        << " ms, target <= " << ideal * 11 / 10 << " ms" << Qt::endl;
    out << QString("%1 %2 %3 %4 %5 %6 %7").arg("gateways", 8).arg("PC addresses", 14).arg("listed", 14)
               .arg("min ms", 8).arg("median", 8).arg("max ms", 8).arg("x ideal", 8)
        << Qt::endl;
    bool allMet = true;
    // PC addresses, gateways answering.
    for (const auto &[addresses, gateways] : QList<std::pair<int, int>>{{1, 1}, {1, 50}, {1, 250}, {1, 1000}, {4, 1}, {4, 50}, {4, 250}}) {
        {
            const Runs runs = repeat(repeats, gateways, [&] { return runOnce(gateways, addresses); });
            if (!runs.error.isEmpty()) {
                out << "error: " << runs.error << Qt::endl;
                return 1;
            }
            const QList<qint64> &times = runs.times;
            const int worstListed = runs.listed;
            const qint64 median = times[repeats / 2];
            const bool met = worstListed == gateways && times.last() * 10 <= ideal * 11;
            allMet = allMet && met;
            out << QString("%1 %2 %3 %4 %5 %6 %7 %8")
                       .arg(gateways, 8)
                       .arg(addresses == 1 ? QString("1") : QString("%1 (%2 silent)").arg(addresses).arg(addresses - 1), 14)
                       .arg(QString("%1/%2").arg(worstListed).arg(gateways), 14)
                       .arg(times.first(), 8)
                       .arg(median, 8)
                       .arg(times.last(), 8)
                       .arg(double(median) / double(ideal), 8, 'f', 2)
                       .arg(met ? "" : "  target missed")
                << Qt::endl;
        }
    }

    // The scan itself cannot end before its settling time after the last request.
    const qint64 rangeTarget = 2500;
    out << Qt::endl << "range scan of a /22 (1024 addresses), " << repeats << " runs; floor "
        << DeviceSearch::RangeSettleMs << " ms of settling after the last request, target all found within "
        << rangeTarget << " ms" << Qt::endl;
    for (int gateways : {250}) {
        const Runs runs = repeat(repeats, gateways, [&] { return runRange(gateways); });
        if (!runs.error.isEmpty()) {
            out << "error: " << runs.error << Qt::endl;
            return 1;
        }
        const QList<qint64> &times = runs.times;
        const int worstListed = runs.listed;
        const bool met = worstListed == gateways && times.last() <= rangeTarget;
        allMet = allMet && met;
        out << QString("%1 answering: found %2/%1, min %3 ms, median %4 ms, max %5 ms%6")
                   .arg(gateways)
                   .arg(worstListed)
                   .arg(times.first())
                   .arg(times[repeats / 2])
                   .arg(times.last())
                   .arg(met ? "" : "  target missed")
            << Qt::endl;
    }
    return allMet ? 0 : 3;
}
