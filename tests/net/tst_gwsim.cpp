#include "support/netlab.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <sys/stat.h>

// Proves the simulator and the harness that the tool's network tests stand
// on: the bytes gwsim answers, its fault switches, its log, and that a NetLab
// which fails leaves the test in its own namespace.
class TstGwsim : public QObject
{
    Q_OBJECT

private slots:
    void discovery_data();
    void discovery();
    void netLab();
    void tcpAnswers_data();
    void tcpAnswers();
    void block_data();
    void block();
    void badConfigRejected_data();
    void badConfigRejected();
};

namespace {

const QByteArray kRequest = QByteArray::fromHex("0000000300000000");
const QByteArray kRead = QByteArray::fromHex("0000000500000000");

QJsonObject configOf(const QJsonArray &gateways)
{
    return QJsonObject{{"gateways", gateways}};
}

// `json` with the gateway's address.
QJsonObject gatewayAt(const QString &ip, const QByteArray &json = "{}")
{
    QJsonObject gateway = QJsonDocument::fromJson(json).object();
    gateway.insert("ip", ip);
    return gateway;
}

QByteArray ipHex(const QString &ip)
{
    return QByteArray::number(QHostAddress(ip).toIPv4Address(), 16).rightJustified(8, '0');
}

// Reads until `expected` bytes are there, the peer has closed, or nothing
// came for 500 ms; then waits a little longer so that extra bytes are seen too.
QByteArray readUpTo(QTcpSocket &s, int expected)
{
    QByteArray got;
    QElapsedTimer quiet;
    quiet.start();
    while (got.size() < expected && quiet.elapsed() < 500 && s.state() == QAbstractSocket::ConnectedState) {
        if (s.waitForReadyRead(50)) {
            got += s.readAll();
            quiet.restart();
        }
    }
    s.waitForReadyRead(100);
    return got + s.readAll();
}

QStringList labNamespaces()
{
    QProcess p;
    p.start("ip", {"netns", "list"});
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAll()).split('\n').filter(QRegularExpression("^zuvlab"));
}

ino_t currentNamespace()
{
    struct stat st = {};
    return ::stat("/proc/thread-self/ns/net", &st) == 0 ? st.st_ino : 0;
}

bool connectTo(QTcpSocket &s, const QString &ip)
{
    s.connectToHost(ip, 18801);
    return s.waitForConnected(2000);
}

QByteArray passwordFrame(const QByteArray &password)
{
    return QByteArray::fromHex("000000070000001c") + "Talvenor" + password.leftJustified(20, '\0');
}

QByteArray exchange(const QString &ip, const QByteArray &frame, int expected)
{
    QTcpSocket s;
    if (!connectTo(s, ip))
        return "no connection";
    s.write(frame);
    return readUpTo(s, expected);
}

} // namespace

// One simulated gateway on a loopback address of this test's own.
#define START_ONE(gateway)                                                                                           \
    const QString ip = SimProcess::uniqueLoopbackIp();                                                               \
    SimProcess sim;                                                                                                  \
    QVERIFY2(sim.start(configOf({gatewayAt(ip, gateway)})), qPrintable(sim.errorText()))

void TstGwsim::discovery_data()
{
    QTest::addColumn<QByteArray>("gateway");
    QTest::addColumn<QVector<int>>("sizes"); // of the datagrams answered
    QTest::addColumn<QByteArray>("last"); // the last one, hex; {ip} is the gateway's address
    QTest::addColumn<int>("minDelayMs"); // before the last one

    const auto row = [](const char *name, const QByteArray &gateway, const QVector<int> &sizes,
                        const QByteArray &last, int minDelayMs = 0) {
        QTest::newRow(name) << gateway << sizes << last << minDelayMs;
    };
    const QByteArray gw1 = R"({"model":130400,"name":"GW-1","mac":"00-1a-2b-3c-4d-5e","firmware":"1.10","password":"1234")";
    const QByteArray answer1 = "000000030000003c" "00" "01fd60" "000000000000000000000000" "0001000a" "001a2b3c4d5e"
                               "0000" "{ip}" "00000001" "47572d31000000000000000000000000" "00000000" "00000001";
    row("password set, firmware 1.10, MAC with dashes", gw1 + "}", {68}, answer1);
    row("unknown model, 20-byte Latin-1 name without zero, reported address, odd flags",
        R"({"model":99999,"name":"Ger\u00e4t-\u00e9HIJKLMNOPQRST","mac":"02:00:00:00:00:07","remote":2,)"
        R"("faults":{"answer_ip":"10.1.2.3","password_flag":2}})", {68},
        "000000030000003c" "00" "01869f" "000000000000000000000000" "00020001" "020000000007"
        "0000" "0a010203" "00000002" "476572e4742de948494a4b4c4d4e4f5051525354" "00000002");
    row("silent", R"({"faults":{"udp_silent":true}})", {}, "");
    row("delayed", gw1 + R"(,"faults":{"udp_delay_ms":300}})", {68}, answer1, 300);
    row("stray datagram first", gw1 + R"(,"faults":{"udp_prefix_hex":"0000000300000000"}})", {8, 68}, answer1);
    row("repeated answers", R"({"faults":{"udp_repeat":25}})", QVector<int>(25, 68), "");
    // Three gaps of 50 ms; the simulator's coarse timer may fire each a little early.
    row("repeated with a gap", R"({"faults":{"udp_repeat":4,"udp_repeat_gap_ms":50}})", QVector<int>(4, 68), "", 140);
}

