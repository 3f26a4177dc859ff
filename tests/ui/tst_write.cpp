// Writing the configuration from the editor to simulated gateways on
// loopback addresses: what arrives, what each failure shows, and what stays.
#include "app/mainwindow.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QCursor>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QtTest>

using GatewayBench::Gateway;

class TestWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void readThenWriteKeepsTheGatewaysBytes_data();
    void readThenWriteKeepsTheGatewaysBytes();
    void eachWay_data();
    void eachWay();
    void restartOnlyWhenAsked_data();
    void restartOnlyWhenAsked();
    void firmwareLimitOfHwP04_data();
    void firmwareLimitOfHwP04();
    void buildersStayInsideTheirBuffer_data();
    void buildersStayInsideTheirBuffer();
    void waitCursorOnlyWhileBlocking();
    void okChoiceReachesTheWriter_data();
    void okChoiceReachesTheWriter();
};

namespace {

const QString kHwP04Warning = QStringLiteral(
    "HW-P04 V2.0版本以下只可下载4条ID映射指令,多余的ID映射指令将不会下载到网关中");

// A configuration that any gateway accepts as it is.
CConfigure *plain(int modelCode, int idMaps = 1)
{
    auto *c = new CConfigure;
    c->m_modelCode = modelCode;
    c->m_name = QStringLiteral("Line-3");
    c->m_ip = QStringLiteral("192.168.3.10");
    c->m_mask = QStringLiteral("255.255.255.0");
    c->m_gateway = QStringLiteral("192.168.3.1");
    c->m_dns1 = QStringLiteral("0.0.0.0");
    c->m_dns2 = QStringLiteral("0.0.0.0");
    for (CSerialPort &p : c->m_serial) {
        p.m_baudRate = 3;
        p.m_dataBits = 8;
        p.m_charInterval = 10;
        p.m_respTimeout = 500;
    }
    for (int k = 0; k < idMaps; ++k) {
        auto *m = new CIDMap;
        m->m_ip = QStringLiteral("10.0.0.%1").arg(k + 1);
        m->m_port = QStringLiteral("502");
        m->m_idMin = 1;
        m->m_idMax = 5;
        c->m_idMaps << m;
    }
    c->m_advance.m_highPort = QStringLiteral("502");
    return c;
}

Config *openEditor()
{
    auto *editor = new Config(nullptr);
    editor->show();
    return editor;
}

QList<int> commandsReceived(const SimProcess &sim, const QString &ip)
{
    QList<int> commands;
    for (const QJsonObject &frame : sim.tcpFrames(ip))
        commands << frame.value("cmd").toInt();
    return commands;
}

QByteArray lastSentWithCommand(const SimProcess &sim, const QString &ip, int command)
{
    QByteArray found;
    for (const QJsonObject &frame : sim.tcpFrames(ip, QStringLiteral("send"))) {
        if (frame.value("cmd").toInt() == command)
            found = SimProcess::hex(frame);
    }
    return found;
}

bool allClosed(const SimProcess &sim, const QString &ip)
{
    return sim.waitForLog(
        [&](const QList<QJsonObject> &) { return sim.events("close", ip).size() == sim.events("connect", ip).size(); },
        3000);
}

// Reads the selected gateway into a fresh editor and writes it straight back.
bool readAndWriteBack(MainWindow &w, MessageSpy &spy)
{
    w.OnConfigure();
    const QList<Config *> open = GatewayBench::editors();
    if (open.size() != 1)
        return false;
    QPointer<Config> editor(open.first());
    spy.clear();
    editor->Download();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return editor.isNull() && spy.texts() == QStringList{GetStr(15005)};
}

} // namespace

void TestWrite::init()
{
    installConfigure(nullptr);
    g_commMode = 0;
    IsTrue = false;
    IsSave = false;
    IDS.clear();
    Password.clear();
    software = QStringLiteral("2.1");
}

void TestWrite::cleanup()
{
    GatewayBench::closeEditors();
    g_Server().abort();
    installConfigure(nullptr);
    QVERIFY(!QApplication::overrideCursor());
}

void TestWrite::readThenWriteKeepsTheGatewaysBytes_data()
{
    QTest::addColumn<int>("modelCode");
    for (const ModelInfo &m : Catalogue::models())
        QTest::addRow("%d", m.code) << m.code;
}

