#include "app/mainwindow.h"
#include "support/simprocess.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

// Refresh of the selected entry by a unicast answer; hand-over of a device found by address.
class TstRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refresh_data();
    void refresh();
    void handOver_data();
    void handOver();
};

namespace {

// HW-P04 "GW-Hall", firmware 2.1, 192.168.1.10, password set, remote allowed.
const QByteArray kAnswer = QByteArray::fromHex(
    "000000030000003c0001fd6000000000000000000000000000020001001a2b3c4d5e0000c0a8010a00000001"
    "47572d48616c6c0000000000000000000000000000000001");

CEquipment *entry(const QString &number, const QString &ip, const QString &name)
{
    auto *e = new CEquipment;
    e->m_number = number;
    e->m_name = name;
    e->m_model = QStringLiteral("HW-P08");
    e->m_ip = ip;
    return e;
}

QStringList fields(const CEquipment &e)
{
    QStringList out;
    for (int c = 0; c < CEquipment::ColumnCount; ++c)
        out << e.field(c);
    return out;
}

QStringList rowTexts(MainWindow &w, int row)
{
    QStringList out;
    for (int c = 0; c < CEquipment::ColumnCount; ++c) {
        const QTableWidgetItem *item = w.findChild<QTableWidget *>("tableWidget")->item(row, c);
        out << (item ? item->text() : QStringLiteral("<no item>"));
    }
    return out;
}

} // namespace

void TstRefresh::refresh_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<int>("selectRow");
    QTest::addColumn<QStringList>("expected"); // entry 1 afterwards; empty: unchanged
    const QStringList fresh{"2", "GW-Hall", "HW-P04", "192.168.1.10", "00-1a-2b-3c-4d-5e", "2.1", "Encryption",
                            "Allow configuration"};
    QTest::newRow("overwrites the selected entry") << QList<QByteArray>{kAnswer} << 1 << fresh;
    QTest::newRow("last of two wins") << QList<QByteArray>{QByteArray(kAnswer).replace(44, 3, "Old"), kAnswer} << 1 << fresh;
    QTest::newRow("wrong header ignored") << QList<QByteArray>{QByteArray(kAnswer).replace(3, 1, "\x04")} << 1 << QStringList();
    QTest::newRow("short datagram ignored") << QList<QByteArray>{kAnswer.left(60)} << 1 << QStringList();
    QTest::newRow("nothing selected") << QList<QByteArray>{kAnswer} << -1 << QStringList();
    QTest::newRow("click beyond the list") << QList<QByteArray>{kAnswer} << 5 << QStringList();
}

void TstRefresh::refresh()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(int, selectRow);
    QFETCH(QStringList, expected);
    auto w = std::make_unique<MainWindow>();
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop(); // the reachability look-up among them must not leave the machine
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
    QTRY_VERIFY_WITH_TIMEOUT(w->m_peerPort == sender.localPort() && !w->refreshSocket().hasPendingDatagrams(), 3000);
    QTest::qWait(50);

    QCOMPARE(fields(*w->equipmentList()[0]), before0);
    QCOMPARE(fields(*w->equipmentList()[1]), expected.isEmpty() ? before1 : expected);
    if (!expected.isEmpty())
        QCOMPARE(rowTexts(*w, 1), expected);
}

void TstRefresh::handOver_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("listedBefore");
    QTest::newRow("first of two replaces three") << 2 << 3;
    QTest::newRow("one into an empty list") << 1 << 0;
    QTest::newRow("none empties the list") << 0 << 2;
}

void TstRefresh::handOver()
{
    QFETCH(int, records);
    QFETCH(int, listedBefore);
    auto w = std::make_unique<MainWindow>();
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop();
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

    QCOMPARE(w->equipmentList().size(), records > 0 ? 1 : 0);
    if (records > 0) {
        QCOMPARE(fields(*w->equipmentList().first()), first);
        QCOMPARE(rowTexts(*w, 0), first);
    }
    QCOMPARE(rowTexts(*w, records > 0 ? 1 : 0).at(CEquipment::IpAddress), QStringLiteral("<no item>"));
    // A row number of the old list would name another gateway in the new one.
    QCOMPARE(w->selectedRow(), -1);
    for (const char *name : {"bt_Configure", "bt_Locate", "bt_Remotely_reset", "bt_Save"})
        QVERIFY2(!w->findChild<QPushButton *>(name)->isEnabled(), name);
}

QTEST_MAIN(TstRefresh)
#include "tst_refresh.moc"
