#include "app/mainwindow.h"
#include "config/configure.h"
#include "config/globals.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QJsonArray>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

// The main window's device search, run for real inside a throwaway network,
// against well-behaved and flooding gateways: the test process is moved into
// the lab's pc namespace before any search, so no broadcast ever leaves the lab.
class TstSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneGateway();
    void gatewaysOverTwoAddresses();
    void sameIpTwiceAndUnknownModel();
    void strayDatagramEndsSearch();
    void firstTenOfTwelveAddresses();
    void silentAddressesDoNotFreeze_data();
    void silentAddressesDoNotFreeze();
    void floodOfAnswers_data();
    void floodOfAnswers();
    void floodOfRefreshAnswers();
};

namespace {

// A main window after one press of "Search Equipment": what it listed, how
// long the search took and the longest pause of the event loop meanwhile.
struct SearchRun {
    std::unique_ptr<MainWindow> w;
    QTableWidget *table = nullptr;
    QStringList ips;
    qint64 elapsedMs = 0;
    qint64 longestStallMs = 0;
};

// Presses "Search Equipment" in a new window; a watchdog closes a search that would never end.
SearchRun search()
{
    SearchRun run;
    run.w = std::make_unique<MainWindow>();
    // The reachability look-up has nothing to do with the search.
    for (QTimer *t : run.w->findChildren<QTimer *>())
        t->stop();
    run.table = run.w->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { run.longestStallMs = qMax(run.longestStallMs, sinceTick.restart()); });
    QTimer::singleShot(10000, run.w.get(), [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    ticker.start(20);
    clock.start();
    sinceTick.start();
    run.w->on_bt_Search_clicked();
    run.elapsedMs = clock.elapsed();
    run.longestStallMs = qMax(run.longestStallMs, sinceTick.elapsed());
    for (const CEquipment *e : run.w->equipmentList())
        run.ips << e->m_ip;
    return run;
}

QString cellText(const SearchRun &run, int row, int column)
{
    const QTableWidgetItem *item = run.table->item(row, column);
    return item ? item->text() : QStringLiteral("<no item>");
}

QSet<QString> requestSources(SimProcess &sim, const QString &gw)
{
    QSet<QString> peers;
    for (const QJsonObject &entry : sim.udpReceived(gw))
        peers.insert(entry.value("peer").toString().section(':', 0, 0));
    return peers;
}

// A configuration and its file, which no answer of a search may touch.
struct HeldWork {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plant.inf"));
    const QByteArray bytes{"Device_Mode\tHW-P04\nTransmission_Mode\t\tRTU_Master\n"};
    QByteArray before;
    HeldWork()
    {
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        f.close();
        savefilename = file;
        auto *c = new CConfigure;
        c->m_modelCode = 130400;
        c->m_name = QStringLiteral("Working copy");
        installConfigure(c);
        g_commMode = 2;
        before = GatewayBench::snapshot();
    }
    ~HeldWork()
    {
        installConfigure(nullptr);
        savefilename.clear();
        g_commMode = 0;
    }
    bool untouched() const
    {
        return GatewayBench::snapshot() == before && g_commMode == 2 && GatewayBench::fileBytes(file) == bytes;
    }
};

} // namespace

// Moves into the lab's pc namespace (checked) before the simulator starts.
#define LAB_UP(topology, gateways)                                                                                   \
    NetLab lab;                                                                                                      \
    QVERIFY2(lab.up(topology), qPrintable(lab.errorText()));                                                         \
    QVERIFY(lab.inPcNamespace());                                                                                    \
    SimProcess *sim = lab.startSimulator(QJsonObject{{"gateways", gateways}});                                       \
    QVERIFY2(sim, qPrintable(lab.errorText()))

void TstSearch::oneGateway()
{
    LAB_UP(NetLab::Topology{}, (QJsonArray{QJsonObject{
        {"ip", "10.77.0.2"}, {"model", 130800}, {"name", "Pump house"}, {"mac", "00-1a-2b-3c-4d-5e"},
        {"firmware", "1.10"}, {"password", "1234"}, {"remote", false}}}));

    const SearchRun run = search();
    const QStringList expected{"1",    "Pump house", "HW-P08",    "10.77.0.2", "00-1a-2b-3c-4d-5e",
                               "1.10", "Encryption", "Prohibit configuration"};
    for (int c = 0; c < CEquipment::ColumnCount; ++c)
        QCOMPARE(cellText(run, 0, c), expected[c]);
    QCOMPARE(run.table->rowCount(), 11);
    // Once a device is known the search ends on the fifth tick.
    QVERIFY2(run.elapsedMs >= 1400 && run.elapsedMs < 2500, qPrintable(QString::number(run.elapsedMs)));
    // Sockets are closed again after the search.
    QCOMPARE(run.w->searchSocket(0).state(), QAbstractSocket::UnconnectedState);
    const QList<QJsonObject> requests = sim->udpReceived("10.77.0.2");
    QVERIFY(!requests.isEmpty() && requests.size() <= 7);
    for (const QJsonObject &r : requests)
        QCOMPARE(r.value("hex").toString(), QString("0000000300000000"));
}

void TstSearch::gatewaysOverTwoAddresses()
{
    NetLab::Topology topo;
    topo.pcAddresses = QStringList{"10.77.0.1", "10.77.0.100"};
    topo.gatewayAddresses = QStringList{"10.77.0.2", "10.77.0.3", "10.77.0.4"};
    LAB_UP(topo, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}, {"model", 30103}},
                             QJsonObject{{"ip", "10.77.0.3"}, {"model", 130100}},
                             QJsonObject{{"ip", "10.77.0.4"}, {"model", 131600}}}));

    const SearchRun run = search();
    // Every gateway answers both addresses; each is listed once, numbered without gaps.
    QStringList ips;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(cellText(run, i, CEquipment::Number), QString::number(i + 1));
        ips << cellText(run, i, CEquipment::IpAddress);
    }
    ips.sort();
    QCOMPARE(ips, (QStringList{"10.77.0.2", "10.77.0.3", "10.77.0.4"}));
    QCOMPARE(requestSources(*sim, "10.77.0.2"), (QSet<QString>{"10.77.0.1", "10.77.0.100"}));
    QCOMPARE(run.table->rowCount(), 13);
}