void TestWrite::readThenWriteKeepsTheGatewaysBytes()
{
    QFETCH(int, modelCode);
    const Gateway gateway(SimProcess::uniqueLoopbackIp(), modelCode);
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, {}, {{"keepalive", QJsonObject{{"on", true}, {"time", 120}}}})),
             qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    MessageSpy spy;

    // First round: the simulator's own block, as the tool reads and writes it.
    QVERIFY(readAndWriteBack(*w, spy));
    const QByteArray generated = lastSentWithCommand(sim, gateway.ip, 5);
    const QByteArray first = sim.heldBlock(gateway.ip);
    QCOMPARE(first.left(4).toHex(), QByteArray("00000006"));
    if (Catalogue::layout(modelCode) == BlockLayout::Fixed) {
        QCOMPARE(first.size(), 1216);
        QCOMPARE(first.mid(4, 4).toHex(), QByteArray("000004b8"));
    } else {
        // Every value of the generated packed block lies inside the read's ranges.
        QCOMPARE(first.mid(4).toHex(), generated.mid(4).toHex());
    }
    // The keep-alive settings go back as they came.
    const QByteArray keepAliveRead = lastSentWithCommand(sim, gateway.ip, 13);
    QByteArray keepAliveWritten;
    for (const QByteArray &frame : sim.tcpBytes(gateway.ip)) {
        if (frame.startsWith(QByteArray::fromHex("0000000e")))
            keepAliveWritten = frame;
    }
    QCOMPARE(keepAliveWritten.mid(8).toHex(), keepAliveRead.mid(8).toHex());

    // Second round: what the gateway now holds comes back byte for byte.
    QVERIFY(readAndWriteBack(*w, spy));
    QCOMPARE(sim.heldBlock(gateway.ip).toHex(), first.toHex());
    QVERIFY(allClosed(sim, gateway.ip));
}

void TestWrite::eachWay_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("gatewayPassword");
    QTest::addColumn<QString>("ids"); // the configuration's origin
    QTest::addColumn<QString>("kept"); // the password kept from the read
    QTest::addColumn<QString>("typed"); // into the password dialog; "-" closes it
    QTest::addColumn<QString>("address"); // the configuration's own IP address
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<int>>("commands"); // as the gateway received them
    QTest::addColumn<int>("boundMs");

    const QString read = GetStr(4190);
    const QString file = QStringLiteral("plant.inf");
    const QString ok = QStringLiteral("192.168.3.10");
    const QStringList success{GetStr(15005)};
    const QList<int> written{6, 14};
    const QList<int> nothing;
    QTest::newRow("no password") << QJsonObject{} << "" << file << "" << "" << ok << success << written << 3000;
    QTest::newRow("kept password accepted")
        << QJsonObject{{"require_auth", true}} << "pw12" << read << "pw12" << "" << ok << success
        << QList<int>{7, 6, 14} << 3000;
    QTest::newRow("kept password changed on the gateway")
        << QJsonObject{} << "pw12" << read << "old1" << "" << ok << QStringList{GetStr(4314)} << QList<int>{7} << 3000;
    QTest::newRow("kept password never answered")
        << QJsonObject{{"pw_silent", true}} << "pw12" << read << "pw12" << "" << ok << QStringList{GetStr(4314)}
        << QList<int>{7} << 4500;
    QTest::newRow("typed password accepted") << QJsonObject{} << "pw12" << file << "" << "pw12" << ok << success
                                             << QList<int>{7, 6, 14} << 3000;
    QTest::newRow("typed password rejected") << QJsonObject{} << "pw12" << file << "" << "nope" << ok
                                             << QStringList{GetStr(4014)} << QList<int>{7} << 3000;
    QTest::newRow("password dialog closed") << QJsonObject{} << "pw12" << file << "" << "-" << ok << QStringList{}
                                            << nothing << 3000;
    QTest::newRow("dropped connection: gateway wants the password on the write's own connection")
        << QJsonObject{{"require_auth", true}} << "pw12" << file << "" << "pw12" << ok << QStringList{GetStr(5046)}
        << QList<int>{7, 6} << 3000;
    QTest::newRow("connection refused") << QJsonObject{{"tcp_refuse", true}} << "" << file << "" << "" << ok
                                        << QStringList{GetStr(7001)} << nothing << 3000;
    QTest::newRow("all-ones address: nothing sent") << QJsonObject{} << "" << file << "" << "" << "255.255.255.255"
                                                    << QStringList{GetStr(5045)} << nothing << 3000;
    QTest::newRow("block answered with code 5: no keep-alive frame")
        << QJsonObject{{"write_answer_code5", true}} << "" << file << "" << "" << ok << QStringList{GetStr(5047)}
        << QList<int>{6} << 3000;
    QTest::newRow("block never answered") << QJsonObject{{"write_silent", true}} << "" << file << "" << "" << ok
                                          << QStringList{GetStr(5046)} << QList<int>{6} << 4500;
    QTest::newRow("keep-alive answered with a wrong header")
        << QJsonObject{{"keepalive_write_bad", true}} << "" << file << "" << "" << ok << QStringList{GetStr(5050)}
        << written << 3000;
}

