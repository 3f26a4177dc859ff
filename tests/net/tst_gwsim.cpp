#include "support/netlab.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSet>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// Proves the simulator and the harness that the tool's network tests stand
// on: the bytes gwsim answers, its fault switches, its log, and that NetLab's
// broadcasts really cross into the gateways' namespace.
class TstGwsim : public QObject
{
    Q_OBJECT

private slots:
    void discoveryAnswer_data();
    void discoveryAnswer();
    void discoveryFaults_data();
    void discoveryFaults();
    void unicastAnsweredByAddressedGatewayOnly();
    void broadcastInNetLab();
    void netLabFailureLeavesNothing();
    void netLabRemovesStaleNamespaces();
    void password_data();
    void password();
    void readBlock_data();
    void readBlock();
    void writeThenRead();
    void frameAssembledFromPieces();
    void readFaults_data();
    void readFaults();
    void writeFaults_data();
    void writeFaults();
    void locateAndRestartLoggedNotAnswered();
    void requireAuth();
    void connectionFaults_data();
    void connectionFaults();
    void stateDirBlockUsedAtStart();
    void badConfigRejected_data();
    void badConfigRejected();
};

namespace {

const QByteArray kRequest = QByteArray::fromHex("0000000300000000");

QJsonObject configOf(const QJsonArray &gateways)
{
    return QJsonObject{{"gateways", gateways}};
}

QJsonObject parseObject(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

QByteArray ipHex(const QString &ip)
{
    QByteArray b;
    for (const QString &p : ip.split('.'))
        b.append(char(p.toInt()));
    return b.toHex();
}

// Reads until `expected` bytes are there, the peer has closed, or nothing
// came for quietMs; then waits a little longer so that extra bytes would be
// seen too.
QByteArray readUpTo(QTcpSocket &s, int expected, int quietMs = 500)
{
    QByteArray got;
    QElapsedTimer quiet;
    quiet.start();
    while (got.size() < expected && quiet.elapsed() < quietMs
           && s.state() == QAbstractSocket::ConnectedState) {
        if (s.waitForReadyRead(50)) {
            got += s.readAll();
            quiet.restart();
        }
    }
    s.waitForReadyRead(100);
    got += s.readAll();
    return got;
}

QStringList labNamespaces()
{
    QProcess p;
    p.start("ip", {"netns", "list"});
    p.waitForFinished(5000);
    QStringList names;
    for (const QString &line : QString::fromLocal8Bit(p.readAll()).split('\n'))
        if (line.startsWith("zuvlab"))
            names << line.section(' ', 0, 0);
    return names;
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

QByteArray passwordFrame(const QByteArray &password, const QByteArray &signature = "Talvenor")
{
    QByteArray f = QByteArray::fromHex("000000070000001c") + signature;
    f += password.leftJustified(20, '\0');
    return f;
}

QByteArray exchange(const QString &ip, const QByteArray &frame, int expected)
{
    QTcpSocket s;
    if (!connectTo(s, ip))
        return "no connection";
    s.write(frame);
    s.waitForBytesWritten(2000);
    return readUpTo(s, expected);
}

} // namespace

void TstGwsim::discoveryAnswer_data()
{
    QTest::addColumn<QByteArray>("gateway");
    QTest::addColumn<QByteArray>("expected"); // {ip} stands for the gateway's address

    const QByteArray gw1 = R"({"model":130400,"name":"GW-1","mac":"00-1a-2b-3c-4d-5e","firmware":"1.10","password":"1234","remote":true})";
    QTest::newRow("password set, firmware 1.10, MAC with dashes")
        << gw1
        << QByteArray("000000030000003c" "00" "01fd60" "000000000000000000000000" "0001000a" "001a2b3c4d5e"
                      "0000" "{ip}" "00000001" "47572d31000000000000000000000000" "00000000" "00000001");
    QTest::newRow("fixed model, 20-byte name without zero, prohibited")
        << QByteArray(R"({"model":30103,"name":"ABCDEFGHIJKLMNOPQRST","mac":"02:00:00:00:00:01","remote":false})")
        << QByteArray("000000030000003c" "00" "007597" "000000000000000000000000" "00020001" "020000000001"
                      "0000" "{ip}" "00000000" "4142434445464748494a4b4c4d4e4f5051525354" "00000000");
    QTest::newRow("Latin-1 name, reported address, odd flags, unknown model")
        << QByteArray(R"({"model":99999,"name":"Ger\u00e4t-\u00e9","mac":"00-00-00-00-00-07","remote":2,)"
                      R"("faults":{"answer_ip":"10.1.2.3","password_flag":2}})")
        << QByteArray("000000030000003c" "00" "01869f" "000000000000000000000000" "00020001" "000000000007"
                      "0000" "0a010203" "00000002" "476572e4742de9000000000000000000" "00000000" "00000002");
    QTest::newRow("bad header switch")
        << QByteArray(R"({"model":130400,"name":"GW-1","mac":"00-1a-2b-3c-4d-5e","firmware":"1.10","password":"1234",)"
                      R"("faults":{"udp_bad_header":true}})")
        << QByteArray("000000040000003c" "00" "01fd60" "000000000000000000000000" "0001000a" "001a2b3c4d5e"
                      "0000" "{ip}" "00000001" "47572d31000000000000000000000000" "00000000" "00000001");
    QTest::newRow("wrong length 8 is the header only")
        << QByteArray(R"({"faults":{"udp_wrong_length":8}})") << QByteArray("000000030000003c");
    QTest::newRow("wrong length 70 pads with zeros")
        << QByteArray(R"({"model":1,"name":"","mac":"00-00-00-00-00-00","firmware":"0.0","remote":false,)"
                      R"("faults":{"udp_wrong_length":70,"answer_ip":"0.0.0.0"}})")
        << QByteArray("000000030000003c" "00000001" + QByteArray(2 * 58, '0'));
}

void TstGwsim::discoveryAnswer()
{
    QFETCH(QByteArray, gateway);
    QFETCH(QByteArray, expected);
    const QString ip = SimProcess::uniqueLoopbackIp();
    QJsonObject gw = parseObject(gateway);
    gw.insert("ip", ip);
    SimProcess sim;
    QVERIFY2(sim.start(configOf({gw})), qPrintable(sim.errorText()));

    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress("127.0.0.1"), 0));
    QCOMPARE(udp.writeDatagram(kRequest, QHostAddress(ip), 18801), qint64(8));
    QVERIFY(udp.waitForReadyRead(2000));
    const QNetworkDatagram answer = udp.receiveDatagram();
    QCOMPARE(answer.data().toHex(), expected.replace("{ip}", ipHex(ip)));
    QCOMPARE(answer.senderAddress(), QHostAddress(ip));
    QCOMPARE(answer.senderPort(), 18801);

