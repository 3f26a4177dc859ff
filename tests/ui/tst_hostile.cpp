// Gateways that misbehave on the command channel, as broken or malicious
// devices do: the read, the save that reads first and the write stay within
// their waits, say what went wrong, and leave the configuration and its file
// as they were unless the user asked for them to change.
#include "app/mainwindow.h"
#include "config/blockwriter.h"
#include "config/commandchannel.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QPointer>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

#include <memory>

using GatewayBench::Gateway;
using GatewayBench::fileBytes;
using GatewayBench::snapshot;

class TestHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void simulatorShapesItsAnswers_data();
    void simulatorShapesItsAnswers();
    void simulatorFloodsWithDistinctDevices();
    void simulatorRefusesTwoPaces();
    void readStaysBounded_data();
    void readStaysBounded();
    void unsolicitedBytesOnConnect();
    void writeStaysBounded_data();
    void writeStaysBounded();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

namespace {

// Room for starting processes and drawing windows under the sanitizers, on
// top of the waits the tool itself allows.
constexpr int MarginMs = 2000;
constexpr int DripGapMs = 500; // one byte per half second
constexpr int ReadCalls = 8; // read calls the block is given

const QByteArray kFileBytes("Device_Mode\tHW-P02\nTransmission_Mode\t\tRTU_Slave\nEthernet_Name\tKept on disk\n");

QByteArray answer16(int code)
{
    QByteArray a = QByteArray::fromHex("0000000000000008") + QByteArray(8, '\0');
    a[3] = char(code);
    return a;
}

// A keep-alive answer nobody asked for, with a time no gateway here uses.
const QByteArray kStrayKeepAlive = QByteArray::fromHex("0000000d00000008000000010000ea60");

QJsonObject drip(const QList<int> &commands)
{
    QJsonArray list;
    for (int c : commands)
        list << c;
    return QJsonObject{{"answer_drip", QJsonObject{{"commands", list}, {"piece", 1}, {"gap_ms", DripGapMs}}}};
}

// The first half of each listed answer, then nothing for a minute on an open connection.
QJsonObject halfAnswer(const QList<int> &commands)
{
    QJsonArray list;
    for (int c : commands)
        list << c;
    return QJsonObject{{"answer_drip", QJsonObject{{"commands", list}, {"piece", 8}, {"gap_ms", 60000}}}};
}

CConfigure *workingCopy()
{
    auto *c = new CConfigure;
    c->m_modelCode = 130200;
    c->m_name = QStringLiteral("Working copy");
    c->m_ip = QStringLiteral("192.168.7.20");
    c->m_mask = QStringLiteral("255.255.255.0");
    c->m_gateway = QStringLiteral("192.168.7.1");
    c->m_dns1 = QStringLiteral("0.0.0.0");
    c->m_dns2 = QStringLiteral("0.0.0.0");
    auto *m = new CIDMap;
    m->m_ip = QStringLiteral("10.1.2.3");
    m->m_port = QStringLiteral("503");
    m->m_idMin = 2;
    m->m_idMax = 9;
    c->m_idMaps << m;
    c->m_advance.m_highPort = QStringLiteral("502");
    c->m_advance.m_password = QStringLiteral("plant7");
    c->m_advance.m_aliveTime = 12;
    return c;
}

bool allClosed(const SimProcess &sim, const QString &ip)
{
    return sim.waitForLog(
        [&](const QList<QJsonObject> &) { return sim.events("close", ip).size() == sim.events("connect", ip).size(); },
        3000);
}

QByteArray readFor(QTcpSocket &socket, int ms)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        socket.waitForReadyRead(qMax<qint64>(1, ms - clock.elapsed()));
        got += socket.readAll();
    }
    return got;
}

} // namespace

