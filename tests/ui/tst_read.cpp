// Reading a gateway's configuration from the main window, against simulated
// gateways on loopback addresses.
#include "app/mainwindow.h"
#include "config/blockformat.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "editor/config.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>

#include <array>

using GatewayBench::Gateway;

class TestRead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void readsEveryModel_data();
    void readsEveryModel();
    void failureKeepsTheWorkingConfiguration_data();
    void failureKeepsTheWorkingConfiguration();
    void failedRefreshKeepsTheWindow();
    void otherEquipmentIsNotRead();
    void pointerFormsOfTheParsers_data();
    void pointerFormsOfTheParsers();
};

namespace {

CConfigure *workingCopy()
{
    auto *c = new CConfigure;
    c->m_modelCode = 130200;
    c->m_name = QStringLiteral("Working copy");
    c->m_idMaps << new CIDMap << new CIDMap;
    return c;
}

// Every connection the simulator accepted has been closed again.
bool allClosed(const SimProcess &sim, const QString &ip)
{
    return sim.waitForLog(
        [&](const QList<QJsonObject> &) { return sim.events("close", ip).size() == sim.events("connect", ip).size(); },
        3000);
}

} // namespace

void TestRead::init()
{
    installConfigure(nullptr);
    g_commMode = 0;
    IDS.clear();
    Mode.clear();
    IsTrue = false;
    IsSave = false;
    g_appointIpAddr.clear();
}

void TestRead::cleanup()
{
    GatewayBench::closeEditors();
    g_Server().abort();
    installConfigure(nullptr);
    QVERIFY(!QApplication::overrideCursor());
}

void TestRead::readsEveryModel_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QString>("password");
    for (const ModelInfo &m : Catalogue::models()) {
        QTest::addRow("%d without password", m.code) << m.code << QString();
        QTest::addRow("%d with password", m.code) << m.code << QStringLiteral("pw12");
    }
}

void TestRead::readsEveryModel()
{
    QFETCH(int, modelCode);
    QFETCH(QString, password);
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), modelCode, password, false, QStringLiteral("1.7")};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, {{"require_auth", true}},
                                               {{"name", "Bench-7"}, {"keepalive", QJsonObject{{"on", false}, {"time", 77}}}})),
             qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerPassword(m, password); });

    QElapsedTimer clock;
    clock.start();
    w->OnConfigure();

    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(answerer.handled(), password.isEmpty() ? 0 : 1);
    QVERIFY(pConfigure);
    QCOMPARE(pConfigure->m_modelCode, modelCode);
    QCOMPARE(pConfigure->m_name, QStringLiteral("Bench-7"));
    QCOMPARE(pConfigure->m_ip, gateway.ip);
    QCOMPARE(pConfigure->m_advance.m_password, password);
    QCOMPARE(pConfigure->m_advance.m_keepAlive, false);
    QCOMPARE(pConfigure->m_advance.m_aliveTime, uint64_t(77));
    const bool fixed = Catalogue::layout(modelCode) == BlockLayout::Fixed;
    QCOMPARE(pConfigure->m_idMaps.size(), fixed ? 3 : 2);
    QCOMPARE(pConfigure->m_masters.size(), fixed ? 2 : 1);
    QCOMPARE(IsTrue, !password.isEmpty());
    QCOMPARE(IDS, GetStr(4190));
    QCOMPARE(Mode, Catalogue::discoveryName(modelCode));
    QCOMPARE(software, QStringLiteral("1.7"));
    QVERIFY(w->findChild<QPushButton *>(QStringLiteral("bt_Save"))->isEnabled());

    const QList<Config *> open = GatewayBench::editors();
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.first()->windowTitle(), GetStr(4190));
    // The read asked for the block and the keep-alive settings, and closed its connection.
    QList<int> commands;
    for (const QJsonObject &frame : sim.tcpFrames(gateway.ip))
        commands << frame.value("cmd").toInt();
    QCOMPARE(commands, password.isEmpty() ? (QList<int>{5, 13}) : (QList<int>{7, 5, 13}));
    QVERIFY(allClosed(sim, gateway.ip));
    QVERIFY(!g_Server().isOpen());
    // The gateway was asked to report itself again, directly.
    QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) {
        const QList<QJsonObject> got = sim.udpReceived(gateway.ip);
        return !got.isEmpty() && got.last().value("via").toString() == "unicast";
    }));
}