    const QList<QJsonObject> got = sim.udpReceived(ip);
    QCOMPARE(got.size(), 1);
    QCOMPARE(got.first().value("via").toString(), QString("unicast"));
    QCOMPARE(got.first().value("peer").toString(), QString("127.0.0.1:%1").arg(udp.localPort()));
}

void TstGwsim::discoveryFaults_data()
{
    QTest::addColumn<QByteArray>("faults");
    QTest::addColumn<QVector<int>>("sizes");
    QTest::addColumn<int>("minDelayMs");

    QTest::newRow("silent") << QByteArray(R"({"udp_silent":true})") << QVector<int>{} << 0;
    QTest::newRow("delayed") << QByteArray(R"({"udp_delay_ms":300})") << QVector<int>{68} << 300;
    QTest::newRow("stray datagram first") << QByteArray(R"({"udp_prefix_hex":"0000000300000000"})")
                                          << QVector<int>{8, 68} << 0;
    QTest::newRow("repeated answers") << QByteArray(R"({"udp_repeat":25})") << QVector<int>(25, 68) << 0;
    QTest::newRow("repeated with a gap") << QByteArray(R"({"udp_repeat":4,"udp_repeat_gap_ms":50})")
                                         << QVector<int>(4, 68) << 150;
}

void TstGwsim::discoveryFaults()
{
    QFETCH(QByteArray, faults);
    QFETCH(QVector<int>, sizes);
    QFETCH(int, minDelayMs);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"faults", parseObject(faults)}}})),
             qPrintable(sim.errorText()));
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress("127.0.0.1"), 0));
    QElapsedTimer clock;
    clock.start();
    udp.writeDatagram(kRequest, QHostAddress(ip), 18801);
    QVector<int> got;
    qint64 lastAt = 0;
    while (udp.waitForReadyRead(500)) {
        while (udp.hasPendingDatagrams()) {
            got << udp.receiveDatagram().data().size();
            lastAt = clock.elapsed();
        }
    }
    QCOMPARE(got, sizes);
    if (!sizes.isEmpty())
        QVERIFY2(lastAt >= minDelayMs, qPrintable(QString::number(lastAt)));
    // A request is logged even when it is not answered.
    QCOMPARE(sim.udpReceived(ip).size(), 1);
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::unicastAnsweredByAddressedGatewayOnly()
{
    const QString a = SimProcess::uniqueLoopbackIp(0);
    const QString b = SimProcess::uniqueLoopbackIp(1);
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", a}}, QJsonObject{{"ip", b}}})), qPrintable(sim.errorText()));

    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress("127.0.0.1"), 0));
    udp.writeDatagram(kRequest, QHostAddress(b), 18801);
    QVERIFY(udp.waitForReadyRead(2000));
    QCOMPARE(udp.receiveDatagram().data().mid(36, 4).toHex(), ipHex(b));
    QVERIFY(!udp.waitForReadyRead(300));
    QCOMPARE(sim.udpReceived(a).size(), 0);
    QCOMPARE(sim.udpReceived(b).size(), 1);
}