void TestHostile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("plant.inf"));
    QFile f(m_file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kFileBytes);
    f.close();
    // Saving now would overwrite this file without asking.
    savefilename = m_file;
    installConfigure(workingCopy());
    g_commMode = 0;
    IDS = QStringLiteral("plant.inf");
    Mode = QStringLiteral("KX500-DL-2RS");
    software = QStringLiteral("2.1");
    IsTrue = false;
    IsSave = false;
    Password.clear();
    g_appointIpAddr.clear();
}

void TestHostile::cleanup()
{
    GatewayBench::closeEditors();
    g_Server().abort();
    installConfigure(nullptr);
    savefilename.clear();
    m_dir.reset();
    QVERIFY(!QApplication::overrideCursor());
}

void TestHostile::simulatorShapesItsAnswers_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected"); // everything the gateway sends back
    QTest::addColumn<int>("minMs"); // before all of it is there

    const QByteArray keepAliveRequest = QByteArray::fromHex("0000000d00000000");
    const QByteArray keepAlive = QByteArray::fromHex("0000000d00000008000000010000012c"); // on, 3 s
    const QByteArray password = QByteArray::fromHex("000000070000001c") + "Talvenor" + QByteArray(20, '\0');
    QTest::newRow("keep-alive answer in pieces")
        << QJsonObject{{"answer_drip", QJsonObject{{"commands", QJsonArray{13}}, {"piece", 4}, {"gap_ms", 60}}}}
        << keepAliveRequest << keepAlive << 3 * 60 - 20;
    QTest::newRow("bytes ahead of the answer") << QJsonObject{{"answer_prefix_hex", QJsonObject{{"13", "a1b2c3"}}}}
                                               << keepAliveRequest << QByteArray::fromHex("a1b2c3") + keepAlive << 0;
    QTest::newRow("bytes after the password answer")
        << QJsonObject{{"answer_suffix_hex", QJsonObject{{"7", QString::fromLatin1(kStrayKeepAlive.toHex())}}}}
        << password << answer16(7) + kStrayKeepAlive << 0;
}

void TestHostile::simulatorShapesItsAnswers()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QFETCH(int, minMs);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130400), faults,
                                               {{"keepalive", QJsonObject{{"on", true}, {"time", 3}}}})),
             qPrintable(sim.errorText()));
    QTcpSocket socket;
    QVERIFY(CommandChannel::connectTo(socket, ip));
    QElapsedTimer clock;
    clock.start();
    socket.write(request);
    QByteArray got;
    while (got.size() < expected.size() && clock.elapsed() < 3000 && socket.waitForReadyRead(1000))
        got += socket.readAll();
    const qint64 elapsed = clock.elapsed();
    qInfo("took %lld ms", elapsed);
    got += readFor(socket, 100); // and nothing more
    QCOMPARE(got.toHex(), expected.toHex());
    QVERIFY2(elapsed >= minMs, qPrintable(QString::number(elapsed)));
}

void TestHostile::simulatorFloodsWithDistinctDevices()
{
    constexpr int Copies = 300;
    constexpr int WithinMs = 200;
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(
                 Gateway(ip, 130400),
                 {{"udp_repeat", Copies}, {"udp_repeat_within_ms", WithinMs}, {"udp_repeat_vary_ip", true},
                  {"answer_ip", "10.80.0.0"}})),
             qPrintable(sim.errorText()));
    QUdpSocket socket;
    QVERIFY(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(socket.writeDatagram(QByteArray::fromHex("0000000300000000"), QHostAddress(ip), 18801), qint64(8));
    QSet<quint32> addresses;
    qint64 lastAt = 0;
    while (clock.elapsed() < 3000 && addresses.size() < Copies && socket.waitForReadyRead(1000)) {
        while (socket.hasPendingDatagrams()) {
            QByteArray d(int(socket.pendingDatagramSize()), '\0');
            socket.readDatagram(d.data(), d.size());
            QCOMPARE(d.size(), 68);
            addresses.insert(qFromBigEndian<quint32>(d.constData() + 36));
            lastAt = clock.elapsed();
        }
    }
    QCOMPARE(addresses.size(), Copies);
    QVERIFY(addresses.contains(QHostAddress("10.80.0.0").toIPv4Address()));
    QVERIFY(addresses.contains(QHostAddress("10.80.0.0").toIPv4Address() + Copies - 1));
    // Spread over the time asked for rather than sent in one go.
    QVERIFY2(lastAt >= WithinMs / 2, qPrintable(QString::number(lastAt)));
}

