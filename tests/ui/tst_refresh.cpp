#include "app/mainwindow.h"
#include "discovery/discoveryanswer.h"
#include "support/simprocess.h"

#include <QHeaderView>
#include <QPushButton>
#include <QJsonArray>
#include <QTableWidget>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

// The refresh of the selected device entry by a unicast answer, and the
// hand-over of a device found by address; on loopback, no root needed.
class TstRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refresh_data();
    void refresh();
    void refreshFromGateway();
    void handOver_data();
    void handOver();
};

namespace {

// HW-P04 "GW-Hall", firmware 2.1, 192.168.1.10, password set, remote allowed.
const QByteArray kAnswer = QByteArray::fromHex(
    "000000030000003c0001fd6000000000000000000000000000020001001a2b3c4d5e0000c0a8010a00000001"
    "47572d48616c6c0000000000000000000000000000000001");

QByteArray patched(QByteArray a, int offset, const char *hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    a.replace(offset, bytes.size(), bytes);
    return a;
}

CEquipment *entry(const QString &number, const QString &ip, const QString &name)
{
    auto *e = new CEquipment;
    e->m_number = number;
    e->m_name = name;
    e->m_model = QStringLiteral("HW-P08");
    e->m_ip = ip;
    e->m_mac = QStringLiteral("00-00-00-00-00-01");
    e->m_firmware = QStringLiteral("1.0");
    e->m_password = QStringLiteral("None");
    e->m_status = QStringLiteral("Prohibit configuration");
    return e;
}

QStringList fields(const CEquipment &e)
{
    QStringList out;
    for (int c = 0; c < CEquipment::ColumnCount; ++c)
        out << e.field(c);
    return out;
}

std::unique_ptr<MainWindow> newWindow()
{
    auto w = std::make_unique<MainWindow>();
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop();
    return w;
}

QTableWidget *table(MainWindow &w)
{
    return w.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
}

QStringList rowTexts(MainWindow &w, int row)
{
    QStringList out;
    for (int c = 0; c < CEquipment::ColumnCount; ++c) {
        const QTableWidgetItem *item = table(w)->item(row, c);
        out << (item ? item->text() : QStringLiteral("<no item>"));
    }
    return out;
}

} // namespace

void TstRefresh::refresh_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<int>("selectRow");
    // Expected fields of entry 1 afterwards; empty: unchanged.
    QTest::addColumn<QStringList>("expected");

    const QStringList fresh{"2",        "GW-Hall", "HW-P04",     "192.168.1.10", "00-1a-2b-3c-4d-5e",
                            "2.1",      "Encryption", "Allow configuration"};
    QTest::newRow("answer overwrites the selected entry") << QList<QByteArray>{kAnswer} << 1 << fresh;
    QTest::newRow("last of two answers wins")
        << QList<QByteArray>{patched(kAnswer, 44, "4f6c6400"), kAnswer} << 1 << fresh;
    QTest::newRow("unknown model becomes Other equipment")
        << QList<QByteArray>{patched(kAnswer, 9, "0f423f")} << 1
        << QStringList{"2",   "Unsupported equipment", "Other equipment", "192.168.1.10", "00-1a-2b-3c-4d-5e",
                       "2.1", "Encryption",            "Allow configuration"};
    QTest::newRow("wrong header is ignored") << QList<QByteArray>{patched(kAnswer, 3, "04")} << 1 << QStringList();
    QTest::newRow("short datagram is ignored") << QList<QByteArray>{kAnswer.left(60)} << 1 << QStringList();
    QTest::newRow("nothing selected changes nothing") << QList<QByteArray>{kAnswer} << -1 << QStringList();
    QTest::newRow("click beyond the list selects nothing") << QList<QByteArray>{kAnswer} << 5 << QStringList();
}