void TstGwsim::broadcastInNetLab()
{
    if (!NetLab::unavailableReason().isEmpty())
        QSKIP(qPrintable(NetLab::unavailableReason()));
    struct stat before = {};
    QCOMPARE(::stat("/proc/thread-self/ns/net", &before), 0);
    {
        NetLab lab;
        NetLab::Topology topo;
        topo.silentAddresses = QStringList{"10.78.0.1"};
        QVERIFY2(lab.up(topo), qPrintable(lab.errorText()));
        // Broadcasts only ever leave from inside the lab.
        QVERIFY(lab.inPcNamespace());
        SimProcess *sim = lab.startSimulator(
            configOf({QJsonObject{{"ip", "10.77.0.2"}}, QJsonObject{{"ip", "10.77.0.3"}, {"model", 30203}}}));
        QVERIFY2(sim, qPrintable(lab.errorText()));

        QUdpSocket silent;
        QVERIFY(silent.bind(QHostAddress("10.78.0.1"), 0, QUdpSocket::ShareAddress));
        QCOMPARE(silent.writeDatagram(kRequest, QHostAddress::Broadcast, 18801), qint64(8));

        QUdpSocket udp;
        QVERIFY(udp.bind(QHostAddress("10.77.0.1"), 0, QUdpSocket::ShareAddress));
        QCOMPARE(udp.writeDatagram(kRequest, QHostAddress::Broadcast, 18801), qint64(8));
        QSet<QString> answered;
        QElapsedTimer clock;
        clock.start();
        while (answered.size() < 2 && clock.elapsed() < 3000) {
            udp.waitForReadyRead(100);
            while (udp.hasPendingDatagrams()) {
                const QByteArray d = udp.receiveDatagram().data();
                QCOMPARE(d.size(), 68);
                answered.insert(QHostAddress(qFromBigEndian<quint32>(d.constData() + 36)).toString());
            }
        }
        QCOMPARE(answered, (QSet<QString>{"10.77.0.2", "10.77.0.3"}));
        QVERIFY(!silent.waitForReadyRead(200));
        // One broadcast arrived (from the veth address), taken by both gateways.
        for (const QString &gw : QStringList{"10.77.0.2", "10.77.0.3"}) {
            const QList<QJsonObject> got = sim->udpReceived(gw);
            QCOMPARE(got.size(), 1);
            QCOMPARE(got.first().value("via").toString(), QString("broadcast"));
            QVERIFY(got.first().value("peer").toString().startsWith("10.77.0.1:"));
        }
    }
    struct stat after = {};
    QCOMPARE(::stat("/proc/thread-self/ns/net", &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
}

void TstGwsim::netLabFailureLeavesNothing()
{
    if (!NetLab::unavailableReason().isEmpty())
        QSKIP(qPrintable(NetLab::unavailableReason()));
    const ino_t before = currentNamespace();
    const QStringList existing = labNamespaces();
    NetLab lab;
    NetLab::Topology topo;
    topo.gatewayAddresses = QStringList{"10.77.0.2", "10.77.0.300"};
    QVERIFY(!lab.up(topo));
    QVERIFY(lab.errorText().contains("10.77.0.300"));
    QVERIFY(!lab.isUp());
    QVERIFY(!lab.inPcNamespace());
    QCOMPARE(currentNamespace(), before);
    QCOMPARE(labNamespaces(), existing);
    QVERIFY(!lab.startSimulator(configOf({QJsonObject{{"ip", "10.77.0.2"}}})));
    lab.down(); // idempotent
    QCOMPARE(currentNamespace(), before);
}

void TstGwsim::netLabRemovesStaleNamespaces()
{
    if (!NetLab::unavailableReason().isEmpty())
        QSKIP(qPrintable(NetLab::unavailableReason()));
    // A namespace left by a run whose process is gone, and one of a live process.
    int dead = 4194000;
    while (QFile::exists(QString("/proc/%1").arg(dead)))
        ++dead;
    const QString stale = QString("zuvlab%1-1-pc").arg(dead);
    const QString live = QString("zuvlab%1-99-pc").arg(::getppid());
    QProcess::execute("ip", {"netns", "add", stale});
    QProcess::execute("ip", {"netns", "add", live});
    QVERIFY(labNamespaces().contains(stale));
    {
        NetLab lab;
        QVERIFY2(lab.up({}), qPrintable(lab.errorText()));
        QVERIFY(!labNamespaces().contains(stale));
        QVERIFY(labNamespaces().contains(live));
        QVERIFY(labNamespaces().contains(lab.pcNamespace()));
    }
    QProcess::execute("ip", {"netns", "del", live});
    for (const QString &ns : labNamespaces())
        QVERIFY2(!ns.startsWith(QString("zuvlab%1-").arg(::getpid())), qPrintable(ns));
}

void TstGwsim::password_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("faults");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray ok = "00000007000000080000000000000000";
    const QByteArray no = "00000007000000090000000000000000";
    QTest::newRow("right password accepted") << "1234" << passwordFrame("1234") << QByteArray("{}") << ok;
    QTest::newRow("prefix of the password rejected") << "1234" << passwordFrame("123") << QByteArray("{}") << no;
    QTest::newRow("longer password rejected") << "1234" << passwordFrame("12345") << QByteArray("{}") << no;
    QTest::newRow("wrong signature rejected") << "1234" << passwordFrame("1234", "Talvenox") << QByteArray("{}") << no;
    QTest::newRow("12 characters accepted") << "abcdefghij12" << passwordFrame("abcdefghij12") << QByteArray("{}") << ok;
    QTest::newRow("no password set accepts any") << "" << passwordFrame("xyz") << QByteArray("{}") << ok;
    QTest::newRow("pw_reject rejects the right one") << "1234" << passwordFrame("1234")
                                                     << QByteArray(R"({"pw_reject":true})") << no;
    QTest::newRow("pw_short answers 4 bytes") << "1234" << passwordFrame("1234")
                                              << QByteArray(R"({"pw_short":true})") << QByteArray("00000007");
    QTest::newRow("pw_silent answers nothing") << "1234" << passwordFrame("1234")
                                               << QByteArray(R"({"pw_silent":true})") << QByteArray();
}

void TstGwsim::password()
{
    QFETCH(QString, configured);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, faults);
    QFETCH(QByteArray, expected);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"password", configured}, {"faults", parseObject(faults)}}})),
             qPrintable(sim.errorText()));
    QCOMPARE(exchange(ip, frame, 16).toHex(), expected);
    QCOMPARE(sim.tcpBytes(ip, "recv"), QList<QByteArray>{frame});
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::readBlock_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("ports");
    QTest::addColumn<int>("size");

    QTest::newRow("30103 fixed") << 30103 << 2 << 1216;
    QTest::newRow("30203 fixed") << 30203 << 2 << 1216;
    QTest::newRow("130100 packed, 1 port") << 130100 << 1 << 232;
    QTest::newRow("130400 packed, 4 ports") << 130400 << 4 << 292;
    QTest::newRow("131600 packed, 16 ports") << 131600 << 16 << 532;
    QTest::newRow("unknown model packed as 16 ports") << 70000 << 16 << 532;
}

