#include "config/configure.h"
#include "config/modelcatalogue.h"

#include <QtTest>

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codeForName_data();
    void codeForName();
    void outsideModelUsesSixteenPackedPorts();
    void firmwareLimitsHwP04();
    void freshAdvanceValues();
};

void TestCatalogue::codeForName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("ports");
    QTest::newRow("NTC-P01DL") << "NTC-P01DL" << 30103 << 1;
    QTest::newRow("second name of 30203") << "NTC-P02DL" << 30203 << 2;
    QTest::newRow("discovery name of 30203") << "KX500-EN-2RS485(Modbus TCP)" << 30203 << 2;
    QTest::newRow("HW-P01") << "HW-P01" << 130100 << 1;
    QTest::newRow("KX500-DL-2RS") << "KX500-DL-2RS" << 130200 << 2;
    QTest::newRow("KX500-DL-4RS") << "KX500-DL-4RS" << 130400 << 4;
    QTest::newRow("HW-P08") << "HW-P08" << 130800 << 8;
    QTest::newRow("HW-P16") << "HW-P16" << 131600 << 16;
    QTest::newRow("unknown") << "Other equipment" << 0 << 16;
    QTest::newRow("case matters") << "hw-p16" << 0 << 16;
}

void TestCatalogue::codeForName()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(int, ports);
    QCOMPARE(Catalogue::codeForName(name), code);
    QCOMPARE(Catalogue::serialPorts(Catalogue::codeForName(name)), ports);
}

void TestCatalogue::outsideModelUsesSixteenPackedPorts()
{
    QCOMPARE(Catalogue::layout(0), BlockLayout::Packed);
    QCOMPARE(Catalogue::serialPorts(0), 16);
    QCOMPARE(Catalogue::layout(30203), BlockLayout::Fixed);
    QVERIFY(Catalogue::discoveryName(0).isEmpty());
    QCOMPARE(Catalogue::discoveryName(130400), QStringLiteral("HW-P04"));
}

void TestCatalogue::firmwareLimitsHwP04()
{
    QCOMPARE(Catalogue::idMapLimitForFirmware(130400, "1.10"), 4);
    QCOMPARE(Catalogue::idMapLimitForFirmware(130400, "2.0"), 36);
    QCOMPARE(Catalogue::idMapLimitForFirmware(130200, "3.0"), 4);
    QCOMPARE(Catalogue::idMapLimitForFirmware(30103, "1.0"), 36);
}

void TestCatalogue::freshAdvanceValues()
{
    CConfigure c;
    QVERIFY(c.m_advance.m_keepAlive);
    QCOMPARE(c.m_advance.m_aliveTime, uint64_t(30));
    QCOMPARE(c.m_advance.m_serialDelay, 0);
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        QVERIFY(!c.m_advance.m_limitOn[i]);
        QVERIFY(c.m_advance.m_limitLow[i].isEmpty());
        QVERIFY(c.m_advance.m_limitHigh[i].isEmpty());
    }
    QCOMPARE(c.m_modelCode, 0);
    for (const CSerialPort &p : c.m_serial)
        QCOMPARE(p.m_baudRate + p.m_respTimeout + p.m_dataBits, 0);
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