void TstSearch::sameIpTwiceAndUnknownModel()
{
    NetLab::Topology topo;
    topo.gatewayAddresses << "10.77.0.4";
    const QJsonObject duplicate{{"answer_ip", "10.77.0.2"}, {"udp_delay_ms", 100}};
    LAB_UP(topo, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}, {"model", 130400}, {"name", "First"}},
                             QJsonObject{{"ip", "10.77.0.3"}, {"name", "Second"}, {"faults", duplicate}},
                             QJsonObject{{"ip", "10.77.0.4"}, {"model", 999999}}}));

    const SearchRun run = search();
    // The later answer for a listed address is dropped; the unknown model is listed, not dropped.
    QVERIFY(!sim->udpSent("10.77.0.3").isEmpty());
    QCOMPARE(run.ips.size(), 2);
    const int first = run.ips.indexOf("10.77.0.2");
    const int other = run.ips.indexOf("10.77.0.4");
    QCOMPARE(cellText(run, first, CEquipment::Name), QString("First"));
    QCOMPARE(cellText(run, other, CEquipment::Model), QString("Other equipment"));
    QCOMPARE(cellText(run, other, CEquipment::Name), QString("Unsupported equipment"));
    // Choosing it after a device turns the device buttons off and keeps the device's address.
    auto *configure = run.w->findChild<QPushButton *>(QStringLiteral("bt_Configure"));
    QVERIFY(configure);
    run.w->on_tableWidget_cellClicked(first, 0);
    QVERIFY(configure->isEnabled());
    run.w->on_tableWidget_cellClicked(other, 0);
    QVERIFY(!configure->isEnabled());
    QCOMPARE(g_appointIpAddr, QString("10.77.0.2"));
}