void TstGwsim::readBlock()
{
    QFETCH(int, model);
    QFETCH(int, ports);
    QFETCH(int, size);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"model", model}, {"name", "Reader"}}})),
             qPrintable(sim.errorText()));

    const QByteArray b = exchange(ip, QByteArray::fromHex("0000000500000000"), size);
    QCOMPARE(b.size(), size);
    QCOMPARE(b.left(4).toHex(), QByteArray("00000005"));
    QCOMPARE(qFromBigEndian<quint32>(b.constData() + 4), quint32(size - 8));
    QCOMPARE(b.mid(12, 8), QByteArray("Reader\0\0", 8));
    QCOMPARE(b.mid(36, 4).toHex(), ipHex(ip));

    // The counts must describe the lists that are really there.
    const bool fixed = model == 30103 || model == 30203;
    auto be = [&b](int off) { return int(qFromBigEndian<quint32>(b.constData() + off)); };
    const int p1 = 56 + 8 * ports;
    const int ids = be(p1);
    const int p2 = p1 + 4 + 16 * (fixed ? 36 : ids);
    const int p3 = p2 + 12 * ports;
    const int masters = be(p3);
    const int p4 = p3 + 4 + 8 * (fixed ? 36 : masters);
    const int requests = be(p4);
    const int p5 = p4 + 4 + 4 * (fixed ? 36 : requests);
    QVERIFY(ids > 0 && masters > 0 && requests > 0);
    QVERIFY(ids <= (fixed ? 36 : 4));
    QCOMPARE(p5 + 100, size);
    QCOMPARE(be(p5 + 20), 502);
    QCOMPARE(be(p5 + 28), 1); // first IP range active
}