void TstGwsim::discovery()
{
    QFETCH(QByteArray, gateway);
    QFETCH(QVector<int>, sizes);
    QFETCH(QByteArray, last);
    QFETCH(int, minDelayMs);
    // A second gateway beside it must not answer a unicast to the first.
    const QString ip = SimProcess::uniqueLoopbackIp(0);
    const QString other = SimProcess::uniqueLoopbackIp(1);
    SimProcess sim;
    QVERIFY2(sim.start(configOf({gatewayAt(ip, gateway), gatewayAt(other)})), qPrintable(sim.errorText()));

    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress("127.0.0.1"), 0));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(udp.writeDatagram(kRequest, QHostAddress(ip), 18801), qint64(8));
    QVector<int> got;
    QNetworkDatagram answer;
    qint64 lastAt = 0;
    while (udp.waitForReadyRead(500)) {
        while (udp.hasPendingDatagrams()) {
            answer = udp.receiveDatagram();
            got << answer.data().size();
            lastAt = clock.elapsed();
            QCOMPARE(answer.senderAddress(), QHostAddress(ip));
            QCOMPARE(answer.senderPort(), 18801);
        }
    }
    QCOMPARE(got, sizes);
    QVERIFY2(lastAt >= minDelayMs, qPrintable(QString::number(lastAt)));
    if (!last.isEmpty())
        QCOMPARE(answer.data().toHex(), last.replace("{ip}", ipHex(ip)));
    // A request is logged once, also when it is not answered.
    const QList<QJsonObject> requests = sim.udpReceived(ip);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("via").toString(), QString("unicast"));
    QCOMPARE(requests.first().value("peer").toString(), QString("127.0.0.1:%1").arg(udp.localPort()));
    QCOMPARE(sim.udpReceived(other).size(), 0);
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::netLab()
{
    if (!NetLab::unavailableReason().isEmpty())
        QSKIP(qPrintable(NetLab::unavailableReason()));
    const ino_t before = currentNamespace();
    QVERIFY(before != 0);
    const QStringList existing = labNamespaces();
    {
        // A lab that fails half-way leaves nothing behind and does not claim to be up.
        NetLab lab;
        NetLab::Topology topo;
        topo.gatewayAddresses = QStringList{"10.77.0.2", "10.77.0.300"};
        QVERIFY(!lab.up(topo));
        QVERIFY(lab.errorText().contains("10.77.0.300"));
        QVERIFY(!lab.isUp() && !lab.inPcNamespace());
        QCOMPARE(currentNamespace(), before);
        QCOMPARE(labNamespaces(), existing);
        QVERIFY(!lab.startSimulator(configOf({QJsonObject{{"ip", "10.77.0.2"}}})));
        lab.down(); // idempotent
        QCOMPARE(currentNamespace(), before);

        // Then built for real: the thread is inside and the simulator starts there.
        QVERIFY2(lab.up(NetLab::Topology{}), qPrintable(lab.errorText()));
        QVERIFY(lab.inPcNamespace());
        QVERIFY(currentNamespace() != before);
        QVERIFY(lab.startSimulator(configOf({QJsonObject{{"ip", "10.77.0.2"}}})));
    }
    // The search tests show broadcasts crossing into the gateways' namespace.
    QCOMPARE(currentNamespace(), before);
    QCOMPARE(labNamespaces(), existing);
}