void TstSearch::strayDatagramEndsSearch()
{
    const QJsonObject stray{{"udp_prefix_hex", "0000000300000000"}, {"udp_delay_ms", 300}};
    LAB_UP(NetLab::Topology{},
           (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}}, QJsonObject{{"ip", "10.77.0.3"}, {"faults", stray}}}));

    const SearchRun run = search();
    // The answer that follows the stray datagram is not read.
    QCOMPARE(run.ips, QStringList{"10.77.0.2"});
    // Ended by the stray datagram, well before the fifth tick.
    QVERIFY2(run.elapsedMs < 1300, qPrintable(QString::number(run.elapsedMs)));
}

void TstSearch::firstTenOfTwelveAddresses()
{
    NetLab::Topology topo;
    topo.pcAddresses.clear();
    for (int i = 1; i <= 12; ++i)
        topo.pcAddresses << QString("10.77.1.%1").arg(i);
    topo.gatewayAddresses = QStringList{"10.77.0.2"};
    LAB_UP(topo, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}}}));

    QStringList local;
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            local << a.toString();
    QCOMPARE(local.size(), 12);
    const SearchRun run = search();
    QCOMPARE(run.ips, QStringList{"10.77.0.2"});
    QCOMPARE(requestSources(*sim, "10.77.0.2"), QSet<QString>(local.cbegin(), local.cbegin() + 10));
    // No address is asked more than seven times.
    QMap<QString, int> perSource;
    for (const QJsonObject &entry : sim->udpReceived("10.77.0.2"))
        QVERIFY2(++perSource[entry.value("peer").toString()] <= 7, qPrintable(entry.value("peer").toString()));
}

void TstSearch::silentAddressesDoNotFreeze_data()
{
    QTest::addColumn<bool>("gatewayAnswers");
    QTest::addColumn<int>("silentCount");
    QTest::addColumn<qint64>("minMs");
    QTest::addColumn<qint64>("maxMs");
    // Fifth tick once a device is known, eighth otherwise; generous upper bounds.
    QTest::newRow("device found beside three silent addresses") << true << 3 << qint64(1400) << qint64(2800);
    QTest::newRow("nothing answers anywhere") << false << 3 << qint64(2300) << qint64(3800);
    QTest::newRow("device found beside nine silent addresses") << true << 9 << qint64(1400) << qint64(2800);
}

void TstSearch::silentAddressesDoNotFreeze()
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
    QVERIFY2(run.elapsedMs >= minMs && run.elapsedMs < maxMs, qPrintable(QString::number(run.elapsedMs)));
    // The window keeps handling events while the search waits for answers.
    QVERIFY2(run.longestStallMs < 500, qPrintable(QString::number(run.longestStallMs)));
    QCOMPARE(run.ips, gatewayAnswers ? QStringList{"10.77.0.2"} : QStringList{});
    if (!gatewayAnswers) {
        QCOMPARE(run.table->rowCount(), 10);
        QVERIFY(run.table->horizontalHeader()->stretchLastSection());
        // Seven requests per address at most, then the deadline.
        QVERIFY(sim->udpReceived("10.77.0.2").size() <= 7);
    }
}

void TstSearch::floodOfAnswers_data()
{
    QTest::addColumn<bool>("distinct"); // every copy speaks for another address
    QTest::newRow("one gateway's answer thousands of times") << false;
    QTest::newRow("thousands of made-up devices") << true;
}

