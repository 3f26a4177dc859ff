#include "app/mainwindow.h"
#include "config/globals.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHostAddress>
#include <QJsonArray>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <functional>
#include <memory>

// The main window's device search, run for real inside a throwaway network:
// the test process is moved into the lab's pc namespace before any search, so
// no broadcast ever leaves the lab.
class TstSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneGateway();
    void gatewaysOverTwoAddresses();
    void sameIpTwiceFirstWins();
    void unknownModelKeepsDeviceButtonsOff();
    void strayDatagramEndsSearch();
    void firstTenOfTwelveAddresses();
    void silentAddressesDoNotFreeze_data();
    void silentAddressesDoNotFreeze();
    void burstOfAnswersAllListed();
};

namespace {

struct SearchRun {
    qint64 elapsedMs = 0;
    // Longest pause of the event loop while the search ran.
    qint64 longestStallMs = 0;
};

// HW-P04 "GW-Hall" at 192.168.x.y, as a gateway answers.
const QByteArray kAnswer = QByteArray::fromHex(
    "000000030000003c0001fd6000000000000000000000000000020001001a2b3c4d5e0000c0a8010a00000001"
    "47572d48616c6c0000000000000000000000000000000001");

QJsonObject configOf(const QJsonArray &gateways)
{
    return QJsonObject{{"gateways", gateways}};
}

std::unique_ptr<MainWindow> newWindow()
{
    auto w = std::make_unique<MainWindow>();
    // The reachability look-up has nothing to do with the search.
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop();
    return w;
}

// Presses "Search Equipment". A watchdog closes the progress dialog should
// the search never end by itself; the test then fails on the time taken.
SearchRun search(MainWindow &w, const std::function<void()> &duringSearch = {})
{
    SearchRun run;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestStallMs = qMax(run.longestStallMs, sinceTick.restart());
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    watchdog.start(10000);
    QTimer during;
    during.setSingleShot(true);
    if (duringSearch) {
        QObject::connect(&during, &QTimer::timeout, duringSearch);
        during.start(100);
    }
    ticker.start();
    clock.start();
    sinceTick.start();
    w.on_bt_Search_clicked();
    run.elapsedMs = clock.elapsed();
    run.longestStallMs = qMax(run.longestStallMs, sinceTick.elapsed());
    return run;
}

QStringList listedIps(MainWindow &w)
{
    QStringList ips;
    for (const CEquipment *e : w.equipmentList())
        ips << e->m_ip;
    return ips;
}

QTableWidget *table(MainWindow &w)
{
    return w.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
}

QString cellText(MainWindow &w, int row, int column)
{
    const QTableWidgetItem *item = table(w)->item(row, column);
    return item ? item->text() : QStringLiteral("<no item>");
}

QStringList localSearchAddresses()
{
    QStringList out;
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && a != QHostAddress(QHostAddress::LocalHost))
            out << a.toString();
    return out;
}

QSet<QString> requestSources(SimProcess &sim, const QString &gw)
{
    QSet<QString> peers;
    for (const QJsonObject &entry : sim.udpReceived(gw))
        peers.insert(entry.value("peer").toString().section(':', 0, 0));
    return peers;
}

} // namespace

#define LAB_UP(lab, topology)                                                                                        \
    if (!NetLab::unavailableReason().isEmpty())                                                                      \
        QSKIP(qPrintable(NetLab::unavailableReason()));                                                             \
    NetLab lab;                                                                                                      \
    QVERIFY2(lab.up(topology), qPrintable(lab.errorText()));                                                         \
    QVERIFY(lab.inPcNamespace())