void TstGwsim::tcpAnswers_data()
{
    QTest::addColumn<QByteArray>("gateway");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("size"); // -1: the connection is refused
    QTest::addColumn<QByteArray>("head"); // the answer's first bytes, hex
    QTest::addColumn<bool>("closed"); // by the gateway
    QTest::addColumn<bool>("stored"); // the frame became the held block
    QTest::addColumn<QString>("event"); // logged once

    const auto row = [](const char *name, const QByteArray &gateway, const QByteArray &frame, int size,
                        const QByteArray &head, bool closed = false, bool stored = false, const QString &event = {}) {
        QTest::newRow(name) << gateway << frame << size << head << closed << stored << event;
    };
    const QByteArray pw = R"({"password":"1234")";
    const QByteArray ok = "00000007000000080000000000000000";
    const QByteArray no = "00000007000000090000000000000000";
    row("right password accepted", pw + "}", passwordFrame("1234"), 16, ok);
    row("prefix of the password rejected", pw + "}", passwordFrame("123"), 16, no);
    row("no password set accepts any", "{}", passwordFrame("xyz"), 16, ok);
    row("pw_reject rejects the right one", pw + R"(,"faults":{"pw_reject":true}})", passwordFrame("1234"), 16, no);
    row("pw_short answers 4 bytes", pw + R"(,"faults":{"pw_short":true}})", passwordFrame("1234"), 4, "00000007");
    row("pw_silent answers nothing", pw + R"(,"faults":{"pw_silent":true}})", passwordFrame("1234"), 0, "");

    // model 130100: 232-byte block
    const QByteArray model = R"({"model":130100,"faults":)";
    const QByteArray block = "00000005000000e0";
    row("truncate keeps the connection", model + R"({"read_truncate":100}})", kRead, 100, block);
    row("drop midway closes after half", model + R"({"drop_midway":true}})", kRead, 116, block, true);
    row("drip delivers the whole block", model + R"({"read_drip":{"piece":50,"gap_ms":20}}})", kRead, 232, block);
    row("bad header code", model + R"({"read_bad_header":true}})", kRead, 232, "00000006000000e0");
    row("huge length field", model + R"({"read_length":4294967295}})", kRead, 232, "00000005ffffffff");
    row("silent read", model + R"({"read_silent":true}})", kRead, 0, "");
    const QByteArray auth = R"({"model":130100,"password":"9","faults":{"require_auth":true}})";
    row("read without the password closed", auth, kRead, 0, "", true, false, "auth_required");
    row("read after the password answered", auth, passwordFrame("9") + kRead, 16 + 232, ok + block);

    const QByteArray write = QByteArray::fromHex("0000000600000008") + QByteArray(8, '\x11');
    row("plain write accepted and stored", "{}", write, 16, "00000006000000080000000000000000", false, true);
    row("write answered with code 5, not stored", R"({"faults":{"write_answer_code5":true}})", write, 16,
        "00000005000000080000000000000000");
    row("silent write still stores", R"({"faults":{"write_silent":true}})", write, 0, "", false, true);
    row("keep-alive write answered 0D", R"({"faults":{"keepalive_write_bad":true}})",
        QByteArray::fromHex("0000000e000000080000000100000064"), 16, "0000000d000000080000000000000000");

    const QByteArray keepAlive = QByteArray::fromHex("0000000d00000000");
    const QByteArray alive = "0000000d000000080000000100000320";
    row("refused", R"({"faults":{"tcp_refuse":true}})", keepAlive, -1, "");
    row("silent", R"({"faults":{"tcp_silent":true}})", keepAlive, 0, "");
    row("unsolicited bytes come first", R"({"faults":{"unsolicited_hex":"0000000700000008"}})", keepAlive, 24,
        "0000000700000008" + alive);
    row("keep-alive bad header", R"({"faults":{"keepalive_bad_header":true}})", keepAlive, 16,
        "0000000c000000080000000100000320");
    row("keep-alive silent", R"({"faults":{"keepalive_silent":true}})", keepAlive, 0, "");

    // Locate and restart are logged, with whether the signature was right, and never answered.
    row("locate", "{}", QByteArray::fromHex("0000000900000008") + "Talvenor", 0, "", false, false, "locate:true");
    row("restart, wrong signature", "{}", QByteArray::fromHex("0000000a00000008") + "Talvenox", 0, "", false, false,
        "restart:false");
}

void TstGwsim::tcpAnswers()
{
    QFETCH(QByteArray, gateway);
    QFETCH(QByteArray, frame);
    QFETCH(int, size);
    QFETCH(QByteArray, head);
    QFETCH(bool, closed);
    QFETCH(bool, stored);
    QFETCH(QString, event);
    START_ONE(gateway);
    QTcpSocket s;
    QCOMPARE(connectTo(s, ip), size >= 0);
    if (size >= 0) {
        s.write(frame);
        // One byte more than expected: an extra byte would be seen.
        const QByteArray got = readUpTo(s, size + 1);
        QCOMPARE(got.size(), size);
        QCOMPARE(got.left(head.size() / 2).toHex(), head);
        if (!closed)
            s.waitForDisconnected(200);
        QCOMPARE(s.state() == QAbstractSocket::UnconnectedState, closed);
        s.disconnectFromHost();
        // The log holds whole frames and who closed, after how many bytes each way.
        QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("close", ip).isEmpty(); }));
        const QJsonObject close = sim.events("close", ip).first();
        QCOMPARE(close.value("by").toString(), QString(closed ? "sim" : "peer"));
        QCOMPARE(close.value("peer_sent").toInt(), frame.size());
        QCOMPARE(close.value("sim_sent").toInt(), size);
        QCOMPARE(sim.tcpBytes(ip, "recv").join(), frame);
    }
    if (!event.isEmpty()) {
        const QList<QJsonObject> logged = sim.events(event.section(':', 0, 0), ip);
        QCOMPARE(logged.size(), 1);
        if (event.contains(':'))
            QCOMPARE(logged.first().value("signature_ok").toBool(), event.endsWith(":true"));
    }
    QCOMPARE(sim.heldBlock(ip), stored ? frame : QByteArray());
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::block_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("ports");
    QTest::addColumn<int>("size");

    QTest::newRow("30103 fixed") << 30103 << 2 << 1216;
    QTest::newRow("130100 packed, 1 port") << 130100 << 1 << 232;
    QTest::newRow("unknown model packed as 16 ports") << 70000 << 16 << 532;
}