void TestWrite::eachWay()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QString, gatewayPassword);
    QFETCH(QString, ids);
    QFETCH(QString, kept);
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QFETCH(QStringList, messages);
    QFETCH(QList<int>, commands);
    QFETCH(int, boundMs);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130400, gatewayPassword), faults)), qPrintable(sim.errorText()));
    CConfigure *configure = plain(130400);
    configure->m_ip = address;
    installConfigure(configure);
    g_appointIpAddr = ip;
    IsTrue = !gatewayPassword.isEmpty();
    IDS = ids;
    Password = kept;
    QPointer<Config> editor(openEditor());
    IsSave = true;
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer(
        [&](QWidget *m) { return GatewayBench::answerPassword(m, typed == "-" ? QString() : typed); });

    QElapsedTimer clock;
    clock.start();
    editor->Download();
    const qint64 elapsed = clock.elapsed();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY2(elapsed < boundMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(spy.texts(), messages);
    QCOMPARE(answerer.handled(), typed.isEmpty() ? 0 : 1);
    QVERIFY(!IsSave);
    QVERIFY(!QApplication::overrideCursor());
    const bool succeeded = messages == QStringList{GetStr(15005)};
    // A successful write closes the editor; after a failure the user can try again.
    QCOMPARE(editor.isNull(), succeeded);
    if (editor)
        QCOMPARE(editor->m_socket.state(), QAbstractSocket::UnconnectedState);
    // Only a password the gateway rejected leaves the dialog's connection open.
    QCOMPARE(g_Server().isOpen(), messages == QStringList{GetStr(4014)});
    g_Server().abort();
    QVERIFY(allClosed(sim, ip));
    QCOMPARE(commandsReceived(sim, ip), commands);
    QCOMPARE(pConfigure, configure);
    if (succeeded)
        QCOMPARE(sim.heldBlock(ip).mid(12, 6), QByteArray("Line-3"));
}

void TestWrite::restartOnlyWhenAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("restarted");
    QTest::newRow("OK restarts the gateway") << int(QMessageBox::Ok) << true;
    QTest::newRow("Cancel leaves it running") << int(QMessageBox::Cancel) << false;
}

void TestWrite::restartOnlyWhenAsked()
{
    QFETCH(int, answer);
    QFETCH(bool, restarted);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 30203))), qPrintable(sim.errorText()));
    installConfigure(plain(30203));
    g_appointIpAddr = ip;
    QPointer<Config> editor(openEditor());
    MessageSpy spy;
    spy.answerNext(QMessageBox::StandardButton(answer));

    editor->Download();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(spy.shown().size(), 1);
    QCOMPARE(spy.shown().first().title, GetStr(15001));
    QCOMPARE(spy.shown().first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QVERIFY(editor.isNull());
    const auto restart = [&](const QList<QJsonObject> &) { return !sim.events("restart", ip).isEmpty(); };
    QCOMPARE(sim.waitForLog(restart, restarted ? 3000 : 300), restarted);
    if (restarted)
        QVERIFY(sim.events("restart", ip).first().value("signature_ok").toBool());
    QVERIFY(allClosed(sim, ip));
}

void TestWrite::firmwareLimitOfHwP04_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<int>("idMaps");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("sent");
    QTest::newRow("firmware 1.1, six mappings: four go out") << "1.1" << 6 << true << 4;
    QTest::newRow("firmware 1.1, four mappings: no warning") << "1.1" << 4 << false << 4;
    QTest::newRow("firmware 2.0, six mappings: all go out") << "2.0" << 6 << false << 6;
}

void TestWrite::firmwareLimitOfHwP04()
{
    QFETCH(QString, firmware);
    QFETCH(int, idMaps);
    QFETCH(bool, warned);
    QFETCH(int, sent);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130400))), qPrintable(sim.errorText()));
    installConfigure(plain(130400, idMaps));
    g_appointIpAddr = ip;
    software = firmware;
    QPointer<Config> editor(openEditor());
    MessageSpy spy;

    editor->Download();

    QStringList expected{GetStr(15005)};
    if (warned)
        expected.prepend(kHwP04Warning);
    QCOMPARE(spy.texts(), expected);
    const QByteArray held = sim.heldBlock(ip);
    const int p1 = 56 + 8 * 4;
    QCOMPARE(held.mid(p1, 4).toHex().toInt(nullptr, 16), sent);
    QCOMPARE(held.size(), 168 + 20 * 4 + 16 * sent);
    // The configuration keeps all its mappings.
    QCOMPARE(pConfigure->m_idMaps.size(), idMaps);
}

