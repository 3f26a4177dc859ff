// The search's range scan on its own, as the command-line tool runs it, inside a throwaway network: the process
// moves into the lab's pc namespace before any socket is made, so no request ever leaves the lab.
#include "discovery/devicesearch.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QTimer>
#include <QtTest>

class TstRangeScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One unicast request to each address of a /22: every gateway that answers before the search settles is
    // listed once, numbered in arrival order, also after a stray datagram and a repeated answer; one answering
    // later is not, and addresses the system cannot send to are counted, not waited for. A scan that has heard
    // from every address it asked ends then.
    void scanOfASlash22()
    {
        NetLab::Topology topo;
        topo.gatewayAddresses.clear();
        QJsonArray gateways;
        QList<QHostAddress> targets;
        QStringList answering;
        const quint32 first = QHostAddress(QStringLiteral("10.77.4.0")).toIPv4Address();
        for (quint32 i = 0; i < 1024; ++i)
            targets << QHostAddress(first + i);
        // The lab has no route out: these cannot be asked, and the addresses after them still are.
        targets.insert(10, QHostAddress("198.51.100.7"));
        targets.insert(20, QHostAddress("198.51.100.8"));
        const QList<QJsonObject> faults{{{"udp_prefix_hex", "0000000300000000"}}, {{"udp_repeat", 3}},
                                        {{"udp_delay_ms", 600}}, {{"udp_delay_ms", 2500}}};
        for (int k = 0; k < 200; ++k) {
            const QString ip = QHostAddress(first + 5 * k + 3).toString();
            topo.gatewayAddresses << ip;
            gateways.append(QJsonObject{{"ip", ip}, {"faults", faults.value(k)}});
            if (k != 3)
                answering << ip;
        }
        NetLab lab;
        SimProcess *sim = lab.up(topo) && lab.inPcNamespace() ? lab.startSimulator(QJsonObject{{"gateways", gateways}}) : nullptr;
        QVERIFY2(sim, qPrintable(lab.errorText()));

        // At most 4096 addresses; the PC's own address answers nothing.
        DeviceSearch search;
        const QList<QHostAddress> most = QVector<QHostAddress>(DeviceSearch::MaxRangeTargets, QHostAddress("10.77.0.1")).toList();
        QVERIFY(search.startRange(most));
        search.close();
        QVERIFY(!search.startRange(most + most.mid(0, 1)));
        QVERIFY(!search.startRange({}));
        QCOMPARE(search.socket(0).state(), QAbstractSocket::UnconnectedState);

        QEventLoop loop;
        QObject::connect(&search, &DeviceSearch::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(search.startRange(targets));
        loop.exec();
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= DeviceSearch::RangeSettleMs && elapsed < DeviceSearch::RangeSettleMs + 1500,
                 qPrintable(QString::number(elapsed)));
        QVERIFY(!search.isRunning());
        QCOMPARE(search.unasked(), 2);
        QStringList found;
        for (int i = 0; i < search.found().size(); ++i) {
            QCOMPARE(search.found()[i].m_number, QString::number(i + 1));
            found << search.found()[i].m_ip;
        }
        found.sort(), answering.sort();
        QCOMPARE(found, answering);
        for (const QString &ip : qAsConst(topo.gatewayAddresses))
            QCOMPARE(sim->udpReceived(ip).size(), 1);

        // Asked alone, a gateway that answers ends the scan at once.
        clock.restart();
        QVERIFY(search.startRange({QHostAddress(answering.last())}));
        loop.exec();
        QVERIFY2(clock.elapsed() < DeviceSearch::RangeSettleMs / 2, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(search.found().size(), 1);
    }
};

NETLAB_TEST_MAIN_APP(TstRangeScan, QCoreApplication)
#include "tst_rangescan.moc"
