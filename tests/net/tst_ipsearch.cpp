#include "app/mainwindow.h"
#include "app/myipctrl.h"
#include "config/globals.h"
#include "discovery/dialog_setip.h"
#include "messages/messagetable.h"
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

// The search by IP address, run for real inside a throwaway network: the test
// process is moved into the lab's pc namespace before the dialog makes its
// socket, so its request never leaves the lab.
class TstIpSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void answerBecomesOnlyEntry();
    void unsupportedModelListedButNotSelectable();
    void incompleteAddressSendsNothing_data();
    void incompleteAddressSendsNothing();
    void datagramsReadTogether_data();
    void datagramsReadTogether();
    void silentAddressKeepsDialogOpen();
    void closedDialogLeavesPortToRefresh();
    void busyPortIsReported();
    void unroutableAddressIsReported();

private:
    // Opens the dialog from the main window's button, as the user does.
    Dialog_SetIP *openDialog();
    void typeAndSearch(const QString &address);
    QStringList listedNames() const;

    std::unique_ptr<MainWindow> m_window;
    Dialog_SetIP *m_dialog = nullptr;
};

namespace {

const QString kPc = QStringLiteral("10.77.0.1");
const QString kGateway = QStringLiteral("10.77.0.2");
// Inside the lab's subnet, but nobody has it.
const QString kNobody = QStringLiteral("10.77.0.50");

QJsonObject configOf(const QJsonArray &gateways)
{
    return QJsonObject{{"gateways", gateways}};
}

// A discovery answer of a KX500-DL-2RS named `name`; `header` replaces its first four bytes.
QByteArray answer(const QString &name, const QByteArray &header = QByteArray::fromHex("00000003"), int size = 68)
{
    QByteArray a(68, '\0');
    a.replace(0, 4, header);
    a[7] = 0x3c;
    const int model = 130200;
    a[9] = char(model >> 16);
    a[10] = char((model >> 8) & 0xff);
    a[11] = char(model & 0xff);
    a[25] = 2;
    a[27] = 1;
    a.replace(36, 4, QByteArray::fromHex("0a4d0063"));
    a.replace(44, name.size(), name.toLatin1());
    a[67] = 1;
    return a.left(size).leftJustified(size, '\0');
}

} // namespace

#define LAB_UP(lab, topology)                                                                                        \
    if (!NetLab::unavailableReason().isEmpty())                                                                      \
        QSKIP(qPrintable(NetLab::unavailableReason()));                                                             \
    NetLab lab;                                                                                                      \
    QVERIFY2(lab.up(topology), qPrintable(lab.errorText()));                                                         \
    QVERIFY(lab.inPcNamespace())

void TstIpSearch::init()
{
    g_appointIpAddr.clear();
}

void TstIpSearch::cleanup()
{
    m_window.reset();
    m_dialog = nullptr;
}

Dialog_SetIP *TstIpSearch::openDialog()
{
    m_window = std::make_unique<MainWindow>();
    m_window->netTimer()->stop();
    m_window->show();
    m_window->findChild<QPushButton *>(QStringLiteral("bt_CappointIP"))->click();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *d = qobject_cast<Dialog_SetIP *>(w))
            m_dialog = d;
    }
    return m_dialog;
}

void TstIpSearch::typeAndSearch(const QString &address)
{
    m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3"))->setIP(address);
    m_dialog->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
}

QStringList TstIpSearch::listedNames() const
{
    QStringList names;
    for (const CEquipment *e : m_window->equipmentList())
        names << e->m_number + QLatin1Char(' ') + e->m_name;
    return names;
}

