#include "app/mainwindow.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

// Locate and remote reset from the main window against simulated gateways.
class TestCommands : public QObject
{
    Q_OBJECT

public:
    enum class Command { Locate, Reset };

private Q_SLOTS:
    void cleanup();
    void frameSentAndClosed_data();
    void frameSentAndClosed();
    void prohibitedGatewayGetsNoConnection_data();
    void prohibitedGatewayGetsNoConnection();
    void unreachableGateway_data();
    void unreachableGateway();
    void resetNeedsYes_data();
    void resetNeedsYes();
    void nothingSelectedDoesNothing_data();
    void nothingSelectedDoesNothing();

private:
    // A main window listing one gateway at `ip`, with its row clicked.
    MainWindow *windowWith(const QString &ip, const QString &status);
    static void run(MainWindow *window, Command command);
    QPushButton *button(const char *name) const;

    std::unique_ptr<MainWindow> m_window;
};

Q_DECLARE_METATYPE(TestCommands::Command)

namespace {

QJsonObject oneGateway(const QString &ip, const QJsonObject &faults = {})
{
    return QJsonObject{{"gateways", QJsonArray{QJsonObject{{"ip", ip}, {"model", 130400}, {"faults", faults}}}}};
}

// Things the tool does not wait for are logged a moment after it returns.
constexpr int QuietMs = 400;

} // namespace

void TestCommands::cleanup()
{
    m_window.reset();
}

MainWindow *TestCommands::windowWith(const QString &ip, const QString &status)
{
    m_window = std::make_unique<MainWindow>();
    // The reachability look-up must not leave the machine.
    m_window->netTimer()->stop();
    auto *entry = new CEquipment;
    entry->m_number = "1";
    entry->m_name = "GW";
    entry->m_model = "HW-P04";
    entry->m_ip = ip;
    entry->m_mac = "00-1a-2b-3c-4d-5e";
    entry->m_firmware = "2.1";
    entry->m_password = GetStr(8003);
    entry->m_status = status;
    m_window->equipmentList().append(entry);
    m_window->fillTable();
    m_window->on_tableWidget_cellClicked(0, 0);
    return m_window.get();
}

void TestCommands::run(MainWindow *window, Command command)
{
    if (command == Command::Locate)
        window->on_bt_Locate_clicked();
    else
        window->on_bt_Remotely_reset_clicked();
}

QPushButton *TestCommands::button(const char *name) const
{
    return m_window->findChild<QPushButton *>(QString::fromLatin1(name));
}

void TestCommands::frameSentAndClosed_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("event");
    QTest::newRow("locate sends code 9 with the signature")
        << Command::Locate << QByteArray::fromHex("00000009 00000008 54616c76656e6f72") << "locate";
    QTest::newRow("reset sends code 10 with the signature")
        << Command::Reset << QByteArray::fromHex("0000000a 00000008 54616c76656e6f72") << "restart";
}

void TestCommands::frameSentAndClosed()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, frame);
    QFETCH(QString, event);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(oneGateway(ip)), qPrintable(sim.errorText()));
    MainWindow *w = windowWith(ip, GetStr(8004));
    MessageSpy spy;
    spy.answerNext(QMessageBox::Yes);

    run(w, command);

    QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("close", ip).isEmpty(); }));
    QCOMPARE(sim.tcpBytes(ip), QList<QByteArray>{frame});
    const QList<QJsonObject> closes = sim.events("close", ip);
    QCOMPARE(closes.size(), 1);
    QCOMPARE(closes.first().value("by").toString(), QStringLiteral("peer"));
    QCOMPARE(closes.first().value("peer_sent").toInt(), 16);
    QCOMPARE(closes.first().value("sim_sent").toInt(), 0);
    const QList<QJsonObject> handled = sim.events(event, ip);
    QCOMPARE(handled.size(), 1);
    QVERIFY(handled.first().value("signature_ok").toBool());
    const int questions = command == Command::Reset ? 1 : 0;
    QCOMPARE(spy.shown().size(), questions);
}

void TestCommands::prohibitedGatewayGetsNoConnection_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<unsigned>("message");
    QTest::newRow("locate") << Command::Locate << 4034u;
    QTest::newRow("reset, before any question") << Command::Reset << 4030u;
}

