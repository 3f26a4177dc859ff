// The main window's device commands against simulated gateways: the password exchange, Locate and Restart,
// the refresh of the selected entry, the hand-over of a new list, and the window's own buttons.
#include "app/mainwindow.h"
#include "config/globals.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QUdpSocket>
#include <QtTest>

using namespace GatewayBench;

namespace {

// HW-P04 "GW-Hall", firmware 2.1, 192.168.1.10, password set, remote allowed.
const QByteArray kAnswer = QByteArray::fromHex(
    "000000030000003c0001fd6000000000000000000000000000020001001a2b3c4d5e0000c0a8010a00000001"
    "47572d48616c6c0000000000000000000000000000000001");

QStringList row(MainWindow &w, int r)
{
    QStringList out;
    for (int c = 0; c < CEquipment::ColumnCount; ++c) {
        const QTableWidgetItem *item = w.findChild<QTableWidget *>("tableWidget")->item(r, c);
        out << (item ? item->text() : QStringLiteral("<no item>"));
    }
    return out;
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { g_Server().abort(); }

    // A stale accepting reply left in the password buffer must not pass for the answer to the password typed
    // into Configure's dialog: a wrong one is refused, the right one reads, Cancel does nothing.
    void passwordIgnoresStaleReply_data()
    {
        QTest::addColumn<QString>("typed"); // empty: Cancel
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("commands"); // as the gateway received them
        QTest::newRow("wrong password") << "abc" << GetStr(4014) << QList<int>{7};
        QTest::newRow("right password") << "abcdefABC012" << QString() << QList<int>{7, 5, 13};
        QTest::newRow("Cancel") << "" << QString() << QList<int>();
    }

    void passwordIgnoresStaleReply()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QList<int>, commands);
        const Gateway gateway{SimProcess::uniqueLoopbackIp(), 30103, QStringLiteral("abcdefABC012")};
        SimProcess sim;
        QVERIFY2(sim.start(simConfig(gateway)), qPrintable(sim.errorText()));
        auto w = window({gateway});
        select(*w, 0);
        const QByteArray stale = QByteArray::fromHex("0000000700000008");
        std::copy(stale.begin(), stale.end(), g_recvbuf.begin());
        MessageSpy spy;
        ModalAnswerer answerer([&](QWidget *m) { return answerPassword(m, typed); });
        w->findChild<QPushButton *>("bt_Configure")->click();
        QCOMPARE(answerer.handled(), 1);
        QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(GatewayBench::commands(sim, gateway.ip), commands);
        QCOMPARE(editors().size(), commands.size() == 3 ? 1 : 0);
        closeEditors();
        if (!typed.isEmpty()) // signature, then the password in 20 bytes
            QCOMPARE(SimProcess::hex(sim.tcpFrames(gateway.ip).value(0)).toHex(),
                     (QByteArray::fromHex("000000070000001c") + "Talvenor" + typed.toLatin1()).leftJustified(36, '\0').toHex());
    }

    void locateAndRestart_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<int>("status"); // the listed status message
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<uint>>("messages");
        QTest::addColumn<QByteArray>("frame"); // what the gateway receives; empty: no connection
        const int yes = QMessageBox::Yes;
        QTest::newRow("locate") << false << 8004 << yes << QList<uint>{} << QByteArray::fromHex("000000090000000854616c76656e6f72");
        QTest::newRow("restart") << true << 8004 << yes << QList<uint>{15002} << QByteArray::fromHex("0000000a0000000854616c76656e6f72");
        QTest::newRow("restart, No") << true << 8004 << int(QMessageBox::No) << QList<uint>{15002} << QByteArray();
        QTest::newRow("locate, prohibited") << false << 4029 << yes << QList<uint>{4034} << QByteArray();
        QTest::newRow("restart, prohibited: not even asked") << true << 4029 << yes << QList<uint>{4030} << QByteArray();
    }

    void locateAndRestart()
    {
        QFETCH(bool, reset);
        QFETCH(int, status);
        QFETCH(int, answer);
        QFETCH(QList<uint>, messages);
        QFETCH(QByteArray, frame);
        const QString ip = SimProcess::uniqueLoopbackIp();
        SimProcess sim;
        QVERIFY2(sim.start(simConfig(Gateway{ip})), qPrintable(sim.errorText()));
        auto w = window({Gateway{ip}});
        w->equipmentList().first()->m_status = GetStr(status);
        select(*w, 0);
        MessageSpy spy;
        spy.answerNext(QMessageBox::StandardButton(answer));
        QElapsedTimer clock;
        clock.start();
        reset ? w->on_bt_Remotely_reset_clicked() : w->on_bt_Locate_clicked();
        QVERIFY(clock.elapsed() < 3000);
        QStringList texts;
        for (uint id : messages)
            texts << GetStr(id);
        QCOMPARE(spy.texts(), texts);
        const auto closed = [&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); };
        QCOMPARE(sim.waitForLog(closed, frame.isEmpty() ? 400 : 3000), !frame.isEmpty());
        if (!frame.isEmpty()) {
            QVERIFY(allClosed(sim, ip));
            QCOMPARE(sim.tcpFrames(ip).size(), 1);
            QCOMPARE(SimProcess::hex(sim.tcpFrames(ip).first()), frame);
            QCOMPARE(sim.events("close", ip).value(0).value("by").toString(), QStringLiteral("peer"));
        }
    }

    // The answer overwrites the selected entry only, and only when it is one the discovery table takes (its
    // refusals of short or long datagrams are that table's rows).
    void refreshOfTheSelectedEntry_data()
    {
        QTest::addColumn<QList<QByteArray>>("datagrams");
        QTest::addColumn<bool>("taken");
        QTest::newRow("last of two wins") << QList<QByteArray>{QByteArray(kAnswer).replace(44, 3, "Old"), kAnswer} << true;
        QTest::newRow("wrong header ignored") << QList<QByteArray>{QByteArray(kAnswer).replace(3, 1, "\x04")} << false;
    }

    void refreshOfTheSelectedEntry()
    {
        QFETCH(QList<QByteArray>, datagrams);
        QFETCH(bool, taken);
        auto w = window({Gateway{"10.0.0.1"}, Gateway{"10.0.0.2"}});
        select(*w, 1);
        const QStringList before0 = row(*w, 0), before1 = row(*w, 1);
        const QHostAddress local(SimProcess::uniqueLoopbackIp(1));
        QVERIFY(w->refreshSocket().bind(local, 10002, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        QUdpSocket sender;
        QVERIFY(sender.bind(QHostAddress(SimProcess::uniqueLoopbackIp(2)), 0));
        for (const QByteArray &d : datagrams)
            QCOMPARE(sender.writeDatagram(d, local, 10002), qint64(d.size()));
        QTRY_VERIFY_WITH_TIMEOUT(w->m_peerPort == sender.localPort() && !w->refreshSocket().hasPendingDatagrams(), 3000);
        QTest::qWait(50);
        QCOMPARE(row(*w, 0), before0);
        const QStringList fresh{"2", "GW-Hall", "HW-P04", "192.168.1.10", "00-1a-2b-3c-4d-5e", "2.1", "Encryption", "Allow configuration"};
        QCOMPARE(row(*w, 1), taken ? fresh : before1);
    }

    // A row number of the old list would name another gateway in the new one; Save keeps its state, for the
    // configuration at hand.
    void handOverDropsTheSelection_data()
    {
        QTest::addColumn<bool>("saveOn");
        QTest::newRow("Save on: a configuration was read, made or loaded") << true;
        QTest::newRow("Save off") << false;
    }

    void handOverDropsTheSelection()
    {
        QFETCH(bool, saveOn);
        auto w = window({Gateway{"10.0.0.1"}, Gateway{"10.0.0.2"}, Gateway{"10.0.0.3"}});
        select(*w, 2);
        QVERIFY(w->findChild<QPushButton *>("bt_Configure")->isEnabled());
        w->setBtStatus(w->findChild<QPushButton *>("bt_Save"), saveOn);
        auto w2 = window({Gateway{"10.1.0.1"}, Gateway{"10.1.0.2"}});
        QVector<CEquipment *> handed{w2->equipmentList().begin(), w2->equipmentList().end()};
        const QStringList first = row(*w2, 0);
        w->Slot_ClearWidget(handed);
        w2.reset(); // the list holds its own copy
        QCOMPARE(w->equipmentList().size(), 1);
        QCOMPARE(row(*w, 0), first);
        QCOMPARE(row(*w, 1).at(CEquipment::IpAddress), QStringLiteral("<no item>"));
        QCOMPARE(w->selectedRow(), -1);
        for (const char *name : {"bt_Configure", "bt_Locate", "bt_Remotely_reset"})
            QVERIFY2(!w->findChild<QPushButton *>(name)->isEnabled(), name);
        QCOMPARE(w->findChild<QPushButton *>("bt_Save")->isEnabled(), saveOn);
    }

    // The About handler is connected by hand only: building the window warns of no slot without a signal.
    void constructionWarnsOfNoSlot()
    {
        static QStringList warnings;
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &t) {
            if (type == QtWarningMsg)
                warnings << t;
        });
        { MainWindow another; }
        qInstallMessageHandler(previous);
        QCOMPARE(warnings.filter("connectSlotsByName") + warnings.filter("No matching signal"), QStringList());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
