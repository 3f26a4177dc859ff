#include "app/mainwindow.h"
#include "app/myipctrl.h"
#include "config/globals.h"
#include "discovery/dialog_setip.h"
#include "support/messagespy.h"
#include "support/netlab.h"

#include <QApplication>
#include <QJsonArray>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QUdpSocket>
#include <QtTest>

namespace {

const QString kPc = QStringLiteral("10.77.0.1");
const QString kGateway = QStringLiteral("10.77.0.2");
// Inside the lab's subnet, but nobody has it.
const QString kNobody = QStringLiteral("10.77.0.50");

// A discovery answer of a KX500-DL-2RS (130200, at byte 9) named `name`, of the given size and header.
QByteArray answer(const QString &name, int size = 68, const char *header = "00000003")
{
    const QByteArray head = QByteArray::fromHex(header) + QByteArray::fromHex("000000000001fc98") + QByteArray(32, 0);
    return (head + name.toLatin1()).leftJustified(size, '\0', true);
}

// Sends the datagrams to the dialog's port at once, from loopback inside the lab.
bool sendToDialog(const QList<QByteArray> &datagrams)
{
    QUdpSocket peer;
    bool sent = peer.bind(QHostAddress(QHostAddress::LocalHost), 0);
    for (const QByteArray &d : datagrams)
        sent = sent && peer.writeDatagram(d, QHostAddress::LocalHost, Dialog_SetIP::LocalPort) == d.size();
    return sent;
}

} // namespace

using Datagrams = QList<QByteArray>;

// The search by IP address, run for real inside a throwaway network: the process is moved into
// the lab's pc namespace before any socket is made, so no request ever leaves the lab.
class TstIpSearch : public QObject
{
    Q_OBJECT

    MyIPCtrl *control() const { return m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3")); }
    void click(const char *name) { m_dialog->findChild<QPushButton *>(QLatin1String(name))->click(); }
    void typeAndSearch(const QString &address) { control()->setIP(address); click("bt_ok"); }

    QStringList listedNames() const
    {
        QStringList names;
        for (const CEquipment *e : m_window->equipmentList())
            names << e->m_number + QLatin1Char(' ') + e->m_name;
        return names;
    }

    NetLab m_lab;
    SimProcess *m_sim = nullptr;
    std::unique_ptr<MessageSpy> m_spy;
    std::unique_ptr<MainWindow> m_window;
    Dialog_SetIP *m_dialog = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        const QJsonArray gateways{QJsonObject{{"ip", kGateway}, {"name", "Pump house"}}};
        QVERIFY2(m_lab.up({}) && (m_sim = m_lab.startSimulator(QJsonObject{{"gateways", gateways}})), qPrintable(m_lab.errorText()));
    }

