#include "app/mainwindow.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QPushButton>
#include <QtTest>

#include <memory>

// Locate and remote reset from the main window against simulated gateways.
class TestCommands : public QObject
{
    Q_OBJECT

public:
    enum class Command { Locate, Reset };
    enum class Gateway { Allowing, Prohibiting, Refusing, Absent, NotAnAddress };

private Q_SLOTS:
    void cleanup() { m_window.reset(); }
    void frameSentAndClosed_data();
    void frameSentAndClosed();
    void refused_data();
    void refused();

private:
    // A main window listing one gateway at `ip`, its row clicked when `select`.
    MainWindow *windowWith(const QString &ip, const QString &status, bool select = true);
    static void run(MainWindow *window, Command command);

    std::unique_ptr<MainWindow> m_window;
};

Q_DECLARE_METATYPE(TestCommands::Command)
Q_DECLARE_METATYPE(TestCommands::Gateway)

static QJsonObject oneGateway(const QString &ip, const QJsonObject &faults = {})
{
    return QJsonObject{{"gateways", QJsonArray{QJsonObject{{"ip", ip}, {"model", 130400}, {"faults", faults}}}}};
}

MainWindow *TestCommands::windowWith(const QString &ip, const QString &status, bool select)
{
    m_window = std::make_unique<MainWindow>();
    // The reachability look-up must not leave the machine.
    m_window->netTimer()->stop();
    auto *entry = new CEquipment;
    entry->m_model = "HW-P04";
    entry->m_ip = ip;
    entry->m_status = status;
    m_window->equipmentList().append(entry);
    m_window->fillTable();
    if (select)
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

void TestCommands::frameSentAndClosed_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("locate") << Command::Locate << QByteArray::fromHex("00000009 00000008 54616c76656e6f72");
    QTest::newRow("reset") << Command::Reset << QByteArray::fromHex("0000000a 00000008 54616c76656e6f72");
}

void TestCommands::frameSentAndClosed()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, frame);
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
    QCOMPARE(spy.texts(), command == Command::Reset ? QStringList{GetStr(15002)} : QStringList());
    if (command == Command::Reset)
        QCOMPARE(spy.shown().first().buttons, QMessageBox::Yes | QMessageBox::No);
}

// No connection when prohibited (before any question), not answered Yes or nothing
// selected; an unreachable gateway gives its message within a bounded time.
void TestCommands::refused_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<Gateway>("gateway");
    QTest::addColumn<bool>("select");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QList<uint>>("messages");
    const int yes = QMessageBox::Yes;
    const Gateway up = Gateway::Allowing;
    QTest::newRow("locate, prohibited") << Command::Locate << Gateway::Prohibiting << true << yes << QList<uint>{4034};
    QTest::newRow("reset, prohibited") << Command::Reset << Gateway::Prohibiting << true << yes << QList<uint>{4030};
    QTest::newRow("reset, No") << Command::Reset << up << true << int(QMessageBox::No) << QList<uint>{15002};
    QTest::newRow("reset, dismissed") << Command::Reset << up << true << int(QMessageBox::NoButton) << QList<uint>{15002};
    QTest::newRow("locate, no selection") << Command::Locate << up << false << yes << QList<uint>{};
    QTest::newRow("reset, no selection") << Command::Reset << up << false << yes << QList<uint>{};
    QTest::newRow("locate, nothing listens") << Command::Locate << Gateway::Absent << true << yes << QList<uint>{4036};
    QTest::newRow("reset, TCP refused") << Command::Reset << Gateway::Refusing << true << yes << QList<uint>{15002, 4032};
    QTest::newRow("locate, not an address") << Command::Locate << Gateway::NotAnAddress << true << yes << QList<uint>{4036};
}

void TestCommands::refused()
{
    QFETCH(Command, command);
    QFETCH(Gateway, gateway);
    QFETCH(bool, select);
    QFETCH(int, answer);
    QFETCH(QList<uint>, messages);
    const QString ip = gateway == Gateway::NotAnAddress ? QStringLiteral("gateway.invalid") : SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    const bool listening = gateway == Gateway::Allowing || gateway == Gateway::Prohibiting;
    if (listening || gateway == Gateway::Refusing)
        QVERIFY2(sim.start(oneGateway(ip, QJsonObject{{"tcp_refuse", !listening}})), qPrintable(sim.errorText()));
    MainWindow *w = windowWith(ip, GetStr(gateway == Gateway::Prohibiting ? 4029 : 8004), select);
    auto *appoint = w->findChild<QPushButton *>("bt_CappointIP");
    w->setBtStatus(appoint, false);
    MessageSpy spy;
    spy.answerNext(QMessageBox::StandardButton(answer));

    QElapsedTimer clock;
    clock.start();
    run(w, command);
    const qint64 elapsed = clock.elapsed();

    QStringList texts;
    for (uint id : messages)
        texts << GetStr(id);
    QCOMPARE(spy.texts(), texts);
    QVERIFY2(elapsed < 3000, qPrintable(QString("took %1 ms").arg(elapsed)));
    if (listening) {
        // 400 ms: long enough for a connection the tool did not wait for to show up.
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); }, 400));
    } else {
        QCOMPARE(spy.shown().last().kind, Msg::Kind::Warning);
        QVERIFY(appoint->isEnabled()); // a failed connection gives the buttons back
    }
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
