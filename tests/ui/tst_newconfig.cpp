#include "config/configure.h"
#include "config/globals.h"
#include "config/newconfigure.h"
#include "config/selectdevice.h"
#include "messages/messagetable.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A configuration unlike any new one, so that every value a New sets is seen to change.
CConfigure *usedConfigure()
{
    auto *c = new CConfigure;
    c->m_modelCode = 130400;
    c->m_name = QStringLiteral("Hall 3");
    c->m_ipMode = 0;
    c->m_ip = QStringLiteral("10.1.2.3");
    c->m_mask = QStringLiteral("255.0.0.0");
    c->m_gateway = QStringLiteral("10.0.0.1");
    c->m_dns1 = QStringLiteral("8.8.8.8");
    c->m_dns2 = QStringLiteral("8.8.4.4");
    for (CSerialPort &p : c->m_serial) {
        p.m_baudRate = 7;
        p.m_parityCheck = 2;
        p.m_stopBit = 1;
        p.m_dataBits = 1;
        p.m_charInterval = 99;
        p.m_respTimeout = 999;
        p.m_delayPolls = 50;
    }
    c->m_idMaps.append(new CIDMap);
    c->m_masters.append(new CSpecifiedMaster);
    c->m_requests.append(new CSpecifiedRequest);
    c->m_advance.m_password = QStringLiteral("secret");
    c->m_advance.m_highPort = QStringLiteral("1502");
    c->m_advance.m_serialDelay = 5;
    c->m_advance.m_keepAlive = false;
    c->m_advance.m_aliveTime = 77;
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        c->m_advance.m_limitOn[size_t(i)] = true;
        c->m_advance.m_limitLow[size_t(i)] = QStringLiteral("10.0.0.1");
        c->m_advance.m_limitHigh[size_t(i)] = QStringLiteral("10.0.0.9");
    }
    return c;
}

struct Chooser {
    explicit Chooser(SelectDevice &d)
        : models(d.findChild<QComboBox *>(QStringLiteral("comboBox")))
        , ok(d.findChild<QPushButton *>(QStringLiteral("bt_ok")))
        , cancel(d.findChild<QPushButton *>(QStringLiteral("bt_cancel")))
    {
    }
    QComboBox *models;
    QPushButton *ok;
    QPushButton *cancel;
};

} // namespace

class TestNewConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void chooserLook();
    void okInstallsNewConfiguration_data();
    void okInstallsNewConfiguration();
    void aliveTimeFollowsModel_data();
    void aliveTimeFollowsModel();
    void leavingWithoutOkChangesNothing_data();
    void leavingWithoutOkChangesNothing();
    void nameOutsideOfferRefused();
};

void TestNewConfig::init()
{
    installConfigure(usedConfigure());
    g_commMode = 3;
    Mode = QStringLiteral("HW-P04");
    IDS = QStringLiteral("Read");
    g_appointIpAddr = QStringLiteral("127.0.0.9");
    IsTrue = true;
    software = QStringLiteral("2.1");
    Password = QStringLiteral("kept");
}

void TestNewConfig::cleanup()
{
    installConfigure(nullptr);
}

void TestNewConfig::chooserLook()
{
    SelectDevice d;
    Chooser c(d);
    QVERIFY(c.models && c.ok && c.cancel);
    QCOMPARE(d.windowTitle(), QStringLiteral("Select Device"));
    QCOMPARE(d.minimumSize(), QSize(330, 191));
    QCOMPARE(d.maximumSize(), QSize(330, 191));
    QCOMPARE(d.windowModality(), Qt::ApplicationModal);
    QVERIFY(d.isWindow());
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QStringList items;
    for (int i = 0; i < c.models->count(); ++i)
        items << c.models->itemText(i);
    QCOMPARE(items, (QStringList{QStringLiteral("KX500-DL-RS"), QStringLiteral("KX500-DL-2RS")}));
    QCOMPARE(c.models->currentIndex(), 0);
    QCOMPARE(c.ok->text(), QStringLiteral("OK"));
    QCOMPARE(c.cancel->text(), QStringLiteral("Cancel"));
    auto *picture = d.findChild<QLabel *>(QStringLiteral("label"));
    QVERIFY(picture && !picture->pixmap(Qt::ReturnByValue).isNull());
    auto *type = d.findChild<QLabel *>(QStringLiteral("label_2"));
    QVERIFY(type);
    QCOMPARE(type->text(), QStringLiteral("Device Type:"));
    for (QWidget *w : QList<QWidget *>{c.models, c.ok, c.cancel, type}) {
        QCOMPARE(w->font().family(), QStringLiteral("Times"));
        QCOMPARE(w->font().pixelSize(), 15);
    }
}

void TestNewConfig::okInstallsNewConfiguration_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("code");

    QTest::newRow("one serial port") << 0 << "KX500-DL-RS" << 130100;
    QTest::newRow("two serial ports") << 1 << "KX500-DL-2RS" << 130200;
}

