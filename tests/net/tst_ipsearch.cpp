#include "app/mainwindow.h"
#include "app/myipctrl.h"
#include "config/globals.h"
#include "discovery/dialog_setip.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QJsonArray>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

const QString kPc = QStringLiteral("10.77.0.1");
const QString kGateway = QStringLiteral("10.77.0.2");
// Inside the lab's subnet, but nobody has it.
const QString kNobody = QStringLiteral("10.77.0.50");

// A discovery answer of a KX500-DL-2RS named `name`; `header` replaces its first four bytes.
QByteArray answer(const QString &name, const QByteArray &header = QByteArray::fromHex("00000003"), int size = 68)
{
    QByteArray a(68, '\0');
    a.replace(0, 4, header);
    a[7] = 0x3c;
    a.replace(9, 3, QByteArray::fromHex("01fc98")); // model 130200
    a[25] = 2;
    a[27] = 1;
    a.replace(36, 4, QByteArray::fromHex("0a4d0063"));
    a.replace(44, name.size(), name.toLatin1());
    a[67] = 1;
    return a.left(size).leftJustified(size, '\0');
}

// Sends the datagrams to the dialog's port at once, from loopback inside the lab.
bool sendToDialog(const QList<QByteArray> &datagrams)
{
    QUdpSocket peer;
    if (!peer.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0))
        return false;
    for (const QByteArray &d : datagrams) {
        if (peer.writeDatagram(d, QHostAddress(QStringLiteral("127.0.0.1")), Dialog_SetIP::LocalPort) != d.size())
            return false;
    }
    return true;
}

} // namespace

// The search by IP address, run for real inside a throwaway network: the test
// process is moved into the lab's pc namespace before any socket is made, so
// no request ever leaves the lab.
class TstIpSearch : public QObject
{
    Q_OBJECT

    MyIPCtrl *control() const { return m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3")); }
    void click(const char *name) { m_dialog->findChild<QPushButton *>(QLatin1String(name))->click(); }

    void typeAndSearch(const QString &address)
    {
        control()->setIP(address);
        click("bt_ok");
    }

    QStringList listedNames() const
    {
        QStringList names;
        for (const CEquipment *e : m_window->equipmentList())
            names << e->m_number + QLatin1Char(' ') + e->m_name;
        return names;
    }

    std::unique_ptr<NetLab> m_lab;
    SimProcess *m_sim = nullptr;
    std::unique_ptr<MessageSpy> m_spy;
    std::unique_ptr<MainWindow> m_window;
    Dialog_SetIP *m_dialog = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        if (!NetLab::unavailableReason().isEmpty())
            QSKIP(qPrintable(NetLab::unavailableReason()));
        m_lab = std::make_unique<NetLab>();
        QVERIFY2(m_lab->up({}), qPrintable(m_lab->errorText()));
        m_sim = m_lab->startSimulator(
            QJsonObject{{"gateways", QJsonArray{QJsonObject{{"ip", kGateway}, {"name", "Pump house"}}}}});
        QVERIFY2(m_sim, qPrintable(m_lab->errorText()));
    }

