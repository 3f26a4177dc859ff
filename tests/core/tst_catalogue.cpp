#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"

#include <QtTest>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {
struct Counted {
    static inline int alive = 0;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};

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
    void modelProperties();
    void clearEntriesDeletesEach();
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

void TestCatalogue::modelProperties()
{
    QCOMPARE(Catalogue::layout(0), BlockLayout::Packed);
    QCOMPARE(Catalogue::layout(30203), BlockLayout::Fixed);
    QCOMPARE(Catalogue::discoveryName(130400), QStringLiteral("HW-P04"));
    QCOMPARE(Catalogue::idMapLimitForFirmware(130400, "1.10"), 4);
    QCOMPARE(Catalogue::idMapLimitForFirmware(130400, "2.0"), 36);
    QCOMPARE(Catalogue::idMapLimitForFirmware(130200, "3.0"), 4);
    QCOMPARE(Catalogue::idMapLimitForFirmware(30103, "1.0"), 36);
}

void TestCatalogue::clearEntriesDeletesEach()
{
    for (int count : {0, 1, 36}) {
        QList<Counted *> list;
        for (int i = 0; i < count; ++i)
            list.append(new Counted);
        QCOMPARE(Counted::alive, count);
        clearEntries(list);
        QCOMPARE(Counted::alive, 0);
        QVERIFY(list.isEmpty());
    }
}

void TestCatalogue::installReplacesCurrent()
{
    CConfigure *first = filledConfigure(36);
    installConfigure(first);
    installConfigure(first); // installing the current one again must not delete it
    QCOMPARE(pConfigure->m_idMaps.size() + pConfigure->m_masters.size() + pConfigure->m_requests.size(), 108);
    installConfigure(filledConfigure(4));
    QCOMPARE(pConfigure->m_idMaps.size(), 4);
    installConfigure(nullptr);
    QVERIFY(!pConfigure);
#ifdef __SANITIZE_ADDRESS__
    // Both the replaced and the dropped configuration released every entry.
    QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