void TestHostile::simulatorRefusesTwoPaces()
{
    SimProcess sim;
    QVERIFY(!sim.start(GatewayBench::simConfig(Gateway(SimProcess::uniqueLoopbackIp(), 130400),
                                               {{"read_drip", true}, {"answer_drip", drip({13}).value("answer_drip")}})));
    QVERIFY2(sim.errorText().contains("cannot be combined"), qPrintable(sim.errorText()));
    QVERIFY(!sim.isRunning());
}

void TestHostile::readStaysBounded_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QString>("password"); // the gateway's, also typed
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<bool>("viaSave"); // the Save button, which reads the selected gateway first
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<bool>("taken"); // the gateway's configuration became the current one
    QTest::addColumn<int>("boundMs");

    const QString readFailed = GetStr(4020);
    const int answer = CommandChannel::AnswerTimeoutMs;
    const QJsonObject hugeLength{{"read_length", 4294967295.0}};
    struct Row {
        const char *name;
        int model;
        const char *password;
        QJsonObject faults;
        QString message;
        bool taken;
        int boundMs;
    };
    const QList<Row> rows{
        // The packed block is never complete by its length: one wait for the rest, then silence.
        {"length FFFFFFFF, packed layout", 130400, "", hugeLength, QString(), false, answer},
        // The fixed layout is complete at its size, whatever the length says.
        {"length FFFFFFFF, fixed layout", 30203, "", hugeLength, QString(), true, 0},
        {"half a packed block, connection kept", 130400, "", {{"read_truncate", 120}}, QString(), false, answer},
        {"half a fixed block, connection kept", 30203, "", {{"read_truncate", 608}}, QString(), false, answer},
        // Each read call waits for one more byte; the keep-alive question then meets block bytes.
        {"block at one byte per 500 ms", 130400, "", drip({5}), readFailed, false, ReadCalls * DripGapMs + answer},
        {"keep-alive answer at one byte per 500 ms", 130400, "", drip({13}), GetStr(4022), false, answer},
        {"half a keep-alive answer, connection kept", 130400, "", halfAnswer({13}), GetStr(4022), false, answer},
        // Its first eight bytes are all the acceptance there is; the rest is not waited for beyond the wait.
        {"half a password answer, connection kept", 30203, "pw12", halfAnswer({7}), QString(), true, answer},
        {"password answer at one byte per 500 ms", 130400, "pw12", drip({7}), GetStr(4014), false, answer},
        // Sent with the password answer, before the tool asked for anything.
        {"keep-alive answer ahead of the read request", 130400, "pw12",
         {{"answer_suffix_hex", QJsonObject{{"7", QString::fromLatin1(kStrayKeepAlive.toHex())}}}}, QString(), true, 0},
        {"fixed block ahead of the read request", 30203, "pw12",
         {{"answer_suffix_hex", QJsonObject{{"7", "00000005000004b8" + QString(2416, QLatin1Char('1'))}}}}, QString(),
         true, 0},
    };
    for (const Row &r : rows) {
        for (const bool viaSave : {false, true}) {
            QString message = r.message;
            if (viaSave && r.taken)
                message = QStringLiteral("Save successfully!");
            QTest::addRow("%s, %s", r.name, viaSave ? "Save" : "Configure")
                << r.model << QString::fromLatin1(r.password) << r.faults << viaSave << message << r.taken
                << r.boundMs + MarginMs;
        }
    }
}

