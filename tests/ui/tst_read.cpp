// Reading a gateway's configuration from the main window, against simulated gateways on loopback addresses.
#include "app/mainwindow.h"
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
#include <QtTest>

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
};

void TestRead::init()
{
    installConfigure(nullptr);
    g_commMode = 0;
    IDS.clear();
    Mode.clear();
    IsTrue = IsSave = false;
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
    QTest::addColumn<QString>("refreshTo"); // where the request to report itself again goes; empty: the gateway
    QTest::addColumn<QString>("message");
    int row = 0;
    for (const ModelInfo &m : Catalogue::models()) // every other one asks for a password
        QTest::addRow("%d", m.code) << m.code << (row++ % 2 ? QStringLiteral("pw12") : QString()) << "" << "";
    QTest::newRow("refresh request cannot be sent: the window stays") << 130800 << "" << "no.such.gateway"
        << "Failed to Write Data To no.such.gateway:18801,Please confirm whether the IP address is correct.";
}

void TestRead::readsEveryModel()
{
    QFETCH(int, modelCode);
    QFETCH(QString, password);
    QFETCH(QString, refreshTo);
    QFETCH(QString, message);
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), modelCode, password, false, QStringLiteral("1.7")};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, {{"require_auth", true}},
                                               {{"name", "Bench-7"}, {"keepalive", QJsonObject{{"on", false}, {"time", 77}}}})),
             qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    w->show();
    GatewayBench::select(*w, 0);
    if (!refreshTo.isEmpty())
        g_appointIpAddr = refreshTo; // the read still goes to the listed address
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerPassword(m, password); });
    QElapsedTimer clock;
    clock.start();
    w->OnConfigure();
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(answerer.handled(), password.isEmpty() ? 0 : 1);
    QVERIFY(pConfigure && w->isVisible());
    const CAdvance &a = pConfigure->m_advance;
    QCOMPARE(QStringList({QString::number(pConfigure->m_modelCode), pConfigure->m_name, pConfigure->m_ip, a.m_password, Mode,
                          software, IDS}),
             QStringList({QString::number(modelCode), "Bench-7", gateway.ip, password, Catalogue::discoveryName(modelCode),
                          "1.7", GetStr(4190)}));
    QVERIFY(!a.m_keepAlive && a.m_aliveTime == 77);
    QCOMPARE(IsTrue, !password.isEmpty());
    QVERIFY(w->findChild<QPushButton *>(QStringLiteral("bt_Save"))->isEnabled());
    QCOMPARE(GatewayBench::editors().size(), 1);
    QCOMPARE(GatewayBench::editors().first()->windowTitle(), IDS);
    // The read asked for the block and the keep-alive settings, closed its connection and had the gateway report
    // itself again, directly.
    QCOMPARE(GatewayBench::commands(sim, gateway.ip), password.isEmpty() ? (QList<int>{5, 13}) : (QList<int>{7, 5, 13}));
    QVERIFY(GatewayBench::allClosed(sim, gateway.ip));
    QVERIFY(!g_Server().isOpen());
    QCOMPARE(sim.waitForLog([&](const QList<QJsonObject> &) {
        const QList<QJsonObject> got = sim.udpReceived(gateway.ip);
        return !got.isEmpty() && got.last().value("via").toString() == "unicast";
    }, refreshTo.isEmpty() ? 3000 : 300), refreshTo.isEmpty());
}

void TestRead::failureKeepsTheWorkingConfiguration_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("password"); // the gateway's; also typed, "-" cancels the dialog
    QTest::addColumn<int>("listed"); // 0 as found, 1 with remote configuration prohibited, 2 as other equipment
    QTest::addColumn<QString>("message"); // the one shown, if any
    QTest::addColumn<int>("boundMs");
    const QJsonObject none;
    QTest::newRow("connection refused") << QJsonObject{{"tcp_refuse", true}} << "" << 0 << GetStr(4018) << 3000;
    QTest::newRow("block with a wrong header") << QJsonObject{{"read_bad_header", true}} << "" << 0 << GetStr(4020) << 3000;
    QTest::newRow("block cut short, connection kept: time-out, silent") << QJsonObject{{"read_truncate", 600}} << "" << 0
                                                                        << "" << 4500;
    QTest::newRow("block dripping slower than the reads")
        << QJsonObject{{"read_drip", QJsonObject{{"piece", 1}, {"gap_ms", 100}}}} << "" << 0 << GetStr(4020) << 6000;
    QTest::newRow("connection dropped midway") << QJsonObject{{"drop_midway", true}} << "" << 0 << GetStr(4021) << 3000;
    QTest::newRow("read never answered: silent") << QJsonObject{{"read_silent", true}} << "" << 0 << "" << 4500;
    QTest::newRow("keep-alive with a wrong header") << QJsonObject{{"keepalive_bad_header", true}} << "" << 0 << GetStr(4022)
                                                    << 3000;
    QTest::newRow("keep-alive never answered: silent") << QJsonObject{{"keepalive_silent", true}} << "" << 0 << "" << 4500;
    QTest::newRow("password rejected") << QJsonObject{{"pw_reject", true}} << "pw12" << 0 << GetStr(4014) << 3000;
    QTest::newRow("password dialog cancelled") << none << "-" << 0 << "" << 3000;
    QTest::newRow("remote configuration prohibited") << none << "" << 1 << GetStr(4017) << 1000;
    QTest::newRow("other equipment is not read") << none << "" << 2 << "" << 1000;
}

void TestRead::failureKeepsTheWorkingConfiguration()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QString, password);
    QFETCH(int, listed);
    QFETCH(QString, message);
    QFETCH(int, boundMs);
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), 30203, password == "-" ? QStringLiteral("pw12") : password,
                          listed == 1};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, faults)), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    if (listed == 2) {
        w->equipmentList().first()->m_model = GetStr(8000);
        w->fillTable();
    }
    GatewayBench::select(*w, 0);
    auto *working = new CConfigure;
    working->m_modelCode = 130200;
    working->m_name = QStringLiteral("Working copy");
    working->m_idMaps << new CIDMap << new CIDMap;
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
    QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(pConfigure, working);
    QVERIFY(pConfigure->m_name == "Working copy" && pConfigure->m_idMaps.size() == 2 && pConfigure->m_modelCode == 130200);
    QCOMPARE(g_commMode, 3);
    QCOMPARE(Mode, QStringLiteral("HW-P02"));
    QVERIFY(GatewayBench::editors().isEmpty());
    QVERIFY(GatewayBench::allClosed(sim, gateway.ip));
    QVERIFY(!g_Server().isOpen());
    if (listed == 2)
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", gateway.ip).isEmpty(); }, 300));
}

QTEST_MAIN(TestRead)
#include "tst_read.moc"
