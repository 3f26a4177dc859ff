// Writing the configuration from the editor to simulated gateways on loopback addresses: what arrives, what each
// failure shows, and what stays.
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
    void buildersStayInsideTheirBuffer_data();
    void buildersStayInsideTheirBuffer();
    void waitCursorAndFirmwareLimit();
    void okChoiceReachesTheWriter();
};

namespace {

// A configuration that any gateway accepts as it is.
CConfigure *plain(int modelCode, int idMaps = 1)
{
    auto *c = new CConfigure;
    c->m_modelCode = modelCode;
    static_cast<CEthernet &>(*c) = {"Line-3", 0, "192.168.3.10", "255.255.255.0", "192.168.3.1", "0.0.0.0", "0.0.0.0"};
    c->m_serial.fill({3, 0, 0, 8, 10, 500, 0});
    for (int k = 0; k < idMaps; ++k)
        c->m_idMaps << new CIDMap{QStringLiteral("10.0.0.%1").arg(k + 1), "502", 0, 1, 5, false, 0};
    c->m_advance.m_highPort = QStringLiteral("502");
    return c;
}

Config *openEditor()
{
    auto *editor = new Config(nullptr);
    editor->show();
    return editor;
}

// The last frame of this command the simulator sent ("send") or received ("recv").
QByteArray lastFrame(const SimProcess &sim, const QString &ip, int command, const QString &dir)
{
    QByteArray found;
    for (const QJsonObject &frame : sim.tcpFrames(ip, dir)) {
        if (frame.value("cmd").toInt() == command)
            found = SimProcess::hex(frame);
    }
    return found;
}

// Reads the selected gateway into a fresh editor and writes it straight back, restarting it.
bool readAndWriteBack(MainWindow &w, MessageSpy &spy)
{
    w.OnConfigure();
    const QList<Config *> open = GatewayBench::editors();
    if (open.size() != 1)
        return false;
    QPointer<Config> editor(open.first());
    spy.clear();
    spy.answerNext(QMessageBox::Ok);
    editor->Download();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return editor.isNull() && spy.texts() == QStringList{GetStr(15005)};
}

} // namespace

void TestWrite::init()
{
    installConfigure(nullptr);
    g_commMode = 0;
    IsTrue = IsSave = false;
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

    // First round: the simulator's own block, as the tool reads and writes it; asked, the gateway restarts.
    QVERIFY(readAndWriteBack(*w, spy));
    QCOMPARE(spy.shown().first().title, GetStr(15001));
    QCOMPARE(spy.shown().first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("restart", gateway.ip).isEmpty(); }));
    QVERIFY(sim.events("restart", gateway.ip).first().value("signature_ok").toBool());
    const QByteArray generated = lastFrame(sim, gateway.ip, 5, "send");
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
    QCOMPARE(lastFrame(sim, gateway.ip, 14, "recv").mid(8).toHex(), lastFrame(sim, gateway.ip, 13, "send").mid(8).toHex());

    // Second round: what the gateway now holds comes back byte for byte.
    QVERIFY(readAndWriteBack(*w, spy));
    QCOMPARE(sim.heldBlock(gateway.ip).toHex(), first.toHex());
    QVERIFY(GatewayBench::allClosed(sim, gateway.ip));
}