void TestHostile::readStaysBounded()
{
    QFETCH(int, modelCode);
    QFETCH(QString, password);
    QFETCH(QJsonObject, faults);
    QFETCH(bool, viaSave);
    QFETCH(QString, message);
    QFETCH(bool, taken);
    QFETCH(int, boundMs);
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), modelCode, password};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, faults,
                                               {{"name", "Hostile-1"}, {"keepalive", QJsonObject{{"on", true}, {"time", 45}}}})),
             qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    CConfigure *const working = pConfigure;
    const QByteArray before = snapshot();
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerPassword(m, password); });

    QElapsedTimer clock;
    clock.start();
    if (viaSave)
        w->on_bt_Save_clicked();
    else
        w->OnConfigure();
    const qint64 elapsed = clock.elapsed();
    qInfo("took %lld ms", elapsed);

    QVERIFY2(elapsed < boundMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(allClosed(sim, gateway.ip));
    QVERIFY(!g_Server().isOpen());
    QCOMPARE(savefilename, m_file);
    QCOMPARE(GatewayBench::editors().size(), taken && !viaSave ? 1 : 0);
    if (!taken) {
        QCOMPARE(pConfigure, working);
        QCOMPARE(snapshot(), before);
        QCOMPARE(fileBytes(m_file), kFileBytes);
        return;
    }
    // What the gateway itself answered, not the bytes it sent out of turn.
    QVERIFY(pConfigure && pConfigure != working);
    QCOMPARE(pConfigure->m_modelCode, modelCode);
    QCOMPARE(pConfigure->m_name, QStringLiteral("Hostile-1"));
    QCOMPARE(pConfigure->m_ip, gateway.ip);
    QCOMPARE(pConfigure->m_advance.m_aliveTime, uint64_t(45));
    const QByteArray file = fileBytes(m_file);
    QCOMPARE(file == kFileBytes, !viaSave);
    if (viaSave)
        QVERIFY2(file.contains("Hostile-1"), file.constData());
}

void TestHostile::unsolicitedBytesOnConnect()
{
    // The stray answer races the read request: it is either dropped before the
    // request goes out or taken for the start of the block, which then fails.
    const Gateway gateway{SimProcess::uniqueLoopbackIp(), 130400};
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, {{"unsolicited_hex", QString::fromLatin1(kStrayKeepAlive.toHex())}},
                                               {{"name", "Hostile-2"}, {"keepalive", QJsonObject{{"on", true}, {"time", 45}}}})),
             qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    CConfigure *const working = pConfigure;
    const QByteArray before = snapshot();
    MessageSpy spy;

    QElapsedTimer clock;
    clock.start();
    w->OnConfigure();
    const qint64 elapsed = clock.elapsed();
    qInfo("took %lld ms", elapsed);

    QVERIFY2(elapsed < CommandChannel::AnswerTimeoutMs + MarginMs, qPrintable(QString::number(elapsed)));
    QVERIFY(allClosed(sim, gateway.ip));
    QCOMPARE(fileBytes(m_file), kFileBytes);
    if (spy.texts().isEmpty()) {
        qInfo("the stray bytes were dropped before the request");
        QVERIFY(pConfigure && pConfigure != working);
        QCOMPARE(pConfigure->m_name, QStringLiteral("Hostile-2"));
        QCOMPARE(pConfigure->m_advance.m_aliveTime, uint64_t(45));
        QCOMPARE(GatewayBench::editors().size(), 1);
    } else {
        qInfo("the stray bytes were taken for the start of the block");
        QCOMPARE(spy.texts(), QStringList{GetStr(4020)});
        QCOMPARE(pConfigure, working);
        QCOMPARE(snapshot(), before);
        QVERIFY(GatewayBench::editors().isEmpty());
    }
}