    // Opens the dialog from the main window's button, as the user does.
    void init()
    {
        QVERIFY(m_lab && m_lab->inPcNamespace());
        g_appointIpAddr.clear();
        m_spy = std::make_unique<MessageSpy>();
        m_window = std::make_unique<MainWindow>();
        m_window->netTimer()->stop();
        m_window->show();
        m_window->findChild<QPushButton *>(QStringLiteral("bt_CappointIP"))->click();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<Dialog_SetIP *>(w))
                m_dialog = d;
        }
        QVERIFY(m_dialog && control());
    }

    void cleanup()
    {
        m_window.reset();
        m_dialog = nullptr;
        m_spy.reset();
    }

    void cleanupTestCase() { m_lab.reset(); }

    void answerBecomesOnlyEntry()
    {
        // An earlier search listed two devices.
        for (const char *ip : {"10.77.0.7", "10.77.0.8"}) {
            m_window->equipmentList().append(new CEquipment);
            m_window->equipmentList().last()->m_ip = QLatin1String(ip);
        }
        m_window->fillTable();
        // Bound as a configuration read binds it, before the search: the
        // dialog must still get its answer, and let the port go afterwards.
        QUdpSocket &refresh = m_window->refreshSocket();
        QVERIFY(refresh.bind(QHostAddress::AnyIPv4, Dialog_SetIP::LocalPort,
                             QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        const int before = m_sim->udpReceived(kGateway).size();

        typeAndSearch(kGateway);
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
        QCOMPARE(m_spy->texts(), QStringList());
        QCOMPARE(g_appointIpAddr, kGateway);
        QCOMPARE(listedNames(), QStringList{"1 Pump house"});
        auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        QCOMPARE(table->item(0, CEquipment::IpAddress)->text(), kGateway);
        QVERIFY(!table->item(1, 0) || table->item(1, 0)->text().isEmpty());
        // The control is emptied for the next search.
        QVERIFY(control()->getIP().isNull());
        QCOMPARE(m_dialog->socket(), nullptr);

        const QList<QJsonObject> requests = m_sim->udpReceived(kGateway);
        QCOMPARE(requests.size(), before + 1);
        QCOMPARE(requests.last().value("hex").toString(), QStringLiteral("0000000300000000"));
        QCOMPARE(requests.last().value("peer").toString(), kPc + QStringLiteral(":10002"));

        // A later answer on the shared port reaches the refresh socket and
        // leaves the list as the search made it.
        QSignalSpy refreshed(&refresh, &QUdpSocket::readyRead);
        QVERIFY(sendToDialog({answer("Late")}));
        QTRY_VERIFY_WITH_TIMEOUT(refreshed.count() >= 1, 2000);
        QCOMPARE(listedNames(), QStringList{"1 Pump house"});
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("portBusy");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<QString>("appointed");

        const QString retype = QStringLiteral("Please enter the correct IP address.");
        QTest::newRow("nothing typed") << QString() << false << retype << true << QString();
        QTest::newRow("inner field empty") << "10..0.2" << false << retype << true << QString();
        QTest::newRow("port busy")
            << kGateway << true << "Failed to Bind 0.0.0.0:10002,Please confirm whether the IP address is correct."
            << false << kGateway;
        // The lab's pc namespace has no default route: the request cannot be
        // written, and nothing leaves the namespace.
        QTest::newRow("no route")
            << "198.51.100.7" << false
            << "Failed to Write Data To 198.51.100.7:18801,Please confirm whether the IP address is correct." << false
            << "198.51.100.7";
    }

    void refusals()
    {
        QFETCH(QString, typed);
        QFETCH(bool, portBusy);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);
        QFETCH(QString, appointed);

        const int before = m_sim->udpReceived(kGateway).size();
        QUdpSocket holder;
        if (portBusy)
            QVERIFY(holder.bind(QHostAddress::AnyIPv4, Dialog_SetIP::LocalPort, QUdpSocket::DontShareAddress));
        control()->setIP(kGateway);
        control()->clearEdit();
        if (!typed.isEmpty())
            control()->setIP(typed);
        g_appointIpAddr = QStringLiteral("stale");
        click("bt_ok");
        QCOMPARE(m_spy->texts(), QStringList{message});
        QCOMPARE(m_spy->shown().first().title, QStringLiteral("ZUV-DL-CFG"));
        QCOMPARE(g_appointIpAddr, appointed);
        QCOMPARE(m_dialog->isVisible(), staysOpen);
        QCOMPARE(m_dialog->socket(), nullptr);
        QTest::qWait(300);
        QCOMPARE(m_sim->udpReceived(kGateway).size(), before);
    }

    void datagramsReadTogether_data()
    {
        QTest::addColumn<QList<QByteArray>>("datagrams");
        QTest::addColumn<QStringList>("listed");

        const QByteArray command3 = QByteArray::fromHex("00000003");
        QTest::newRow("two answers: the second is kept")
            << QList<QByteArray>{answer("First"), answer("Second")} << QStringList{"1 Second"};
        QTest::newRow("wrong header skipped")
            << QList<QByteArray>{answer("Valid"), answer("Bad", QByteArray::fromHex("00000004"))}
            << QStringList{"1 Valid"};
        QTest::newRow("short datagram ends the reading, the answer before it stands")
            << QList<QByteArray>{answer("Valid"), answer("Short", command3, 8)} << QStringList{"1 Valid"};
        QTest::newRow("short datagram alone hands over nothing")
            << QList<QByteArray>{answer("Short", command3, 8)} << QStringList{};
        QTest::newRow("long datagram is no answer") << QList<QByteArray>{answer("Long", command3, 80)} << QStringList{};
    }

    void datagramsReadTogether()
    {
        QFETCH(QList<QByteArray>, datagrams);
        QFETCH(QStringList, listed);

        typeAndSearch(kNobody);
        QVERIFY(m_dialog->socket());
        // Sent before the event loop runs again, so the dialog reads them in one go.
        QVERIFY(sendToDialog(datagrams));
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
        QCOMPARE(listedNames(), listed);
        QCOMPARE(m_dialog->records().size(), listed.size());
        QCOMPARE(m_spy->texts(), QStringList());
    }

    void silentAddressKeepsDialogOpen()
    {
        m_window->equipmentList().append(new CEquipment);

        typeAndSearch(kNobody);
        QTest::qWait(1000);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_window->equipmentList().size(), 1);
        QCOMPARE(g_appointIpAddr, kNobody);

        // Pressing OK again binds a fresh socket to the same port: the old one was let go.
        typeAndSearch(kNobody);
        QVERIFY(m_dialog->socket());
        QCOMPARE(m_dialog->socket()->state(), QAbstractSocket::BoundState);
        QCOMPARE(m_dialog->socket()->localPort(), Dialog_SetIP::LocalPort);
        QCOMPARE(m_spy->texts(), QStringList());
        // Cancel empties the control and hides the dialog; the list stays as it was.
        control()->setIP(kNobody);
        click("bt_cancel");
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(control()->getIP().isNull());
        QCOMPARE(m_dialog->socket(), nullptr);
        QCOMPARE(m_window->equipmentList().size(), 1);
    }
};

QTEST_MAIN(TstIpSearch)
#include "tst_ipsearch.moc"