void TstSearch::oneGateway()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{
        {"ip", "10.77.0.2"}, {"model", 130800}, {"name", "Pump house"}, {"mac", "00-1a-2b-3c-4d-5e"},
        {"firmware", "1.10"}, {"password", "1234"}, {"remote", false}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    auto w = newWindow();
    const SearchRun run = search(*w);
    QCOMPARE(w->equipmentList().size(), 1);
    const QStringList expected{"1",          "Pump house", "HW-P08",    "10.77.0.2",
                               "00-1a-2b-3c-4d-5e", "1.10", "Encryption", "Prohibit configuration"};
    for (int c = 0; c < CEquipment::ColumnCount; ++c) {
        QCOMPARE(w->equipmentList().first()->field(c), expected[c]);
        QCOMPARE(cellText(*w, 0, c), expected[c]);
    }
    QCOMPARE(table(*w)->rowCount(), 11);
    // Once a device is known the search ends on the fifth tick.
    QVERIFY2(run.elapsedMs >= 1400 && run.elapsedMs < 2500, qPrintable(QString::number(run.elapsedMs)));
    // Sockets are closed again after the search.
    QCOMPARE(w->searchSocket(0).state(), QAbstractSocket::UnconnectedState);
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
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{{"ip", "10.77.0.2"}, {"model", 30103}},
                                                   QJsonObject{{"ip", "10.77.0.3"}, {"model", 130100}},
                                                   QJsonObject{{"ip", "10.77.0.4"}, {"model", 131600}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    auto w = newWindow();
    search(*w);
    // Every gateway answers both addresses; each is listed once, numbered without gaps.
    QStringList ips = listedIps(*w);
    ips.sort();
    QCOMPARE(ips, (QStringList{"10.77.0.2", "10.77.0.3", "10.77.0.4"}));
    for (int i = 0; i < w->equipmentList().size(); ++i) {
        QCOMPARE(w->equipmentList()[i]->m_number, QString::number(i + 1));
        QCOMPARE(cellText(*w, i, CEquipment::IpAddress), w->equipmentList()[i]->m_ip);
    }
    QCOMPARE(requestSources(*sim, "10.77.0.2"), (QSet<QString>{"10.77.0.1", "10.77.0.100"}));
    QCOMPARE(table(*w)->rowCount(), 13);
}

void TstSearch::sameIpTwiceFirstWins()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(
        configOf({QJsonObject{{"ip", "10.77.0.2"}, {"name", "First"}},
                  QJsonObject{{"ip", "10.77.0.3"},
                              {"name", "Second"},
                              {"faults", QJsonObject{{"answer_ip", "10.77.0.2"}, {"udp_delay_ms", 100}}}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    auto w = newWindow();
    search(*w);
    QVERIFY(!sim->udpSent("10.77.0.3").isEmpty());
    QCOMPARE(w->equipmentList().size(), 1);
    QCOMPARE(w->equipmentList().first()->m_name, QString("First"));
    QCOMPARE(w->equipmentList().first()->m_number, QString("1"));
    QCOMPARE(cellText(*w, 0, CEquipment::Name), QString("First"));
}

void TstSearch::unknownModelKeepsDeviceButtonsOff()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{{"ip", "10.77.0.2"}, {"model", 130400}},
                                                   QJsonObject{{"ip", "10.77.0.3"}, {"model", 999999}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    auto w = newWindow();
    search(*w);
    QCOMPARE(w->equipmentList().size(), 2);
    int known = -1;
    int other = -1;
    for (int i = 0; i < 2; ++i)
        (w->equipmentList()[i]->m_ip == "10.77.0.2" ? known : other) = i;
    QVERIFY(known >= 0 && other >= 0);
    QCOMPARE(cellText(*w, other, CEquipment::Model), QString("Other equipment"));
    QCOMPARE(cellText(*w, other, CEquipment::Name), QString("Unsupported equipment"));

    QList<QPushButton *> deviceButtons;
    for (const char *name : {"bt_Configure", "bt_Locate", "bt_Remotely_reset", "bt_Save"})
        deviceButtons << w->findChild<QPushButton *>(QLatin1String(name));
    QVERIFY(!deviceButtons.contains(nullptr));
    w->on_tableWidget_cellClicked(known, 0);
    for (QPushButton *b : deviceButtons)
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    QCOMPARE(g_appointIpAddr, QString("10.77.0.2"));

    w->on_tableWidget_cellClicked(other, 0);
    for (QPushButton *b : deviceButtons)
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QCOMPARE(g_appointIpAddr, QString("10.77.0.2"));
    QCOMPARE(w->selectedRow(), other);
}

void TstSearch::strayDatagramEndsSearch()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf(
        {QJsonObject{{"ip", "10.77.0.2"}},
         QJsonObject{{"ip", "10.77.0.3"},
                     {"faults", QJsonObject{{"udp_prefix_hex", "0000000300000000"}, {"udp_delay_ms", 300}}}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    auto w = newWindow();
    const SearchRun run = search(*w);
    // The answer that follows the stray datagram is not read.
    QCOMPARE(listedIps(*w), QStringList{"10.77.0.2"});
    QCOMPARE(cellText(*w, 0, CEquipment::IpAddress), QString("10.77.0.2"));
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
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{{"ip", "10.77.0.2"}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    const QStringList local = localSearchAddresses();
    QCOMPARE(local.size(), 12);
    auto w = newWindow();
    search(*w);
    QCOMPARE(listedIps(*w), QStringList{"10.77.0.2"});
    const QSet<QString> sources = requestSources(*sim, "10.77.0.2");
    QCOMPARE(sources, QSet<QString>(local.cbegin(), local.cbegin() + 10));
    // No address is asked more than seven times.
    QMap<QString, int> perSource;
    for (const QJsonObject &entry : sim->udpReceived("10.77.0.2"))
        ++perSource[entry.value("peer").toString()];
    for (auto it = perSource.cbegin(); it != perSource.cend(); ++it)
        QVERIFY2(it.value() <= 7, qPrintable(it.key()));
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
    LAB_UP(lab, topo);
    QJsonObject gw{{"ip", "10.77.0.2"}};
    if (!gatewayAnswers)
        gw.insert("faults", QJsonObject{{"udp_silent", true}});
    SimProcess *sim = lab.startSimulator(configOf({gw}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    auto w = newWindow();
    const SearchRun run = search(*w);
    QVERIFY2(run.elapsedMs >= minMs && run.elapsedMs < maxMs, qPrintable(QString::number(run.elapsedMs)));
    // The window keeps handling events while the search waits for answers.
    QVERIFY2(run.longestStallMs < 500, qPrintable(QString::number(run.longestStallMs)));
    if (gatewayAnswers) {
        QCOMPARE(listedIps(*w), QStringList{"10.77.0.2"});
    } else {
        QVERIFY(w->equipmentList().isEmpty());
        QCOMPARE(table(*w)->rowCount(), 10);
        QVERIFY(table(*w)->horizontalHeader()->stretchLastSection());
        // Seven requests per address at most, then the deadline.
        QVERIFY(sim->udpReceived("10.77.0.2").size() <= 7);
    }
}

void TstSearch::burstOfAnswersAllListed()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);

    // A thousand answers land on the search socket at once, as from a large plant.
    constexpr int Burst = 1000;
    auto w = newWindow();
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress("10.77.0.1"), 0));
    int sent = 0;
    const SearchRun run = search(*w, [&] {
        const quint16 port = w->searchSocket(0).localPort();
        for (int i = 0; i < Burst; ++i) {
            QByteArray answer = kAnswer;
            answer[38] = char(i / 250);
            answer[39] = char(i % 250 + 1);
            sent += sender.writeDatagram(answer, QHostAddress("10.77.0.1"), port) == answer.size() ? 1 : 0;
        }
    });
    QCOMPARE(sent, Burst);
    QStringList ips = listedIps(*w);
    QCOMPARE(QSet<QString>(ips.cbegin(), ips.cend()).size(), Burst);
    QCOMPARE(table(*w)->rowCount(), Burst + 10);
    QCOMPARE(cellText(*w, Burst - 1, CEquipment::Number), QString::number(Burst));
    // Bounded, with room for filling a thousand rows under the sanitizers.
    QVERIFY2(run.elapsedMs < 8000, qPrintable(QString::number(run.elapsedMs)));
}

QTEST_MAIN(TstSearch)
#include "tst_search.moc"