    // Opens the dialog from the main window's button, as the user does.
    void init()
    {
        QVERIFY(m_lab.inPcNamespace());
        g_appointIpAddr.clear();
        m_spy = std::make_unique<MessageSpy>();
        m_window = std::make_unique<MainWindow>();
        m_window->netTimer()->stop();
        m_window->show();
        m_window->findChild<QPushButton *>(QStringLiteral("bt_CappointIP"))->click();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<Dialog_SetIP *>(w))
                m_dialog = d;
        QVERIFY(m_dialog && control());
    }

    void cleanup() { m_window.reset(); m_spy.reset(); m_dialog = nullptr; }

    void answerBecomesOnlyEntry()
    {
        m_window->equipmentList() << new CEquipment << new CEquipment; // from an earlier search
        m_window->fillTable();
        // Bound first, as a configuration read binds it: the dialog must still get its answer, then let go.
        QUdpSocket &refresh = m_window->refreshSocket();
        QVERIFY(refresh.bind(QHostAddress::AnyIPv4, Dialog_SetIP::LocalPort,
                             QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        const int before = m_sim->udpReceived(kGateway).size();
        // Silence keeps the dialog open; searching again binds a fresh socket to the same port.
        typeAndSearch(kNobody);
        QTest::qWait(1000);
        QVERIFY(m_dialog->isVisible());
        typeAndSearch(kNobody);
        QCOMPARE(m_dialog->socket()->localPort(), Dialog_SetIP::LocalPort);
        // Cancel empties the control, hides the dialog and lets the port go; the list stays.
        control()->setIP(kNobody);
        click("bt_cancel");
        QVERIFY(!m_dialog->isVisible() && control()->getIP().isNull() && !m_dialog->socket());
        QCOMPARE(m_window->equipmentList().size(), 2);

        m_window->findChild<QPushButton *>(QStringLiteral("bt_CappointIP"))->click();
        typeAndSearch(kGateway);
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
        QCOMPARE(m_spy->texts(), QStringList());
        QCOMPARE(g_appointIpAddr, kGateway);
        QCOMPARE(listedNames(), QStringList{"1 Pump house"});
        auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        QCOMPARE(table->item(0, CEquipment::IpAddress)->text(), kGateway); // the table was filled again
        QVERIFY(control()->getIP().isNull() && !m_dialog->socket());

        const QList<QJsonObject> requests = m_sim->udpReceived(kGateway);
        QCOMPARE(requests.size(), before + 1); // its bytes are the discovery table's
        QCOMPARE(requests.last().value("peer").toString(), kPc + QStringLiteral(":10002"));

        // A later answer on the shared port reaches the refresh socket; the list stays as the search made it.
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

        const QString retype = QStringLiteral("Please enter the correct IP address.");
        const QString check = QStringLiteral(",Please confirm whether the IP address is correct.");
        QTest::newRow("nothing typed") << QString() << false << retype << true;
        QTest::newRow("inner field empty") << "10..0.2" << false << retype << true;
        QTest::newRow("port busy") << kGateway << true << "Failed to Bind 0.0.0.0:10002" + check << false;
        // The lab's pc namespace has no default route: nothing leaves it.
        QTest::newRow("no route") << "198.51.100.7" << false << "Failed to Write Data To 198.51.100.7:18801" + check << false;
    }

    void refusals()
    {
        QFETCH(QString, typed);
        QFETCH(bool, portBusy);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);

        const int before = m_sim->udpReceived(kGateway).size();
        QUdpSocket holder;
        if (portBusy)
            QVERIFY(holder.bind(QHostAddress::AnyIPv4, Dialog_SetIP::LocalPort, QUdpSocket::DontShareAddress));
        g_appointIpAddr = QStringLiteral("stale");
        typeAndSearch(typed);
        QCOMPARE(m_spy->texts(), QStringList{message});
        // A complete address stays the target even when it failed; an incomplete one is dropped.
        QCOMPARE(g_appointIpAddr, staysOpen ? QString() : typed);
        QCOMPARE(m_dialog->isVisible(), staysOpen);
        QCOMPARE(m_dialog->socket(), nullptr);
        QTest::qWait(300);
        QCOMPARE(m_sim->udpReceived(kGateway).size(), before);
    }

    void datagramsReadTogether_data()
    {
        QTest::addColumn<Datagrams>("datagrams");
        QTest::addColumn<QStringList>("listed");

        QTest::newRow("the last of two answers is kept") << Datagrams{answer("A"), answer("B")} << QStringList{"1 B"};
        QTest::newRow("bad header") << Datagrams{answer("A"), answer("B", 68, "00000004")} << QStringList{"1 A"};
        QTest::newRow("short datagram ends the reading, the answer before it stands")
            << Datagrams{answer("A"), answer("B", 8)} << QStringList{"1 A"};
        QTest::newRow("short datagram alone hands over nothing") << Datagrams{answer("Short", 8)} << QStringList{};
    }

    void datagramsReadTogether()
    {
        QFETCH(Datagrams, datagrams);
        QFETCH(QStringList, listed);

        typeAndSearch(kNobody);
        // Sent before the event loop runs again, so the dialog reads them in one go.
        QVERIFY(sendToDialog(datagrams));
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
        QCOMPARE(listedNames(), listed);
        QCOMPARE(m_spy->texts(), QStringList());
    }
};

NETLAB_TEST_MAIN(TstIpSearch)
#include "tst_ipsearch.moc"