void TestWrite::eachWay_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("gatewayPassword");
    QTest::addColumn<QString>("kept"); // the password kept from a read; empty: the configuration came from a file
    QTest::addColumn<QString>("typed"); // into the password dialog; "-" closes it
    QTest::addColumn<QString>("address"); // the configuration's own IP address
    QTest::addColumn<QString>("message");
    QTest::addColumn<QList<int>>("commands"); // as the gateway received them
    QTest::addColumn<int>("boundMs");
    const QString ok = QStringLiteral("192.168.3.10"), success = GetStr(15005);
    const QJsonObject none, auth{{"require_auth", true}};
    const QList<int> written{6, 14}, authorised{7, 6, 14}, asked{7};
    QTest::newRow("no password") << none << "" << "" << "" << ok << success << written << 3000;
    QTest::newRow("kept password accepted") << auth << "pw12" << "pw12" << "" << ok << success << authorised << 3000;
    QTest::newRow("kept password changed on the gateway") << none << "pw12" << "old1" << "" << ok << GetStr(4314) << asked
                                                          << 3000;
    QTest::newRow("kept password never answered") << QJsonObject{{"pw_silent", true}} << "pw12" << "pw12" << "" << ok
                                                  << GetStr(4314) << asked << 4500;
    QTest::newRow("typed password accepted") << none << "pw12" << "" << "pw12" << ok << success << authorised << 3000;
    QTest::newRow("typed password rejected") << none << "pw12" << "" << "nope" << ok << GetStr(4014) << asked << 3000;
    QTest::newRow("password dialog closed") << none << "pw12" << "" << "-" << ok << "" << QList<int>() << 3000;
    QTest::newRow("dropped connection: gateway wants the password on the write's own connection")
        << auth << "pw12" << "" << "pw12" << ok << GetStr(5046) << QList<int>{7, 6} << 3000;
    QTest::newRow("connection refused") << QJsonObject{{"tcp_refuse", true}} << "" << "" << "" << ok << GetStr(7001)
                                        << QList<int>() << 3000;
    QTest::newRow("all-ones address: nothing sent") << none << "" << "" << "" << "255.255.255.255" << GetStr(5045)
                                                    << QList<int>() << 3000;
    QTest::newRow("block answered with code 5: no keep-alive frame") << QJsonObject{{"write_answer_code5", true}} << "" << ""
                                                                     << "" << ok << GetStr(5047) << QList<int>{6} << 3000;
    QTest::newRow("block never answered") << QJsonObject{{"write_silent", true}} << "" << "" << "" << ok << GetStr(5046)
                                          << QList<int>{6} << 4500;
    QTest::newRow("keep-alive answered with a wrong header") << QJsonObject{{"keepalive_write_bad", true}} << "" << "" << ""
                                                             << ok << GetStr(5050) << written << 3000;
}

void TestWrite::eachWay()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QString, gatewayPassword);
    QFETCH(QString, kept);
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QFETCH(QString, message);
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
    IDS = kept.isEmpty() ? QStringLiteral("plant.inf") : GetStr(4190);
    Password = kept;
    QPointer<Config> editor(openEditor());
    IsSave = true;
    MessageSpy spy;
    spy.answerNext(QMessageBox::Cancel); // a successful write asks to restart the gateway: not now
    GatewayBench::ModalAnswerer answerer(
        [&](QWidget *m) { return GatewayBench::answerPassword(m, typed == "-" ? QString() : typed); });
    QElapsedTimer clock;
    clock.start();
    editor->Download();
    const qint64 elapsed = clock.elapsed();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY2(elapsed < boundMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(answerer.handled(), typed.isEmpty() ? 0 : 1);
    QVERIFY(!IsSave && !QApplication::overrideCursor());
    // A successful write closes the editor; after a failure the user can try again.
    QCOMPARE(editor.isNull(), message == GetStr(15005));
    if (editor)
        QCOMPARE(editor->m_socket.state(), QAbstractSocket::UnconnectedState);
    // Only a password the gateway rejected leaves the dialog's connection open.
    QCOMPARE(g_Server().isOpen(), message == GetStr(4014));
    g_Server().abort();
    QVERIFY(GatewayBench::allClosed(sim, ip));
    QCOMPARE(GatewayBench::commands(sim, ip), commands);
    QCOMPARE(pConfigure, configure);
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("restart", ip).isEmpty(); }, 300));
    if (!editor)
        QCOMPARE(sim.heldBlock(ip).mid(12, 6), QByteArray("Line-3"));
}