void TstSearch::floodOfAnswers()
{
    QFETCH(bool, distinct);
    // Each request of the search is answered 3000 times within one second.
    constexpr int Copies = 3000;
    const QJsonObject flood{{"udp_repeat", Copies}, {"udp_repeat_within_ms", 1000},
                            {"udp_repeat_vary_ip", distinct}, {"answer_ip", "10.80.0.0"}};
    LAB_UP(NetLab::Topology{}, (QJsonArray{QJsonObject{{"ip", "10.77.0.2"}, {"model", 130400}, {"faults", flood}},
                                           QJsonObject{{"ip", "10.77.0.3"}, {"model", 130200}}}));
    const HeldWork work;
    MessageSpy spy;

    const SearchRun run = search();
    qInfo("took %lld ms, %d listed", run.elapsedMs, int(run.ips.size()));
    // Eight ticks, the one second a flood may hold an ask, a wait, room for the sanitizers.
    QVERIFY2(run.elapsedMs < 8 * 300 + 1000 + 2000 + 3000, qPrintable(QString::number(run.elapsedMs)));
    QVERIFY(spy.shown().isEmpty());
    // One entry per address, numbered 1 to n, the quiet gateway among them.
    const QSet<QString> ips(run.ips.cbegin(), run.ips.cend());
    QCOMPARE(ips.size(), run.ips.size());
    QVERIFY(ips.contains(QStringLiteral("10.77.0.3")) && ips.contains(QStringLiteral("10.80.0.0")));
    for (int row = 0; row < run.ips.size(); ++row)
        QCOMPARE(cellText(run, row, CEquipment::Number), QString::number(row + 1));
    if (distinct)
        QVERIFY2(run.ips.size() > 2 && run.ips.size() <= Copies * 8 + 1, qPrintable(QString::number(run.ips.size())));
    else
        QCOMPARE(run.ips.size(), 2);
    QVERIFY(work.untouched());
}

void TstSearch::floodOfRefreshAnswers()
{
    // A long list from an earlier search; the gateway read answers the refresh
    // after the read 3000 times within a second, with a name without a zero byte.
    constexpr int Listed = 400;
    const QByteArray name = QByteArray::fromHex("c4d6dce9ff") + QByteArray(15, 'x');
    LAB_UP(NetLab::Topology{}, (QJsonArray{QJsonObject{
        {"ip", "10.77.0.2"}, {"model", 130400}, {"firmware", "2.3"},
        {"faults", QJsonObject{{"udp_repeat", 3000}, {"udp_repeat_within_ms", 1000},
                               {"name_hex", QString::fromLatin1(name.toHex())}}}}}));
    QList<GatewayBench::Gateway> gateways{GatewayBench::Gateway(QStringLiteral("10.77.0.2"), 130400)};
    for (int i = 1; i < Listed; ++i)
        gateways << GatewayBench::Gateway(QStringLiteral("10.81.%1.%2").arg(i / 200).arg(i % 200 + 1), 130200);
    auto w = GatewayBench::window(gateways);
    GatewayBench::select(*w, 0);
    MessageSpy spy;

    w->OnConfigure();
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(GatewayBench::editors().size(), 1);
    // The window keeps answering while the flood lasts: the list is redrawn once per batch.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestStall = qMax(longestStall, sinceTick.restart()); });
    ticker.start(20);
    sinceTick.start();
    QTest::qWait(2000);
    longestStall = qMax(longestStall, sinceTick.elapsed());
    GatewayBench::closeEditors();

    QVERIFY(sim->waitForLog([&](const QList<QJsonObject> &) { return !sim->events("udp_repeat").isEmpty(); }, 3000));
    QVERIFY2(longestStall < 1000, qPrintable(QString::number(longestStall)));
    QCOMPARE(w->equipmentList().size(), Listed);
    const CEquipment *refreshed = w->equipmentList().first();
    QCOMPARE(refreshed->m_name, QString::fromLatin1(name));
    QCOMPARE(refreshed->m_firmware, QStringLiteral("2.3"));
    QCOMPARE(refreshed->m_number, QStringLiteral("1"));
    const QTableWidget *table = w->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    QCOMPARE(table->item(0, CEquipment::Name)->text(), QString::fromLatin1(name));
    QCOMPARE(table->item(Listed - 1, CEquipment::IpAddress)->text(), gateways.last().ip);
}

NETLAB_TEST_MAIN(TstSearch)
#include "tst_search.moc"