void TstGwsim::writeThenRead()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"model", 130200}}})), qPrintable(sim.errorText()));
    QByteArray block = exchange(ip, QByteArray::fromHex("0000000500000000"), 252);
    QCOMPARE(block.size(), 252);

    block[3] = 6;
    block.replace(12, 20, QByteArray("WRITTEN").leftJustified(20, '\0'));
    QTcpSocket s;
    QVERIFY(connectTo(s, ip));
    s.write(block);
    QCOMPARE(readUpTo(s, 16).toHex(), QByteArray("00000006000000080000000000000000"));
    s.write(QByteArray::fromHex("0000000e000000080000000000000bb8"));
    QCOMPARE(readUpTo(s, 16).toHex(), QByteArray("0000000e000000080000000000000000"));
    s.disconnectFromHost();
    QCOMPARE(sim.heldBlock(ip), block);

    QByteArray expected = block;
    expected[3] = 5;
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000500000000"), 252).toHex(), expected.toHex());
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000d00000000"), 16).toHex(),
             QByteArray("0000000d000000080000000000000bb8"));
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::frameAssembledFromPieces()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"password", "77"}}})), qPrintable(sim.errorText()));
    const QByteArray frame = passwordFrame("77") + QByteArray::fromHex("0000000d00000000");
    QTcpSocket s;
    QVERIFY(connectTo(s, ip));
    // Cut inside the header, inside the body, and the second frame rides on the last piece.
    for (const QByteArray &piece : {frame.left(5), frame.mid(5, 20), frame.mid(25)}) {
        s.write(piece);
        s.waitForBytesWritten(1000);
        QThread::msleep(60);
    }
    const QByteArray got = readUpTo(s, 32);
    QCOMPARE(got.left(16).toHex(), QByteArray("00000007000000080000000000000000"));
    QCOMPARE(got.mid(16, 4).toHex(), QByteArray("0000000d"));
    QCOMPARE(got.size(), 32);
    const QList<QByteArray> frames = sim.tcpBytes(ip, "recv");
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0), frame.left(36));
    int partial = 0;
    for (const QJsonObject &e : sim.log())
        partial += e.value("partial").toBool() && e.value("dir") == "recv";
    QCOMPARE(partial, 2);
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::readFaults_data()
{
    QTest::addColumn<QByteArray>("faults");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("closed");

    // model 130100: 232-byte block
    QTest::newRow("truncate keeps the connection") << QByteArray(R"({"read_truncate":100})") << 100
                                                   << QByteArray("00000005000000e0") << false;
    QTest::newRow("drop midway closes after half") << QByteArray(R"({"drop_midway":true})") << 116
                                                   << QByteArray("00000005000000e0") << true;
    QTest::newRow("drip delivers the whole block") << QByteArray(R"({"read_drip":{"piece":50,"gap_ms":20}})") << 232
                                                   << QByteArray("00000005000000e0") << false;
    QTest::newRow("bad header code") << QByteArray(R"({"read_bad_header":true})") << 232
                                     << QByteArray("00000006000000e0") << false;
    QTest::newRow("huge length field") << QByteArray(R"({"read_length":4294967295})") << 232
                                       << QByteArray("00000005ffffffff") << false;
    QTest::newRow("silent read") << QByteArray(R"({"read_silent":true})") << 0 << QByteArray() << false;
}

