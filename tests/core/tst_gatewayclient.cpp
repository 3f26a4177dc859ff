// The gateway client on its own, as the command-line tool and the windows run it, against simulated gateways on
// loopback, well-behaved and hostile: the message each failing step carries, what reaches the gateway, that no wait
// outlasts its bound, and that nothing process-wide is touched.
#include "config/commandchannel.h"
#include "config/configure.h"
#include "config/gatewayclient.h"
#include "config/globals.h"
#include "config/newconfigure.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QTcpSocket>
#include <QtTest>

using Purpose = GatewayClient::Purpose;
Q_DECLARE_METATYPE(Purpose)

namespace {

// The gateway's answers to `commands` come `piece` bytes at a time, `gapMs` apart.
QJsonObject drip(const QJsonArray &commands, int piece, int gapMs)
{
    return QJsonObject{{"answer_drip", QJsonObject{{"commands", commands}, {"piece", piece}, {"gap_ms", gapMs}}}};
}
QJsonObject halfAnswer(int command) { return drip({command}, 8, 60000); } // the rest never comes; kept open

// Bytes sent right after the password answer, before the client asks for anything.
QJsonObject ahead(const char *hex) { return QJsonObject{{"answer_suffix_hex", QJsonObject{{"7", hex}}}}; }

} // namespace

class TestGatewayClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steps_data()
    {
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<QString>("typed"); // sent first; empty: no password step
        QTest::addColumn<Purpose>("purpose");
        QTest::addColumn<int>("message"); // 0: done; -1: failed without a message, the gateway having gone quiet
        QTest::addColumn<QList<int>>("commands"); // as the gateway received them; a write ending in 10 restarts it
        QTest::addColumn<int>("boundMs");
        const int wait = CommandChannel::AnswerTimeoutMs + 2000; // the client's own wait, with room for the simulator
        const auto row = [](const char *name, const QJsonObject &faults, const QString &typed, Purpose purpose, int message,
                            const QList<int> &commands, int boundMs = 3000) {
            QTest::newRow(name) << faults << typed << purpose << message << commands << boundMs;
        };
        const QJsonObject none, refused{{"tcp_refuse", true}};
        const QList<int> read{7, 5, 13}, written{7, 6, 14};
        row("read after the password, on its connection", none, "pw12", Purpose::Read, 0, read);
        row("password rejected: nothing read", none, "nope", Purpose::Read, 4014, {7});
        row("password left out: the gateway hangs up", none, "", Purpose::Read, 4020, {5});
        row("read: connection refused", refused, "", Purpose::Read, 4018, {});
        row("block with a wrong header", {{"read_bad_header", true}}, "pw12", Purpose::Read, 4020, {7, 5});
        row("connection dropped midway", {{"drop_midway", true}}, "pw12", Purpose::Read, 4021, {7, 5});
        row("keep-alive with a wrong header", {{"keepalive_bad_header", true}}, "pw12", Purpose::Read, 4022, read);
        row("keep-alive answer under 16 bytes, connection kept", halfAnswer(13), "pw12", Purpose::Read, 4022, read, wait);
        // The packed block is never complete by that length: one wait for the rest, then silence.
        row("length FFFFFFFF", {{"read_length", 4294967295.0}}, "pw12", Purpose::Read, -1, {7, 5}, wait);
        row("half a block, connection kept", {{"read_truncate", 120}}, "pw12", Purpose::Read, -1, {7, 5}, wait);
        row("block at one byte per 500 ms: incomplete after 8 reads", drip({5}, 1, 500), "pw12", Purpose::Read, 4020, read, 8 * 500 + wait);
        row("block in five pieces: read whole", drip({5}, 50, 100), "pw12", Purpose::Read, 0, read);
        // Stale bytes are dropped before each request, not taken for its answer.
        row("keep-alive answer ahead of the read request", ahead("0000000d00000008000000010000ea60"), "pw12", Purpose::Read, 0, read, wait);
        row("password: connection refused", refused, "pw12", Purpose::Password, 7002, {});
        row("write and restart after the password", none, "pw12", Purpose::Write, 0, written + QList<int>{10});
        row("write: connection refused", refused, "", Purpose::Write, 7001, {});
        row("block answered with code 5: no keep-alive frame", {{"write_answer_code5", true}}, "pw12", Purpose::Write, 5047, {7, 6});
        row("block never answered", {{"write_silent", true}}, "pw12", Purpose::Write, 5046, {7, 6}, wait);
        row("keep-alive answered with a wrong header", {{"keepalive_write_bad", true}}, "pw12", Purpose::Write, 5050, written);
        // The first bytes accept the block; the keep-alive question then meets the rest of that answer.
        row("answers at one byte per 500 ms", drip({6, 14}, 1, 500), "pw12", Purpose::Write, 5050, written, 2 * wait);
        row("half a block answer, connection kept", halfAnswer(6), "pw12", Purpose::Write, 0, written, wait);
        // Stale acceptances must not pass for the answers to this write.
        QJsonObject stale = ahead("00000006000000080000000000000000" "0000000e000000080000000000000000");
        stale.insert("write_answer_code5", true);
        row("acceptances ahead of the block, block refused", stale, "pw12", Purpose::Write, 5047, {7, 6}, wait);
        row("locate", none, "", Purpose::Locate, 0, {9});
        row("locate: connection refused", refused, "", Purpose::Locate, 4036, {});
        row("restart: connection refused", refused, "", Purpose::Restart, 4032, {});
    }

    void steps()
    {
        QFETCH(QJsonObject, faults);
        QFETCH(QString, typed);
        QFETCH(Purpose, purpose);
        QFETCH(int, message);
        QFETCH(QList<int>, commands);
        QFETCH(int, boundMs);
        const QString ip = SimProcess::uniqueLoopbackIp();
        SimProcess sim;
        faults.insert("require_auth", true);
        const QJsonObject gateway{{"ip", ip}, {"model", 130200}, {"password", "pw12"}, {"name", "Client-1"}, {"faults", faults}};
        QVERIFY2(sim.start(QJsonObject{{"gateways", QJsonArray{gateway}}}), qPrintable(sim.errorText()));

        QTcpSocket socket;
        GatewayClient client(socket);
        GatewayClient::Configuration read;
        CConfigure written;
        NewConfigure::fill(written, 130200, QStringLiteral("Written-1"));
        QElapsedTimer clock;
        clock.start();
        Outcome done;
        if (purpose == Purpose::Locate)
            done = client.locate(ip);
        else if (purpose == Purpose::Restart)
            done = client.restart(ip);
        else
            done = client.connectTo(ip, purpose);
        if (done && !typed.isEmpty())
            done = client.authenticate(typed, GatewayClient::PasswordSource::Typed);
        if (done && purpose == Purpose::Read)
            done = client.readConfiguration(130200, read);
        if (done && purpose == Purpose::Write)
            done = client.writeConfiguration(written, 0, QStringLiteral("2.1"));
        if (done && purpose == Purpose::Write && commands.endsWith(10))
            client.sendRestart();
        client.close();
        QVERIFY2(clock.elapsed() < boundMs, qPrintable(QString::number(clock.elapsed())));

        QCOMPARE(int(done.messageId), std::max(message, 0));
        QCOMPARE(done.ok, message == 0);
        QCOMPARE(read.configure != nullptr, message == 0 && purpose == Purpose::Read);
        if (read.configure)
            QCOMPARE(read.configure->m_name + read.configure->m_advance.m_password, QStringLiteral("Client-1pw12"));
        // Every connection closed again, the frames of one that is not read from logged a moment later.
        QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) {
            return sim.events("close", ip).size() == sim.events("connect", ip).size() && sim.tcpFrames(ip).size() >= commands.size();
        }));
        QList<int> received;
        for (const QJsonObject &frame : sim.tcpFrames(ip))
            received << frame.value("cmd").toInt();
        QCOMPARE(received, commands);
        if (message == 0 && purpose == Purpose::Write)
            QCOMPARE(sim.heldBlock(ip).mid(12, 10), QByteArray("Written-1\0", 10));
        if (commands.endsWith(10))
            QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("restart", ip).isEmpty(); }));
        QVERIFY(!pConfigure && g_commMode == 0 && Password.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGatewayClient)
#include "tst_gatewayclient.moc"