void TestHostile::writeStaysBounded_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<bool>("keptPassword"); // the configuration was read from this gateway, with its password
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("stored"); // the gateway holds the written block afterwards
    QTest::addColumn<int>("boundMs");

    const int answer = CommandChannel::AnswerTimeoutMs;
    const QString writeFailed = GetStr(5047);
    const QString success = GetStr(15005);
    const auto ahead = [](const QByteArray &bytes) {
        return QJsonObject{{"7", QString::fromLatin1(bytes.toHex())}};
    };
    // The first bytes accept the block; the keep-alive question then meets the rest of that answer.
    QTest::newRow("write answers at one byte per 500 ms") << drip({6, 14}) << false << GetStr(5050) << true
                                                          << 2 * answer + MarginMs;
    // Only the code of an answer counts, and it comes within the wait.
    QTest::newRow("keep-alive answer at one byte per 500 ms") << drip({14}) << false << success << true
                                                              << answer + MarginMs;
    // The acceptance is in the first half; the keep-alive exchange follows as usual.
    QTest::newRow("half a block answer, connection kept") << halfAnswer({6}) << false << success << true
                                                          << answer + MarginMs;
    QTest::newRow("half a keep-alive answer, connection kept") << halfAnswer({14}) << false << success << true
                                                               << answer + MarginMs;
    QTest::newRow("acceptances ahead of the block, block refused")
        << QJsonObject{{"answer_suffix_hex", ahead(answer16(6) + answer16(14))}, {"write_answer_code5", true}} << true
        << writeFailed << false << answer + MarginMs;
    QTest::newRow("acceptance ahead of the block, block accepted")
        << QJsonObject{{"answer_suffix_hex", ahead(answer16(6))}} << true << success << true << answer + MarginMs;
    // Whether or not the stray acceptance is taken for the block's answer, the
    // keep-alive settings are never acknowledged.
    QTest::newRow("block answer ahead of the block, connection kept silent")
        << QJsonObject{{"unsolicited_hex", QString::fromLatin1(answer16(6).toHex())}, {"tcp_silent", true}} << false
        << GetStr(5046) << false << 2 * answer + MarginMs;
}

void TestHostile::writeStaysBounded()
{
    QFETCH(QJsonObject, faults);
    QFETCH(bool, keptPassword);
    QFETCH(QString, message);
    QFETCH(bool, stored);
    QFETCH(int, boundMs);
    const QString ip = SimProcess::uniqueLoopbackIp();
    const QString password = keptPassword ? QStringLiteral("pw12") : QString();
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(Gateway(ip, 130200, password), faults)), qPrintable(sim.errorText()));
    g_appointIpAddr = ip;
    IsTrue = keptPassword;
    IDS = keptPassword ? GetStr(4190) : QStringLiteral("plant.inf");
    Password = password;
    CConfigure *const working = pConfigure;
    const QByteArray before = snapshot();
    QPointer<Config> editor(new Config(nullptr));
    editor->show();
    MessageSpy spy;

    QElapsedTimer clock;
    clock.start();
    editor->Download();
    const qint64 elapsed = clock.elapsed();
    qInfo("took %lld ms", elapsed);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY2(elapsed < boundMs, qPrintable(QString::number(elapsed)));
    const QStringList texts = spy.texts();
    QCOMPARE(texts, QStringList{message});
    const bool succeeded = texts == QStringList{GetStr(15005)};
    QCOMPARE(editor.isNull(), succeeded);
    QCOMPARE(pConfigure, working);
    QCOMPARE(snapshot(), before);
    QCOMPARE(fileBytes(m_file), kFileBytes);
    QCOMPARE(savefilename, m_file);
    QVERIFY(allClosed(sim, ip));
    QCOMPARE(sim.heldBlock(ip).isEmpty(), !stored);
    if (stored)
        QCOMPARE(sim.heldBlock(ip).mid(12, 12), QByteArray("Working copy"));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
