#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"

#include <QtTest>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define ZUV_LEAK_CHECK 1
#endif

namespace {

// Counts live instances, so that a test sees which entries were deleted.
struct Counted {
    static int alive;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

// A configuration holding `n` entries in each of its three lists.
CConfigure *filledConfigure(int n)
{
    auto *c = new CConfigure;
    for (int i = 0; i < n; ++i) {
        c->m_idMaps.append(new CIDMap);
        c->m_masters.append(new CSpecifiedMaster);
        c->m_requests.append(new CSpecifiedRequest);
    }
    return c;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codeForName_data();
    void codeForName();
    void outsideModelUsesSixteenPackedPorts();
    void firmwareLimitsHwP04();
    void freshAdvanceValues();
    void clearEntriesDeletesEach_data();
    void clearEntriesDeletesEach();
    void destroyedConfigurationReleasesEntries();
    void installReplacesCurrent();
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

void TestCatalogue::clearEntriesDeletesEach_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("empty list") << 0;
    QTest::newRow("one entry") << 1;
    QTest::newRow("full fixed-layout list") << 36;
}

void TestCatalogue::clearEntriesDeletesEach()
{
    QFETCH(int, count);
    QList<Counted *> list;
    for (int i = 0; i < count; ++i)
        list.append(new Counted);
    QCOMPARE(Counted::alive, count);
    clearEntries(list);
    QCOMPARE(Counted::alive, 0);
    QVERIFY(list.isEmpty());
}

void TestCatalogue::destroyedConfigurationReleasesEntries()
{
    CConfigure *c = filledConfigure(36);
    QCOMPARE(c->m_idMaps.size() + c->m_masters.size() + c->m_requests.size(), 108);
    delete c;
#ifdef ZUV_LEAK_CHECK
    QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#else
    QSKIP("needs the sanitizer build to see released entries");
#endif
}

void TestCatalogue::installReplacesCurrent()
{
    CConfigure *first = filledConfigure(36);
    installConfigure(first);
    QCOMPARE(pConfigure, first);
    installConfigure(first); // installing the current one again must not delete it
    QCOMPARE(pConfigure->m_idMaps.size(), 36);
    CConfigure *second = filledConfigure(4);
    installConfigure(second);
    QCOMPARE(pConfigure, second);
    installConfigure(nullptr);
    QVERIFY(!pConfigure);
#ifdef ZUV_LEAK_CHECK
    QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