void TstRefresh::refresh()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(int, selectRow);
    QFETCH(QStringList, expected);

    auto w = newWindow();
    w->equipmentList() << entry("1", "10.0.0.1", "A") << entry("2", "10.0.0.2", "B");
    const QStringList before0 = fields(*w->equipmentList()[0]);
    const QStringList before1 = fields(*w->equipmentList()[1]);
    if (selectRow >= 0)
        w->on_tableWidget_cellClicked(selectRow, 0);

    const QHostAddress local(SimProcess::uniqueLoopbackIp(1));
    QVERIFY(w->refreshSocket().bind(local, 10002, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress(SimProcess::uniqueLoopbackIp(2)), 0));
    for (const QByteArray &d : datagrams)
        QCOMPARE(sender.writeDatagram(d, local, 10002), qint64(d.size()));
    // Every read records its sender.
    QTRY_VERIFY_WITH_TIMEOUT(w->m_peerPort == sender.localPort() && !w->refreshSocket().hasPendingDatagrams(), 3000);
    QTest::qWait(50);

    QCOMPARE(fields(*w->equipmentList()[0]), before0);
    QCOMPARE(fields(*w->equipmentList()[1]), expected.isEmpty() ? before1 : expected);
    if (!expected.isEmpty())
        QCOMPARE(rowTexts(*w, 1), expected);
}

void TstRefresh::refreshFromGateway()
{
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(QJsonObject{{"gateways", QJsonArray{QJsonObject{
                                                    {"ip", ip}, {"model", 130200}, {"name", "Renamed"}, {"firmware", "3.7"}}}}}),
             qPrintable(sim.errorText()));
    auto w = newWindow();
    w->equipmentList() << entry("1", ip, "Old name");
    w->on_tableWidget_cellClicked(0, 0);
    QCOMPARE(w->selectedRow(), 0);

    QVERIFY(w->refreshSocket().bind(QHostAddress(SimProcess::uniqueLoopbackIp(1)), 10002,
                                    QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    QCOMPARE(w->refreshSocket().writeDatagram(Discovery::request(), QHostAddress(ip), Discovery::Port), qint64(8));
    QTRY_COMPARE_WITH_TIMEOUT(w->equipmentList()[0]->m_name, QString("Renamed"), 3000);
    QCOMPARE(w->equipmentList()[0]->m_model, QString("KX500-DL-2RS"));
    QCOMPARE(w->equipmentList()[0]->m_firmware, QString("3.7"));
    QCOMPARE(w->equipmentList()[0]->m_number, QString("1"));
    QCOMPARE(w->m_peerAddr, QHostAddress(ip));
    QCOMPARE(w->m_peerPort, Discovery::Port);
}

void TstRefresh::handOver_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("listedBefore");

    QTest::newRow("first of two records replaces three entries") << 2 << 3;
    QTest::newRow("single record into an empty list") << 1 << 0;
    QTest::newRow("empty vector empties the list") << 0 << 2;
}

void TstRefresh::handOver()
{
    QFETCH(int, records);
    QFETCH(int, listedBefore);

    auto w = newWindow();
    for (int i = 0; i < listedBefore; ++i)
        w->equipmentList() << entry(QString::number(i + 1), QString("10.0.0.%1").arg(i + 1), "listed");
    w->fillTable();
    if (listedBefore > 0) {
        w->on_tableWidget_cellClicked(listedBefore - 1, 0);
        QVERIFY(w->findChild<QPushButton *>("bt_Configure")->isEnabled());
    }

    QVector<CEquipment *> handed;
    for (int i = 0; i < records; ++i)
        handed << entry("1", QString("10.1.0.%1").arg(i + 1), QString("found %1").arg(i));
    const QStringList first = records > 0 ? fields(*handed.first()) : QStringList();
    w->Slot_ClearWidget(handed);
    // The list holds its own copy: the caller keeps and frees its records.
    qDeleteAll(handed);

    if (records == 0) {
        QVERIFY(w->equipmentList().isEmpty());
        QCOMPARE(table(*w)->rowCount(), 10);
        QVERIFY(table(*w)->item(0, CEquipment::IpAddress) == nullptr);
    } else {
        QCOMPARE(w->equipmentList().size(), 1);
        QCOMPARE(fields(*w->equipmentList().first()), first);
        QCOMPARE(rowTexts(*w, 0), first);
        QCOMPARE(table(*w)->rowCount(), 11);
        QVERIFY(table(*w)->item(1, CEquipment::IpAddress) == nullptr);
    }
    QVERIFY(table(*w)->horizontalHeader()->stretchLastSection());
    // A row number of the old list would name another gateway in the new one.
    QCOMPARE(w->selectedRow(), -1);
    for (const char *name : {"bt_Configure", "bt_Locate", "bt_Remotely_reset", "bt_Save"})
        QVERIFY2(!w->findChild<QPushButton *>(name)->isEnabled(), name);
}

QTEST_MAIN(TstRefresh)
#include "tst_refresh.moc"