void TstIpSearch::answerBecomesOnlyEntry()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{
        {"ip", kGateway}, {"model", 130800}, {"name", "Pump house"}, {"mac", "00-1a-2b-3c-4d-5e"},
        {"firmware", "1.10"}, {"password", "1234"}, {"remote", true}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    MessageSpy spy;
    QVERIFY(openDialog());
    // An earlier search listed two devices.
    for (const char *ip : {"10.77.0.7", "10.77.0.8"}) {
        auto *e = new CEquipment;
        e->m_ip = QLatin1String(ip);
        m_window->equipmentList().append(e);
    }
    m_window->fillTable();

    typeAndSearch(kGateway);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(g_appointIpAddr, kGateway);
    QCOMPARE(m_window->equipmentList().size(), 1);
    const QStringList expected{"1",          "Pump house", "HW-P08",    kGateway,
                               "00-1a-2b-3c-4d-5e", "1.10", "Encryption", "Allow configuration"};
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    for (int c = 0; c < CEquipment::ColumnCount; ++c) {
        QCOMPARE(m_window->equipmentList().first()->field(c), expected[c]);
        QVERIFY(table->item(0, c));
        QCOMPARE(table->item(0, c)->text(), expected[c]);
    }
    QVERIFY(!table->item(1, 0) || table->item(1, 0)->text().isEmpty());
    // The control is emptied for the next search.
    QVERIFY(m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3"))->getIP().isNull());

    const QList<QJsonObject> requests = sim->udpReceived(kGateway);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().value("hex").toString(), QStringLiteral("0000000300000000"));
    QCOMPARE(requests.first().value("peer").toString(), kPc + QStringLiteral(":10002"));
}

void TstIpSearch::unsupportedModelListedButNotSelectable()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{{"ip", kGateway}, {"model", 999999}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    QVERIFY(openDialog());
    typeAndSearch(kGateway);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->equipmentList().size(), 1, 3000);
    const CEquipment *e = m_window->equipmentList().first();
    QCOMPARE(e->m_model, GetStr(8000));
    QCOMPARE(e->m_name, GetStr(8001));
    m_window->on_tableWidget_cellClicked(0, 0);
    for (const char *name : {"bt_Configure", "bt_Locate", "bt_Remotely_reset", "bt_Save"}) {
        auto *b = m_window->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(b && !b->isEnabled(), name);
    }
}

void TstIpSearch::incompleteAddressSendsNothing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("nothing typed") << QString();
    QTest::newRow("last field empty") << QStringLiteral("10.77.0.");
    QTest::newRow("inner field empty") << QStringLiteral("10..0.2");
}

void TstIpSearch::incompleteAddressSendsNothing()
{
    QFETCH(QString, typed);
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{{"ip", kGateway}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));

    MessageSpy spy;
    QVERIFY(openDialog());
    auto *control = m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3"));
    control->setIP(QStringLiteral("10.77.0.2"));
    control->clearEdit();
    if (!typed.isEmpty())
        control->setIP(typed);
    g_appointIpAddr = QStringLiteral("stale");
    m_dialog->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
    QCOMPARE(spy.texts(), QStringList{QStringLiteral("Please enter the correct IP address.")});
    QCOMPARE(spy.shown().first().title, QStringLiteral("ZUV-DL-CFG"));
    QCOMPARE(g_appointIpAddr, QString());
    QVERIFY(control->getIP().isNull());
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->socket(), nullptr);
    QTest::qWait(300);
    QCOMPARE(sim->udpReceived(kGateway).size(), 0);
}

void TstIpSearch::datagramsReadTogether_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("two answers: the second is kept")
        << QList<QByteArray>{answer("First"), answer("Second")} << QStringList{"1 Second"};
    QTest::newRow("wrong header skipped")
        << QList<QByteArray>{answer("Valid"), answer("Bad", QByteArray::fromHex("00000004"))}
        << QStringList{"1 Valid"};
    QTest::newRow("short datagram ends the reading, the answer before it stands")
        << QList<QByteArray>{answer("Valid"), answer("Short", QByteArray::fromHex("00000003"), 8)}
        << QStringList{"1 Valid"};
    QTest::newRow("short datagram alone hands over nothing")
        << QList<QByteArray>{answer("Short", QByteArray::fromHex("00000003"), 8)} << QStringList{};
    QTest::newRow("long datagram is no answer")
        << QList<QByteArray>{answer("Long", QByteArray::fromHex("00000003"), 80)} << QStringList{};
}

void TstIpSearch::datagramsReadTogether()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(QStringList, listed);

    NetLab::Topology topo;
    LAB_UP(lab, topo);
    MessageSpy spy;
    QVERIFY(openDialog());
    typeAndSearch(kNobody);
    QVERIFY(m_dialog->socket());

    // Sent before the event loop runs again, so the dialog reads them in one go.
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    for (const QByteArray &d : datagrams)
        QCOMPARE(peer.writeDatagram(d, QHostAddress(QStringLiteral("127.0.0.1")), Dialog_SetIP::LocalPort),
                 qint64(d.size()));
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
    QCOMPARE(listedNames(), listed);
    QCOMPARE(m_dialog->records().size(), listed.size());
    QCOMPARE(spy.texts(), QStringList());
}