void TstGwsim::readFaults()
{
    QFETCH(QByteArray, faults);
    QFETCH(int, size);
    QFETCH(QByteArray, header);
    QFETCH(bool, closed);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"model", 130100}, {"faults", parseObject(faults)}}})),
             qPrintable(sim.errorText()));
    QTcpSocket s;
    QVERIFY(connectTo(s, ip));
    s.write(QByteArray::fromHex("0000000500000000"));
    const QByteArray got = readUpTo(s, 232);
    QCOMPARE(got.size(), size);
    QCOMPARE(got.left(8).toHex(), header);
    if (!closed)
        s.waitForDisconnected(200);
    QCOMPARE(s.state() == QAbstractSocket::UnconnectedState, closed);
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::writeFaults_data()
{
    QTest::addColumn<QByteArray>("faults");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("stored");

    const QByteArray block = QByteArray::fromHex("0000000600000008") + QByteArray(8, '\x11');
    const QByteArray keep = QByteArray::fromHex("0000000e000000080000000100000064");
    QTest::newRow("plain write accepted and stored") << QByteArray("{}") << block
                                                     << QByteArray("00000006000000080000000000000000") << true;
    QTest::newRow("write answered with code 5, not stored") << QByteArray(R"({"write_answer_code5":true})") << block
                                                            << QByteArray("00000005000000080000000000000000") << false;
    QTest::newRow("silent write still stores") << QByteArray(R"({"write_silent":true})") << block << QByteArray() << true;
    QTest::newRow("keep-alive write answered 0D") << QByteArray(R"({"keepalive_write_bad":true})") << keep
                                                  << QByteArray("0000000d000000080000000000000000") << false;
}

void TstGwsim::writeFaults()
{
    QFETCH(QByteArray, faults);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, answer);
    QFETCH(bool, stored);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"faults", parseObject(faults)}}})),
             qPrintable(sim.errorText()));
    QCOMPARE(exchange(ip, frame, 16).toHex(), answer);
    QCOMPARE(sim.heldBlock(ip), stored ? frame : QByteArray());
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::locateAndRestartLoggedNotAnswered()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}}})), qPrintable(sim.errorText()));
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000900000008") + "Talvenor", 1), QByteArray());
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000a00000008") + "Talvenox", 1), QByteArray());
    QVERIFY(sim.waitForLog([](const QList<QJsonObject> &log) {
        int closes = 0;
        for (const QJsonObject &e : log)
            closes += e.value("event") == "close";
        return closes == 2;
    }));
    QCOMPARE(sim.events("locate", ip).size(), 1);
    QCOMPARE(sim.events("locate", ip).first().value("signature_ok").toBool(), true);
    QCOMPARE(sim.events("restart", ip).size(), 1);
    QCOMPARE(sim.events("restart", ip).first().value("signature_ok").toBool(), false);
    for (const QJsonObject &close : sim.events("close", ip)) {
        QCOMPARE(close.value("peer_sent").toInt(), 16);
        QCOMPARE(close.value("sim_sent").toInt(), 0);
        QCOMPARE(close.value("by").toString(), QString("peer"));
    }
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::requireAuth()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"model", 130100}, {"password", "9"},
                                             {"faults", QJsonObject{{"require_auth", true}}}}})),
             qPrintable(sim.errorText()));
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000500000000"), 232), QByteArray());
    QCOMPARE(exchange(ip, passwordFrame("9") + QByteArray::fromHex("0000000500000000"), 16 + 232).size(), 16 + 232);
    QCOMPARE(sim.events("auth_required", ip).size(), 1);
}