void TestWrite::buildersStayInsideTheirBuffer_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<int>("entries"); // in each of the three lists
    QTest::addColumn<int>("result");
    QTest::newRow("16 ports, 4 of each: last byte index") << 131600 << 4 << 168 + 320 + 64 + 32 + 16 - 1;
    QTest::newRow("16 ports, 36 of each: longer than a block") << 131600 << 36 << -9;
    QTest::newRow("fixed layout, 40 of each: cut to 36") << 30203 << 40 << 1216;
}

void TestWrite::buildersStayInsideTheirBuffer()
{
    QFETCH(int, modelCode);
    QFETCH(int, entries);
    QFETCH(int, result);
    CConfigure *c = plain(modelCode, entries);
    for (int k = 0; k < entries; ++k) {
        c->m_masters << new CSpecifiedMaster{QStringLiteral("10.1.0.%1").arg(k + 1), false};
        c->m_requests << new CSpecifiedRequest{false, "1", false, "3"};
    }
    installConfigure(c);
    QPointer<Config> editor(openEditor());
    QByteArray buffer(1216 + 64, '\x5a'); // the buffer the writer is given, then bytes it must never touch
    const bool fixed = Catalogue::layout(modelCode) == BlockLayout::Fixed;
    QCOMPARE(fixed ? editor->SendPark(buffer.data()) : editor->SendPark1(buffer.data()), result);
    QCOMPARE(buffer.mid(1216), QByteArray(64, '\x5a'));
    if (result < 0)
        QCOMPARE(buffer.left(1216), QByteArray(1216, '\x5a'));
}

// The wait cursor shows only while the write blocks, never under a message. HW-P04 below firmware 2.0 takes
// only 4 ID mappings: the user is told first, and the configuration keeps all six.
void TestWrite::waitCursorAndFirmwareLimit()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130400))), qPrintable(sim.errorText()));
    installConfigure(plain(130400, 6));
    g_appointIpAddr = ip;
    software = QStringLiteral("1.1");
    QPointer<Config> editor(openEditor());
    const auto cursor = [] { return QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1; };
    QList<int> whileBlocking, atMessages; // the blocking waits report progress through the socket's own signals
    QStringList texts;
    QObject::connect(&editor->m_socket, &QTcpSocket::bytesWritten, [&] { whileBlocking << cursor(); });
    Msg::setResponder([&](const Msg::Shown &shown) {
        atMessages << cursor();
        texts << shown.text;
        return QMessageBox::Cancel;
    });
    editor->Download();
    Msg::setResponder({});
    QCOMPARE(whileBlocking, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(atMessages, (QList<int>{-1, -1}));
    QCOMPARE(texts, (QStringList{"HW-P04 V2.0版本以下只可下载4条ID映射指令,多余的ID映射指令将不会下载到网关中", GetStr(15005)}));
    QCOMPARE(sim.heldBlock(ip).mid(56 + 8 * 4, 4).toHex(), QByteArray("00000004"));
    QCOMPARE(pConfigure->m_idMaps.size(), 6);
}

// The Download choice after OK reaches the writer: the block arrives at the gateway. (What the choice dialog
// asks and emits on each answer is the dialog's own test.)
void TestWrite::okChoiceReachesTheWriter()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130800))), qPrintable(sim.errorText()));
    installConfigure(plain(130800));
    g_appointIpAddr = ip;
    m_clickList1Item2 = 0;
    QPointer<Config> editor(openEditor());
    MessageSpy spy;
    editor->on_bt_ok_clicked();
    QPointer<Dialog_Load> choice(GatewayBench::shown<Dialog_Load>());
    QVERIFY(choice);
    choice->findChild<QRadioButton *>(QStringLiteral("rd2"))->setChecked(true);
    choice->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_clickList1Item2 = -1;
    QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
    QCOMPARE(sim.heldBlock(ip).mid(12, 6), QByteArray("Line-3"));
    QVERIFY(editor.isNull() && (choice.isNull() || !choice->isVisible()));
}

QTEST_MAIN(TestWrite)
#include "tst_write.moc"