void TstIpSearch::silentAddressKeepsDialogOpen()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    MessageSpy spy;
    QVERIFY(openDialog());
    auto *e = new CEquipment;
    e->m_ip = QStringLiteral("10.77.0.7");
    m_window->equipmentList().append(e);

    typeAndSearch(kNobody);
    QTest::qWait(1000);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(m_window->equipmentList().size(), 1);
    QCOMPARE(g_appointIpAddr, kNobody);

    // Pressing OK again binds a fresh socket to the same port: the old one was let go.
    typeAndSearch(kNobody);
    QVERIFY(m_dialog->socket());
    QCOMPARE(m_dialog->socket()->state(), QAbstractSocket::BoundState);
    QCOMPARE(m_dialog->socket()->localPort(), Dialog_SetIP::LocalPort);
    QCOMPARE(spy.texts(), QStringList());
    // Cancel empties the control and hides the dialog; the list stays as it was.
    m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3"))->setIP(kNobody);
    m_dialog->findChild<QPushButton *>(QStringLiteral("bt_cancel"))->click();
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(m_dialog->findChild<MyIPCtrl *>(QStringLiteral("frame_3"))->getIP().isNull());
    QCOMPARE(m_dialog->socket(), nullptr);
    QCOMPARE(m_window->equipmentList().size(), 1);
}

void TstIpSearch::closedDialogLeavesPortToRefresh()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    SimProcess *sim = lab.startSimulator(configOf({QJsonObject{{"ip", kGateway}, {"name", "Found"}}}));
    QVERIFY2(sim, qPrintable(lab.errorText()));
    QVERIFY(openDialog());
    // Bound as a configuration read binds it, before the search.
    QUdpSocket &refresh = m_window->refreshSocket();
    QVERIFY(refresh.bind(QHostAddress::AnyIPv4, Dialog_SetIP::LocalPort,
                         QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));

    typeAndSearch(kGateway);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 3000);
    QCOMPARE(listedNames(), QStringList{"1 Found"});
    QCOMPARE(m_dialog->socket(), nullptr);

    // A later answer on the shared port reaches the refresh socket and leaves
    // the list as the search made it.
    QSignalSpy refreshed(&refresh, &QUdpSocket::readyRead);
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QByteArray late = answer("Late");
    QCOMPARE(peer.writeDatagram(late, QHostAddress(QStringLiteral("127.0.0.1")), Dialog_SetIP::LocalPort),
             qint64(late.size()));
    QTRY_VERIFY_WITH_TIMEOUT(refreshed.count() >= 1, 2000);
    QCOMPARE(listedNames(), QStringList{"1 Found"});
}

void TstIpSearch::busyPortIsReported()
{
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, Dialog_SetIP::LocalPort, QUdpSocket::DontShareAddress));

    MessageSpy spy;
    QVERIFY(openDialog());
    typeAndSearch(kGateway);
    QCOMPARE(spy.texts(),
             QStringList{QStringLiteral("Failed to Bind 0.0.0.0:10002,Please confirm whether the IP address is correct.")});
    QCOMPARE(spy.shown().first().title, QStringLiteral("ZUV-DL-CFG"));
    QVERIFY(!m_dialog->isVisible());
}

void TstIpSearch::unroutableAddressIsReported()
{
    // The lab's pc namespace has no default route: the request cannot be
    // written, and nothing leaves the namespace.
    NetLab::Topology topo;
    LAB_UP(lab, topo);
    MessageSpy spy;
    QVERIFY(openDialog());
    typeAndSearch(QStringLiteral("198.51.100.7"));
    QCOMPARE(spy.texts(), QStringList{QStringLiteral(
                              "Failed to Write Data To 198.51.100.7:18801,Please confirm whether the IP address is correct.")});
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(g_appointIpAddr, QStringLiteral("198.51.100.7"));
}

QTEST_MAIN(TstIpSearch)
#include "tst_ipsearch.moc"