void TstGwsim::block()
{
    QFETCH(int, model);
    QFETCH(int, ports);
    QFETCH(int, size);
    START_ONE(R"({"name":"Reader","model":)" + QByteArray::number(model) + "}");
    QByteArray b = exchange(ip, kRead, size);
    QCOMPARE(b.size(), size);
    QCOMPARE(b.left(4).toHex(), QByteArray("00000005"));
    QCOMPARE(qFromBigEndian<quint32>(b.constData() + 4), quint32(size - 8));
    QCOMPARE(b.mid(12, 8), QByteArray("Reader\0\0", 8));
    QCOMPARE(b.mid(36, 4).toHex(), ipHex(ip));

    // The counts must describe the lists that are really there.
    const bool fixed = model == 30103;
    const auto be = [&b](int off) { return int(qFromBigEndian<quint32>(b.constData() + off)); };
    const int p1 = 56 + 8 * ports;
    const int ids = be(p1);
    const int p3 = p1 + 4 + 16 * (fixed ? 36 : ids) + 12 * ports;
    const int masters = be(p3);
    const int p4 = p3 + 4 + 8 * (fixed ? 36 : masters);
    const int requests = be(p4);
    const int p5 = p4 + 4 + 4 * (fixed ? 36 : requests);
    QVERIFY(ids > 0 && masters > 0 && requests > 0);
    QVERIFY(ids <= (fixed ? 36 : 4));
    QCOMPARE(p5 + 100, size);
    QCOMPARE(be(p5 + 20), 502);
    QCOMPARE(be(p5 + 28), 1); // first IP range active

    // Written back changed, with keep-alive settings, on one connection; read back on new ones.
    b[3] = 6;
    b.replace(12, 20, QByteArray("WRITTEN").leftJustified(20, '\0'));
    const QByteArray keepAlive = QByteArray::fromHex("0000000e000000080000000000000bb8");
    QTcpSocket s;
    QVERIFY(connectTo(s, ip));
    // In pieces: cut inside the header, inside the body, and the second frame rides on the last piece.
    for (const QByteArray &piece : {b.left(5), b.mid(5, 20), b.mid(25) + keepAlive}) {
        s.write(piece);
        s.waitForBytesWritten(1000);
        QThread::msleep(60);
    }
    QCOMPARE(readUpTo(s, 32).toHex(),
             QByteArray("00000006000000080000000000000000" "0000000e000000080000000000000000"));
    s.disconnectFromHost();
    QCOMPARE(sim.tcpBytes(ip, "recv").mid(1), (QList<QByteArray>{b, keepAlive}));
    QCOMPARE(sim.heldBlock(ip), b);
    b[3] = 5;
    QCOMPARE(exchange(ip, kRead, size).toHex(), b.toHex());
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000d00000000"), 16).toHex(),
             QByteArray("0000000d000000080000000000000bb8"));
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::badConfigRejected_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("reason");

    QTest::newRow("misspelt fault") << QByteArray(R"({"gateways":[{"ip":"127.0.0.2","faults":{"udp_silentt":true}}]})")
                                    << "udp_silentt";
    QTest::newRow("misspelt key") << QByteArray(R"({"gateways":[{"ip":"127.0.0.2","passwd":"1"}]})") << "passwd";
    QTest::newRow("address twice") << QByteArray(R"({"gateways":[{"ip":"127.0.0.2"},{"ip":"127.0.0.2"}]})")
                                   << "used twice";
    QTest::newRow("no gateways") << QByteArray(R"({"gateways":[]})") << "non-empty";
}

void TstGwsim::badConfigRejected()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, reason);
    SimProcess sim;
    QVERIFY(!sim.start(QJsonDocument::fromJson(config).object()));
    QVERIFY2(sim.errorText().contains(reason), qPrintable(sim.errorText()));
    QVERIFY(!sim.isRunning());
}

QTEST_MAIN(TstGwsim)
#include "tst_gwsim.moc"