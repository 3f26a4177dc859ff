// The main window's device search, run for real inside a throwaway network, against well-behaved, silent and
// flooding gateways: the test process is moved into the lab's pc namespace before any search, so no broadcast
// ever leaves the lab. What an answer's bytes become is the discovery table's business; here: who is asked,
// how often and from where, what is listed, when the search ends, and that the window keeps answering.
#include "app/mainwindow.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QJsonArray>
#include <QNetworkInterface>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// A main window after one press of "Search Equipment": what it listed, how long the search took and the
// longest pause of the event loop meanwhile.
struct SearchRun {
    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>();
    QTableWidget *table = w->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    QStringList ips;
    qint64 elapsedMs = 0, longestStallMs = 0;

    QString cell(int row, int column) const { return table->item(row, column) ? table->item(row, column)->text() : "<no item>"; }
};

// Measures the longest pause of the event loop while it lives.
struct StallMeter {
    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    StallMeter()
    {
        QObject::connect(&ticker, &QTimer::timeout, [this] { longest = qMax(longest, sinceTick.restart()); });
        ticker.start(20);
        sinceTick.start();
    }
    qint64 stop() { return longest = qMax(longest, sinceTick.elapsed()); }
};

// Presses "Search Equipment" in a new window; a watchdog closes a search that would never end.
SearchRun search()
{
    SearchRun run;
    run.w->netTimer()->stop(); // the reachability look-up has nothing to do with the search
    // As after a configuration was opened: the search must leave Save on.
    run.w->setBtStatus(run.w->findChild<QPushButton *>(QStringLiteral("bt_Save")), true);
    QTimer::singleShot(10000, run.w.get(), [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    run.w->on_bt_Search_clicked();
    run.elapsedMs = clock.elapsed();
    run.longestStallMs = meter.stop();
    for (const CEquipment *e : run.w->equipmentList())
        run.ips << e->m_ip;
    return run;
}

} // namespace

// Moves into the lab's pc namespace (checked) before the simulator starts.
#define LAB_UP(topology, gateways)                                                                                   \
    NetLab lab;                                                                                                      \
    SimProcess *sim = lab.up(topology) && lab.inPcNamespace() ? lab.startSimulator(QJsonObject{{"gateways", gateways}}) : nullptr; \
    QVERIFY2(sim, qPrintable(lab.errorText()))
#define ELAPSED_WITHIN(run, low, high) QVERIFY2(run.elapsedMs >= (low) && run.elapsedMs < (high), qPrintable(QString::number(run.elapsedMs)))

class TstSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every gateway answers each of the first ten of twelve local addresses, and is listed once as its row,
    // numbered without gaps, also where a later answer speaks for a listed address; an unknown model is listed. The
    // fifth tick ends the search once a device is known and leaves Save on; each local address asks a gateway at
    // most 7 times. (The cells' texts are the discovery table's, a row click the main window test's.)
    void listsEachGatewayOnce()
    {
        NetLab::Topology topo;
        topo.pcAddresses.clear();
        for (int i = 1; i <= 12; ++i)
            topo.pcAddresses << QString("10.77.1.%1").arg(i);
        topo.gatewayAddresses = QStringList{"10.77.0.2", "10.77.0.3", "10.77.0.4", "10.77.0.5"};
        LAB_UP(topo, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}}, QJsonObject{{"ip", "10.77.0.3"},
            {"faults", QJsonObject{{"answer_ip", "10.77.0.2"}, {"udp_delay_ms", 100}}}}, QJsonObject{{"ip", "10.77.0.4"}, {"model", 999999}},
            QJsonObject{{"ip", "10.77.0.5"}, {"model", 30103}}}));
        QStringList local;
        for (const QHostAddress &a : QNetworkInterface::allAddresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
                local << a.toString();
        QCOMPARE(local.size(), 12);
        const SearchRun run = search();
        ELAPSED_WITHIN(run, 1400, 2500);
        QVERIFY(run.w->findChild<QPushButton *>(QStringLiteral("bt_Save"))->isEnabled());
        QStringList ips = run.ips, numbers;
        ips.sort();
        for (int i = 0; i < run.table->rowCount(); ++i)
            numbers << run.cell(i, CEquipment::Number);
        QCOMPARE(ips + numbers.mid(0, 4), (QStringList{"10.77.0.2", "10.77.0.4", "10.77.0.5", "1", "2", "3", "<no item>"}));
        QCOMPARE(run.table->rowCount(), 13);
        QVERIFY(!sim->udpSent("10.77.0.3").isEmpty());
        for (const QString &gateway : topo.gatewayAddresses) { // requests per local address that asked it
            QMap<QString, int> sources;
            for (const QJsonObject &entry : sim->udpReceived(gateway))
                ++sources[entry.value("peer").toString().section(':', 0, 0)];
            QCOMPARE(QSet<QString>(sources.keyBegin(), sources.keyEnd()), QSet<QString>(local.cbegin(), local.cbegin() + 10));
            QVERIFY(std::all_of(sources.begin(), sources.end(), [](int asked) { return asked <= 7; }));
        }
    }

    // The answer that follows a stray 8-byte datagram is not read; the search ends well before the fifth tick.
    void strayDatagramEndsSearch()
    {
        const QJsonObject stray{{"udp_prefix_hex", "0000000300000000"}, {"udp_delay_ms", 300}};
        LAB_UP(NetLab::Topology{}, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}}, QJsonObject{{"ip", "10.77.0.3"}, {"faults", stray}}}));
        const SearchRun run = search();
        QCOMPARE(run.ips, QStringList{"10.77.0.2"});
        ELAPSED_WITHIN(run, 0, 1300);
    }

    void silentAddressesDoNotFreeze_data()
    {
        QTest::addColumn<bool>("gatewayAnswers");
        QTest::addColumn<int>("silentCount");
        QTest::addColumn<qint64>("minMs");
        QTest::addColumn<qint64>("maxMs");
        // Fifth tick once a device is known, eighth otherwise; generous upper bounds.
        QTest::newRow("nothing answers anywhere") << false << 3 << qint64(2300) << qint64(3800);
        QTest::newRow("device found beside nine silent addresses") << true << 9 << qint64(1400) << qint64(2800);
    }

    // The window keeps handling events while the search waits for answers.
    void silentAddressesDoNotFreeze()
    {
        QFETCH(bool, gatewayAnswers);
        QFETCH(int, silentCount);
        QFETCH(qint64, minMs);
        QFETCH(qint64, maxMs);
        NetLab::Topology topo;
        for (int i = 1; i <= silentCount; ++i)
            topo.silentAddresses << QString("10.78.0.%1").arg(i);
        QJsonObject gw{{"ip", "10.77.0.2"}};
        if (!gatewayAnswers)
            gw.insert("faults", QJsonObject{{"udp_silent", true}});
        LAB_UP(topo, QJsonArray{gw});
        const SearchRun run = search();
        ELAPSED_WITHIN(run, minMs, maxMs);
        QVERIFY2(run.longestStallMs < 500, qPrintable(QString::number(run.longestStallMs)));
        QCOMPARE(run.ips, gatewayAnswers ? QStringList{"10.77.0.2"} : QStringList{});
        if (!gatewayAnswers) // ten blank rows, seven requests per address at most, then the deadline
            QVERIFY(run.table->rowCount() == 10 && run.table->horizontalHeader()->stretchLastSection() && sim->udpReceived("10.77.0.2").size() <= 7);
    }

    void floodOfAnswers_data()
    {
        QTest::addColumn<bool>("distinct"); // every copy speaks for another address
        QTest::newRow("one gateway's answer thousands of times") << false;
        QTest::newRow("thousands of made-up devices") << true;
    }

    // Each request answered 3000 times within a second: bounded, one entry per address numbered 1 to n, the quiet
    // gateway among them, and the user's configuration untouched.
    void floodOfAnswers()
    {
        QFETCH(bool, distinct);
        constexpr int Copies = 3000;
        const QJsonObject flood{{"udp_repeat", Copies}, {"udp_repeat_within_ms", 1000}, {"udp_repeat_vary_ip", distinct}, {"answer_ip", "10.80.0.0"}};
        LAB_UP(NetLab::Topology{}, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}, {"model", 130400}, {"faults", flood}},
                                               QJsonObject{{"ip", "10.77.0.3"}, {"model", 130200}}}));
        // The user's configuration and its file, which no answer may touch.
        QTemporaryDir dir;
        savefilename = dir.filePath(QStringLiteral("plant.inf"));
        QVERIFY(InfFile::saveFile(savefilename, "Device_Mode\tHW-P04\n") == InfFile::WriteStatus::Written);
        installConfigure(new CConfigure);
        pConfigure->m_name = QStringLiteral("Working copy"), g_commMode = 2;
        const QByteArray before = GatewayBench::snapshot() + GatewayBench::fileBytes(savefilename);
        MessageSpy spy;
        const SearchRun run = search();
        // Eight ticks, the one second a flood may hold an ask, a wait, room for the sanitizers.
        ELAPSED_WITHIN(run, 0, 8 * 300 + 1000 + 2000 + 3000);
        QVERIFY(spy.shown().isEmpty() && GatewayBench::snapshot() + GatewayBench::fileBytes(savefilename) == before && g_commMode == 2);
        installConfigure(nullptr), savefilename.clear(), g_commMode = 0;
        const QSet<QString> ips(run.ips.cbegin(), run.ips.cend());
        QVERIFY(ips.size() == run.ips.size() && ips.contains("10.77.0.3") && ips.contains("10.80.0.0"));
        for (int row = 0; row < run.ips.size(); ++row)
            QCOMPARE(run.cell(row, CEquipment::Number), QString::number(row + 1));
        QVERIFY2(distinct ? run.ips.size() > 2 && run.ips.size() <= Copies * 8 + 1 : run.ips.size() == 2, qPrintable(QString::number(run.ips.size())));
    }

    // The gateway read answers the refresh after the read 3000 times within a second, with a name without a
    // zero byte, while 400 gateways are listed: the window keeps answering and the entry holds the refresh.
    void floodOfRefreshAnswers()
    {
        constexpr int Listed = 400;
        const QByteArray name = QByteArray::fromHex("c4d6dce9ff") + QByteArray(15, 'x');
        LAB_UP(NetLab::Topology{}, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}, {"model", 130400}, {"firmware", "2.3"},
            {"faults", QJsonObject{{"udp_repeat", 3000}, {"udp_repeat_within_ms", 1000}, {"name_hex", QString::fromLatin1(name.toHex())}}}}}));
        QList<GatewayBench::Gateway> gateways{GatewayBench::Gateway{QStringLiteral("10.77.0.2"), 130400}};
        for (int i = 1; i < Listed; ++i)
            gateways << GatewayBench::Gateway{QStringLiteral("10.81.%1.%2").arg(i / 200).arg(i % 200 + 1), 130200};
        auto w = GatewayBench::window(gateways);
        GatewayBench::select(*w, 0);
        MessageSpy spy;
        w->OnConfigure();
        QVERIFY(spy.texts().isEmpty() && GatewayBench::editors().size() == 1);
        StallMeter meter;
        QTest::qWait(2000);
        const qint64 stall = meter.stop();
        GatewayBench::closeEditors();
        QVERIFY(sim->waitForLog([&](const QList<QJsonObject> &) { return !sim->events("udp_repeat").isEmpty(); }, 3000));
        QVERIFY2(stall < 1000, qPrintable(QString::number(stall)));
        const CEquipment *refreshed = w->equipmentList().first();
        // The table drawn from the entry is the refresh test's (tst_commands).
        QCOMPARE(QStringList({QString::number(w->equipmentList().size()), refreshed->m_name, refreshed->m_firmware, refreshed->m_number}),
                 QStringList({QString::number(Listed), QString::fromLatin1(name), "2.3", "1"}));
    }
};

NETLAB_TEST_MAIN(TstSearch)
#include "tst_search.moc"