void TstGwsim::connectionFaults_data()
{
    QTest::addColumn<QByteArray>("faults");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray keepAlive = "0000000d000000080000000100000320";
    QTest::newRow("refused") << QByteArray(R"({"tcp_refuse":true})") << false << QByteArray() << QByteArray();
    QTest::newRow("silent") << QByteArray(R"({"tcp_silent":true})") << true << QByteArray() << QByteArray();
    QTest::newRow("unsolicited bytes before any request")
        << QByteArray(R"({"unsolicited_hex":"0000000700000008"})") << true << QByteArray("0000000700000008")
        << keepAlive;
    QTest::newRow("keep-alive bad header") << QByteArray(R"({"keepalive_bad_header":true})") << true << QByteArray()
                                           << QByteArray("0000000c000000080000000100000320");
    QTest::newRow("keep-alive silent") << QByteArray(R"({"keepalive_silent":true})") << true << QByteArray()
                                       << QByteArray();
}

void TstGwsim::connectionFaults()
{
    QFETCH(QByteArray, faults);
    QFETCH(bool, connects);
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, answer);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(configOf({QJsonObject{{"ip", ip}, {"model", 130400}, {"faults", parseObject(faults)}}})),
             qPrintable(sim.errorText()));
    QTcpSocket s;
    QCOMPARE(connectTo(s, ip), connects);
    if (!connects) {
        QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
        return;
    }
    QCOMPARE(readUpTo(s, greeting.size() / 2, 300).toHex(), greeting);
    s.write(QByteArray::fromHex("0000000d00000000"));
    QCOMPARE(readUpTo(s, 16).toHex(), answer);
    QCOMPARE(sim.tcpFrames(ip, "recv").size(), 1);
    QVERIFY2(sim.stop(), qPrintable(sim.errorText()));
}

void TstGwsim::stateDirBlockUsedAtStart()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray kept = QByteArray::fromHex("0000000600000004deadbeef");
    QFile stored(dir.filePath(ip + ".block.hex"));
    QVERIFY(stored.open(QIODevice::WriteOnly));
    stored.write(kept.toHex() + "\n");
    stored.close();
    QFile config(dir.filePath("config.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QJsonDocument(configOf({QJsonObject{{"ip", ip}}})).toJson());
    config.close();

    QProcess sim;
    sim.start(GWSIM_PATH, {"--config", config.fileName(), "--state-dir", dir.path(), "--die-with-parent"});
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!out.contains("ready\n") && clock.elapsed() < 5000 && sim.state() != QProcess::NotRunning) {
        sim.waitForReadyRead(50);
        out += sim.readAllStandardOutput();
    }
    QVERIFY2(out.contains("ready\n"), sim.readAllStandardError().constData());
    QCOMPARE(exchange(ip, QByteArray::fromHex("0000000500000000"), 12).toHex(), QByteArray("0000000500000004deadbeef"));
    sim.terminate();
    QVERIFY(sim.waitForFinished(3000));
    QCOMPARE(sim.exitCode(), 0);
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
    QTest::newRow("address not local") << QByteArray(R"({"gateways":[{"ip":"192.0.2.1"}]})") << "cannot bind";
    QTest::newRow("bad block hex") << QByteArray(R"({"gateways":[{"ip":"127.0.0.2","block":"00zz"}]})") << "block";
    QTest::newRow("no gateways") << QByteArray(R"({"gateways":[]})") << "non-empty";
}

void TstGwsim::badConfigRejected()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, reason);
    SimProcess sim;
    QVERIFY(!sim.start(parseObject(config)));
    QVERIFY2(sim.errorText().contains(reason), qPrintable(sim.errorText()));
    QVERIFY(!sim.isRunning());
}

QTEST_MAIN(TstGwsim)
#include "tst_gwsim.moc"