void TestRead::failureKeepsTheWorkingConfiguration_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("password"); // the gateway's; also typed, "-" cancels the dialog
    QTest::addColumn<bool>("prohibited");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("boundMs");
    const QStringList none;
    const QString readFailed = GetStr(4020);
    QTest::newRow("connection refused") << QJsonObject{{"tcp_refuse", true}} << "" << false << QStringList{GetStr(4018)} << 3000;
    QTest::newRow("block with a wrong header") << QJsonObject{{"read_bad_header", true}} << "" << false
                                               << QStringList{readFailed} << 3000;
    QTest::newRow("block cut short, connection kept: time-out, silent")
        << QJsonObject{{"read_truncate", 600}} << "" << false << none << 4500;
    QTest::newRow("block dripping slower than the reads")
        << QJsonObject{{"read_drip", QJsonObject{{"piece", 1}, {"gap_ms", 100}}}} << "" << false
        << QStringList{readFailed} << 6000;
    QTest::newRow("connection dropped midway") << QJsonObject{{"drop_midway", true}} << "" << false
                                               << QStringList{GetStr(4021)} << 3000;
    QTest::newRow("read never answered: silent") << QJsonObject{{"read_silent", true}} << "" << false << none << 4500;
    QTest::newRow("keep-alive with a wrong header") << QJsonObject{{"keepalive_bad_header", true}} << "" << false
                                                    << QStringList{GetStr(4022)} << 3000;
    QTest::newRow("keep-alive never answered: silent") << QJsonObject{{"keepalive_silent", true}} << "" << false << none
                                                       << 4500;
    QTest::newRow("password rejected") << QJsonObject{{"pw_reject", true}} << "pw12" << false
                                       << QStringList{GetStr(4014)} << 3000;
    QTest::newRow("password dialog cancelled") << QJsonObject{} << "-" << false << none << 3000;
    QTest::newRow("remote configuration prohibited") << QJsonObject{} << "" << true << QStringList{GetStr(4017)} << 1000;
}

void TestRead::failureKeepsTheWorkingConfiguration()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QString, password);
    QFETCH(bool, prohibited);
    QFETCH(QStringList, messages);
    QFETCH(int, boundMs);
    const QString gatewayPassword = password == "-" ? QStringLiteral("pw12") : password;
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), 30203, gatewayPassword, prohibited};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, faults)), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    CConfigure *working = workingCopy();
    installConfigure(working);
    g_commMode = 3;
    Mode = QStringLiteral("HW-P02");
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer(
        [&](QWidget *m) { return GatewayBench::answerPassword(m, password == "-" ? QString() : password); });

    QElapsedTimer clock;
    clock.start();
    w->OnConfigure();

    QVERIFY2(clock.elapsed() < boundMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(spy.texts(), messages);
    QCOMPARE(pConfigure, working);
    QCOMPARE(pConfigure->m_name, QStringLiteral("Working copy"));
    QCOMPARE(pConfigure->m_idMaps.size(), 2);
    QCOMPARE(g_commMode, 3);
    QCOMPARE(Mode, QStringLiteral("HW-P02"));
    QVERIFY(GatewayBench::editors().isEmpty());
    QVERIFY(allClosed(sim, gateway.ip));
    QVERIFY(!g_Server().isOpen());
    QVERIFY(!QApplication::overrideCursor());
}

void TestRead::failedRefreshKeepsTheWindow()
{
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), 130800};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway)), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    w->show();
    GatewayBench::select(*w, 0);
    // The read goes to the listed address; the refresh request to this one cannot be sent.
    g_appointIpAddr = QStringLiteral("no.such.gateway");
    MessageSpy spy;

    w->OnConfigure();

    QCOMPARE(spy.texts(), QStringList{QStringLiteral("Failed to Write Data To no.such.gateway:18801,Please confirm "
                                                     "whether the IP address is correct.")});
    QVERIFY(w->isVisible());
    QCOMPARE(GatewayBench::editors().size(), 1);
    QVERIFY(pConfigure && pConfigure->m_modelCode == 130800);
}

void TestRead::otherEquipmentIsNotRead()
{
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), 0};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway)), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    w->equipmentList().first()->m_model = GetStr(8000);
    w->fillTable();
    GatewayBench::select(*w, 0);
    MessageSpy spy;

    w->OnConfigure();

    QVERIFY(spy.shown().isEmpty());
    QVERIFY(!pConfigure);
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", gateway.ip).isEmpty(); },
                            300));
}

void TestRead::pointerFormsOfTheParsers_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QByteArray>("start"); // first bytes of a zeroed Block::MaxSize buffer
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("commMode"); // after the parse; 9 means unchanged
    QTest::newRow("fixed block") << 30203 << QByteArray::fromHex("00000005000004b8000000020000") << 1216 << 2;
    QTest::newRow("fixed layout, not a command-5 header") << 30203 << QByteArray::fromHex("00000006000004b800000002") << -1
                                                          << 9;
    // 4 ports, no entries: 168 + 20 x 4 bytes.
    QTest::newRow("packed block, empty lists") << 130400 << QByteArray::fromHex("00000005000000f000000001") << 248 << 1;
    QTest::newRow("packed layout, not a command-5 header") << 130400 << QByteArray::fromHex("00000105000000f000000001")
                                                           << -1 << 9;
}

void TestRead::pointerFormsOfTheParsers()
{
    QFETCH(int, modelCode);
    QFETCH(QByteArray, start);
    QFETCH(int, length);
    QFETCH(int, commMode);
    auto *c = new CConfigure;
    c->m_modelCode = modelCode;
    c->m_name = QStringLiteral("kept");
    installConfigure(c);
    g_commMode = 9;
    std::array<unsigned char, Block::MaxSize> buffer{};
    std::copy(start.begin(), start.end(), buffer.begin());
    auto w = GatewayBench::window({});

    const bool fixed = Catalogue::layout(modelCode) == BlockLayout::Fixed;
    QCOMPARE(fixed ? w->RecvPack(buffer.data()) : w->RecvPack1(buffer.data()), length);
    QCOMPARE(g_commMode, commMode);
    QCOMPARE(pConfigure->m_name, length < 0 ? QStringLiteral("kept") : QString());
}

QTEST_MAIN(TestRead)
#include "tst_read.moc"