void TestCommands::prohibitedGatewayGetsNoConnection()
{
    QFETCH(Command, command);
    QFETCH(unsigned, message);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(oneGateway(ip)), qPrintable(sim.errorText()));
    MainWindow *w = windowWith(ip, GetStr(4029));
    MessageSpy spy;
    spy.answerNext(QMessageBox::Yes);

    run(w, command);

    QCOMPARE(spy.texts(), QStringList{GetStr(message)});
    QCOMPARE(spy.shown().first().kind, Msg::Kind::Warning);
    QCOMPARE(spy.shown().first().title, QStringLiteral("ZUV-DL-CFG"));
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); },
                            QuietMs));
}

void TestCommands::unreachableGateway_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<unsigned>("message");
    QTest::addColumn<bool>("simulated"); // a gateway that refuses TCP, else no listener at all
    QTest::addColumn<QString>("address"); // empty: a free loopback address
    QTest::newRow("locate, nothing listens") << Command::Locate << 4036u << false << QString();
    QTest::newRow("reset, nothing listens") << Command::Reset << 4032u << false << QString();
    QTest::newRow("locate, gateway refuses TCP") << Command::Locate << 4036u << true << QString();
    QTest::newRow("reset, gateway refuses TCP") << Command::Reset << 4032u << true << QString();
    QTest::newRow("locate, listed address is not an address")
        << Command::Locate << 4036u << false << QStringLiteral("gateway.invalid");
}

void TestCommands::unreachableGateway()
{
    QFETCH(Command, command);
    QFETCH(unsigned, message);
    QFETCH(bool, simulated);
    QFETCH(QString, address);
    const QString ip = address.isEmpty() ? SimProcess::uniqueLoopbackIp() : address;
    SimProcess sim;
    if (simulated)
        QVERIFY2(sim.start(oneGateway(ip, QJsonObject{{"tcp_refuse", true}})), qPrintable(sim.errorText()));
    MainWindow *w = windowWith(ip, GetStr(8004));
    w->setBtStatus(button("bt_CappointIP"), false);
    QVERIFY(!button("bt_CappointIP")->isEnabled());
    MessageSpy spy;
    spy.answerNext(QMessageBox::Yes);

    QElapsedTimer clock;
    clock.start();
    run(w, command);
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(spy.lastText(), GetStr(message));
    QCOMPARE(spy.shown().last().kind, Msg::Kind::Warning);
    QVERIFY(button("bt_CappointIP")->isEnabled());
    QVERIFY2(elapsed < 3000, qPrintable(QString("took %1 ms").arg(elapsed)));
}

void TestCommands::resetNeedsYes_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("No sends nothing") << int(QMessageBox::No);
    QTest::newRow("dismissed question sends nothing") << int(QMessageBox::NoButton);
}

void TestCommands::resetNeedsYes()
{
    QFETCH(int, answer);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(oneGateway(ip)), qPrintable(sim.errorText()));
    MainWindow *w = windowWith(ip, GetStr(8004));
    MessageSpy spy;
    spy.answerNext(QMessageBox::StandardButton(answer));

    w->on_bt_Remotely_reset_clicked();

    QCOMPARE(spy.shown().size(), 1);
    const Msg::Shown &question = spy.shown().first();
    QCOMPARE(question.kind, Msg::Kind::Question);
    QCOMPARE(question.title, GetStr(15001));
    QCOMPARE(question.text, GetStr(15002));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); },
                            QuietMs));
}

void TestCommands::nothingSelectedDoesNothing_data()
{
    QTest::addColumn<Command>("command");
    QTest::newRow("locate") << Command::Locate;
    QTest::newRow("reset") << Command::Reset;
}

void TestCommands::nothingSelectedDoesNothing()
{
    QFETCH(Command, command);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(oneGateway(ip)), qPrintable(sim.errorText()));
    m_window = std::make_unique<MainWindow>();
    m_window->netTimer()->stop();
    auto *entry = new CEquipment;
    entry->m_ip = ip;
    entry->m_model = "HW-P04";
    m_window->equipmentList().append(entry);
    m_window->fillTable();
    MessageSpy spy;
    spy.answerNext(QMessageBox::Yes);

    run(m_window.get(), command);

    QVERIFY(spy.shown().isEmpty());
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); },
                            QuietMs));
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