void TestWrite::buildersStayInsideTheirBuffer_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<int>("entries"); // in each of the three lists
    QTest::addColumn<int>("result");
    QTest::newRow("16 ports, 4 of each: last byte index") << 131600 << 4 << 168 + 320 + 64 + 32 + 16 - 1;
    QTest::newRow("16 ports, 36 of each: longer than a block") << 131600 << 36 << -9;
    QTest::newRow("4 ports, 36 of each: longer than a block") << 130400 << 36 << -9;
    QTest::newRow("fixed layout, 40 of each: cut to 36") << 30203 << 40 << 1216;
}

void TestWrite::buildersStayInsideTheirBuffer()
{
    QFETCH(int, modelCode);
    QFETCH(int, entries);
    QFETCH(int, result);
    CConfigure *c = plain(modelCode, entries);
    for (int k = 0; k < entries; ++k) {
        auto *m = new CSpecifiedMaster;
        m->m_ip = QStringLiteral("10.1.0.%1").arg(k + 1);
        c->m_masters << m;
        auto *r = new CSpecifiedRequest;
        r->m_slaveId = QStringLiteral("1");
        r->m_functionCode = QStringLiteral("3");
        c->m_requests << r;
    }
    installConfigure(c);
    QPointer<Config> editor(openEditor());
    // The buffer the writer is given, followed by bytes it must never touch.
    QByteArray buffer(1216 + 64, '\x5a');

    const bool fixed = Catalogue::layout(modelCode) == BlockLayout::Fixed;
    QCOMPARE(fixed ? editor->SendPark(buffer.data()) : editor->SendPark1(buffer.data()), result);
    QCOMPARE(buffer.mid(1216), QByteArray(64, '\x5a'));
    if (result < 0)
        QCOMPARE(buffer.left(1216), QByteArray(1216, '\x5a'));
}

void TestWrite::waitCursorOnlyWhileBlocking()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130200))), qPrintable(sim.errorText()));
    installConfigure(plain(130200));
    g_appointIpAddr = ip;
    QPointer<Config> editor(openEditor());
    // The blocking waits report progress through the socket's own signals.
    QList<int> whileBlocking;
    QObject::connect(&editor->m_socket, &QTcpSocket::bytesWritten, [&] {
        const QCursor *cursor = QApplication::overrideCursor();
        whileBlocking << (cursor ? int(cursor->shape()) : -1);
    });
    QList<int> atMessages;
    Msg::setResponder([&](const Msg::Shown &) {
        const QCursor *cursor = QApplication::overrideCursor();
        atMessages << (cursor ? int(cursor->shape()) : -1);
        return QMessageBox::Cancel;
    });

    editor->Download();
    Msg::setResponder({});

    QCOMPARE(whileBlocking, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(atMessages, QList<int>{-1});
    QVERIFY(!QApplication::overrideCursor());
}

void TestWrite::okChoiceReachesTheWriter_data()
{
    QTest::addColumn<int>("dhcpAnswer");
    QTest::addColumn<bool>("written");
    QTest::newRow("DHCP kept: written") << int(QMessageBox::Yes) << true;
    QTest::newRow("DHCP question answered No: nothing written") << int(QMessageBox::No) << false;
}

void TestWrite::okChoiceReachesTheWriter()
{
    QFETCH(int, dhcpAnswer);
    QFETCH(bool, written);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130800))), qPrintable(sim.errorText()));
    CConfigure *configure = plain(130800);
    configure->m_ipMode = 1;
    installConfigure(configure);
    g_appointIpAddr = ip;
    m_clickList1Item2 = 0;
    QPointer<Config> editor(openEditor());
    MessageSpy spy;
    spy.answerNext(QMessageBox::StandardButton(dhcpAnswer));

    editor->on_bt_ok_clicked();
    QPointer<Dialog_Load> choice;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *load = qobject_cast<Dialog_Load *>(top); load && load->isVisible())
            choice = load;
    }
    QVERIFY(choice);
    choice->findChild<QRadioButton *>(QStringLiteral("rd2"))->setChecked(true);
    choice->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QStringList expected{GetStr(9009)};
    if (written)
        expected << QStringLiteral("It has been configured to DHCP. When DHCP cannot obtain an IP address, the gateway "
                                   "IP address will be fixed to 192.168.0.10.")
                 << GetStr(15005);
    QCOMPARE(spy.texts(), expected);
    QCOMPARE(sim.heldBlock(ip).isEmpty(), !written);
    QCOMPARE(editor.isNull(), written);
    QCOMPARE(choice.isNull() || !choice->isVisible(), written);
    if (choice)
        choice->close();
    m_clickList1Item2 = -1;
}

QTEST_MAIN(TestWrite)
#include "tst_write.moc"
