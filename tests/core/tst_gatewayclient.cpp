// The gateway client on its own, as the command-line tool runs it, against simulated gateways on loopback: the
// message each failing step carries, what reaches the gateway, and that nothing process-wide is touched.
#include "config/configure.h"
#include "config/gatewayclient.h"
#include "config/globals.h"
#include "support/simprocess.h"

#include <QJsonArray>
#include <QTcpSocket>
#include <QtTest>

using Purpose = GatewayClient::Purpose;
Q_DECLARE_METATYPE(Purpose)

class TestGatewayClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steps_data()
    {
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<QString>("typed"); // sent before the read; empty: no password step
        QTest::addColumn<Purpose>("purpose");
        QTest::addColumn<uint>("message");
        QTest::addColumn<QList<int>>("commands"); // as the gateway received them
        const QJsonObject none, refused{{"tcp_refuse", true}};
        QTest::newRow("read after the password, on its connection") << none << "pw12" << Purpose::Read << 0u << QList<int>{7, 5, 13};
        QTest::newRow("password rejected: nothing read") << none << "nope" << Purpose::Read << 4014u << QList<int>{7};
        QTest::newRow("password left out: the gateway hangs up") << none << "" << Purpose::Read << 4020u << QList<int>{5};
        QTest::newRow("keep-alive with a wrong header") << QJsonObject{{"keepalive_bad_header", true}} << "pw12" << Purpose::Read
                                                        << 4022u << QList<int>{7, 5, 13};
        QTest::newRow("read: connection refused") << refused << "" << Purpose::Read << 4018u << QList<int>();
        QTest::newRow("password: connection refused") << refused << "pw12" << Purpose::Password << 7002u << QList<int>();
        QTest::newRow("write: connection refused") << refused << "" << Purpose::Write << 7001u << QList<int>();
        QTest::newRow("locate") << none << "" << Purpose::Locate << 0u << QList<int>{9};
        QTest::newRow("locate: connection refused") << refused << "" << Purpose::Locate << 4036u << QList<int>();
        QTest::newRow("restart: connection refused") << refused << "" << Purpose::Restart << 4032u << QList<int>();
    }

    void steps()
    {
        QFETCH(QJsonObject, faults);
        QFETCH(QString, typed);
        QFETCH(Purpose, purpose);
        QFETCH(uint, message);
        QFETCH(QList<int>, commands);
        const QString ip = SimProcess::uniqueLoopbackIp();
        SimProcess sim;
        faults.insert("require_auth", true);
        const QJsonObject gateway{{"ip", ip}, {"model", 130200}, {"password", "pw12"}, {"name", "Client-1"}, {"faults", faults}};
        QVERIFY2(sim.start(QJsonObject{{"gateways", QJsonArray{gateway}}}), qPrintable(sim.errorText()));

        QTcpSocket socket;
        GatewayClient client(socket);
        GatewayClient::Configuration read;
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
        client.close();

        QCOMPARE(done.messageId, message);
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
        QVERIFY(!pConfigure && g_commMode == 0 && Password.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGatewayClient)
#include "tst_gatewayclient.moc"