void TestNewConfig::okInstallsNewConfiguration()
{
    QFETCH(int, index);
    QFETCH(QString, model);
    QFETCH(int, code);

    const CConfigure *before = pConfigure;
    SelectDevice d;
    Chooser c(d);
    QSignalSpy called(&d, &SelectDevice::Call_Config);
    // The editor opens on the new configuration: it must be current when the signal arrives.
    int codeSeenBySignal = -1;
    connect(&d, &SelectDevice::Call_Config, this, [&] { codeSeenBySignal = pConfigure ? pConfigure->m_modelCode : 0; });
    d.show();
    c.models->setCurrentIndex(index);
    c.ok->click();

    QCOMPARE(called.count(), 1);
    QCOMPARE(codeSeenBySignal, code);
    QVERIFY(!d.isVisible());
    QVERIFY(pConfigure && pConfigure != before);
    const CConfigure &n = *pConfigure;
    QCOMPARE(n.m_modelCode, code);
    QCOMPARE(n.m_name, model);
    QCOMPARE(n.m_ipMode, 1);
    QCOMPARE(n.m_ip, QStringLiteral("192.168.0.10"));
    QCOMPARE(n.m_mask, QStringLiteral("255.255.255.0"));
    QCOMPARE(n.m_gateway, QStringLiteral("192.168.0.1"));
    QCOMPARE(n.m_dns1, QStringLiteral("0.0.0.0"));
    QCOMPARE(n.m_dns2, QStringLiteral("0.0.0.0"));
    for (int i = 0; i < CConfigure::SerialCount; ++i) {
        const CSerialPort &p = n.m_serial[size_t(i)];
        QVERIFY2(p.m_baudRate == 3 && p.m_parityCheck == 0 && p.m_stopBit == 0 && p.m_dataBits == 0
                     && p.m_charInterval == 10 && p.m_respTimeout == 300 && p.m_delayPolls == 0,
                 qPrintable(QStringLiteral("serial port %1").arg(i + 1)));
    }
    QVERIFY(n.m_idMaps.isEmpty());
    QVERIFY(n.m_masters.isEmpty());
    QVERIFY(n.m_requests.isEmpty());
    QCOMPARE(n.m_advance.m_password, QString());
    QCOMPARE(n.m_advance.m_highPort, QStringLiteral("502"));
    QCOMPARE(n.m_advance.m_serialDelay, 0);
    QCOMPARE(n.m_advance.m_keepAlive, true);
    QCOMPARE(n.m_advance.m_aliveTime, uint64_t(8));
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        QVERIFY(!n.m_advance.m_limitOn[size_t(i)]);
        QVERIFY(n.m_advance.m_limitLow[size_t(i)].isEmpty());
        QVERIFY(n.m_advance.m_limitHigh[size_t(i)].isEmpty());
    }
    QCOMPARE(g_commMode, 0);
    QCOMPARE(Mode, model);
    QCOMPARE(IDS, GetStr(4189));
    // The gateway chosen in the main window stays the target of a later write.
    QCOMPARE(g_appointIpAddr, QStringLiteral("127.0.0.9"));
    QCOMPARE(IsTrue, true);
    QCOMPARE(software, QStringLiteral("2.1"));
    QCOMPARE(Password, QStringLiteral("kept"));
}

void TestNewConfig::aliveTimeFollowsModel_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<uint>("aliveTime");

    QTest::newRow("fixed layout, one port") << 30103 << 30u;
    QTest::newRow("fixed layout, two ports") << 30203 << 30u;
    QTest::newRow("packed layout") << 130400 << 8u;
    QTest::newRow("outside the catalogue") << 0 << 8u;
}

void TestNewConfig::aliveTimeFollowsModel()
{
    QFETCH(int, code);
    QFETCH(uint, aliveTime);

    CConfigure c;
    c.m_advance.m_aliveTime = 1234;
    NewConfigure::fill(c, code, QStringLiteral("any"));
    QCOMPARE(c.m_advance.m_aliveTime, uint64_t(aliveTime));
    QCOMPARE(c.m_modelCode, code);
}

void TestNewConfig::leavingWithoutOkChangesNothing_data()
{
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("Cancel") << false;
    QTest::newRow("title bar close") << true;
}

void TestNewConfig::leavingWithoutOkChangesNothing()
{
    QFETCH(bool, byTitleBar);

    const CConfigure *before = pConfigure;
    SelectDevice d;
    Chooser c(d);
    QSignalSpy called(&d, &SelectDevice::Call_Config);
    d.show();
    c.models->setCurrentIndex(1);
    if (byTitleBar)
        d.close();
    else
        c.cancel->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(called.count(), 0);
    QCOMPARE(pConfigure, before);
    QCOMPARE(pConfigure->m_modelCode, 130400);
    QCOMPARE(pConfigure->m_idMaps.size(), 1);
    QCOMPARE(Mode, QStringLiteral("HW-P04"));
    QCOMPARE(IDS, QStringLiteral("Read"));
    QCOMPARE(g_commMode, 3);
}

void TestNewConfig::nameOutsideOfferRefused()
{
    const CConfigure *before = pConfigure;
    QVERIFY(!NewConfigure::install(QStringLiteral("HW-P04")));
    QVERIFY(!NewConfigure::install(QString()));
    QCOMPARE(pConfigure, before);
    QCOMPARE(IDS, QStringLiteral("Read"));
    QCOMPARE(NewConfigure::modelCodeFor(QStringLiteral("KX500-DL-2RS")), 130200);
}

QTEST_MAIN(TestNewConfig)
#include "tst_newconfig.moc"
