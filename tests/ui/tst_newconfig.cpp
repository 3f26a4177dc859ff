#include "config/configure.h"
#include "config/globals.h"
#include "config/newconfigure.h"
#include "config/selectdevice.h"
#include "messages/messagetable.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

static QComboBox *models(SelectDevice &d) { return d.findChild<QComboBox *>(QStringLiteral("comboBox")); }
static QPushButton *button(SelectDevice &d, const char *n) { return d.findChild<QPushButton *>(QLatin1String(n)); }

// The New chooser and the configuration it installs.
class TestNewConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A configuration unlike any new one, so that every value a New sets is seen to change.
    void init()
    {
        auto *c = new CConfigure;
        c->m_modelCode = 130400;
        c->m_name = c->m_ip = c->m_mask = c->m_gateway = c->m_dns1 = c->m_dns2 = QStringLiteral("1.1.1.1");
        c->m_ipMode = 0;
        c->m_serial.fill(CSerialPort{7, 2, 1, 1, 99, 999, 50});
        c->m_idMaps.append(new CIDMap);
        c->m_masters.append(new CSpecifiedMaster);
        c->m_requests.append(new CSpecifiedRequest);
        c->m_advance = CAdvance{"secret", "1502", 5, false, 77, {}, {}, {}};
        c->m_advance.m_limitOn.fill(true);
        c->m_advance.m_limitLow.fill(QStringLiteral("10.0.0.1"));
        c->m_advance.m_limitHigh = c->m_advance.m_limitLow;
        installConfigure(c);
        g_commMode = 3;
        Mode = QStringLiteral("HW-P04");
        IDS = QStringLiteral("Read");
        g_appointIpAddr = QStringLiteral("127.0.0.9");
        IsTrue = true;
        software = QStringLiteral("2.1");
        Password = QStringLiteral("kept");
    }

    void cleanup() { installConfigure(nullptr); }

    void okInstallsNewConfiguration_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("code");
        QTest::newRow("one serial port") << 0 << "KX500-DL-RS" << 130100;
        QTest::newRow("two serial ports") << 1 << "KX500-DL-2RS" << 130200;
    }

    void okInstallsNewConfiguration()
    {
        QFETCH(int, index);
        QFETCH(QString, model);
        QFETCH(int, code);

        const CConfigure *before = pConfigure;
        SelectDevice d;
        QCOMPARE(models(d)->count(), 2);
        QCOMPARE(models(d)->itemText(index), model);
        // The editor opens on the new configuration: it must be current when the signal arrives.
        int codeSeenBySignal = -1;
        connect(&d, &SelectDevice::Call_Config, this, [&] { codeSeenBySignal = pConfigure->m_modelCode; });
        d.show();
        models(d)->setCurrentIndex(index);
        button(d, "bt_ok")->click();

        QCOMPARE(codeSeenBySignal, code);
        QVERIFY(!d.isVisible());
        QVERIFY(pConfigure && pConfigure != before);
        const CConfigure &n = *pConfigure;
        const QStringList ethernet{QString::number(n.m_modelCode), n.m_name, QString::number(n.m_ipMode), n.m_ip,
                                   n.m_mask, n.m_gateway, n.m_dns1, n.m_dns2};
        QCOMPARE(ethernet, (QStringList{QString::number(code), model, "1", "192.168.0.10", "255.255.255.0",
                                        "192.168.0.1", "0.0.0.0", "0.0.0.0"}));
        for (const CSerialPort &p : n.m_serial)
            QCOMPARE((QList<int>{p.m_baudRate, p.m_parityCheck, p.m_stopBit, p.m_dataBits, p.m_charInterval,
                                 p.m_respTimeout, p.m_delayPolls}), (QList<int>{3, 0, 0, 0, 10, 300, 0}));
        QVERIFY(n.m_idMaps.isEmpty() && n.m_masters.isEmpty() && n.m_requests.isEmpty());
        const CAdvance &a = n.m_advance;
        const QStringList advance{a.m_password, a.m_highPort, QString::number(a.m_serialDelay),
                                  QString::number(a.m_keepAlive), QString::number(a.m_aliveTime)};
        QCOMPARE(advance, (QStringList{"", "502", "0", "1", "8"}));
        QVERIFY(a.m_limitOn == decltype(a.m_limitOn){});
        QVERIFY(a.m_limitLow == decltype(a.m_limitLow){} && a.m_limitHigh == decltype(a.m_limitHigh){});
        // Marked as new; the gateway chosen in the main window stays the target of a later write.
        const QStringList globals{QString::number(g_commMode), Mode, IDS, g_appointIpAddr, software, Password,
                                  IsTrue ? "true" : "false"};
        QCOMPARE(globals, (QStringList{"0", model, GetStr(4189), "127.0.0.9", "2.1", "kept", "true"}));
    }

    void aliveTimeFollowsModel_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<uint>("aliveTime");
        QTest::newRow("fixed layout, one port") << 30103 << 30u;
        QTest::newRow("packed layout") << 130400 << 8u;
        QTest::newRow("outside the catalogue") << 0 << 8u;
    }

    void aliveTimeFollowsModel()
    {
        QFETCH(int, code);
        QFETCH(uint, aliveTime);

        CConfigure c;
        c.m_advance.m_aliveTime = 1234;
        NewConfigure::fill(c, code, QStringLiteral("any"));
        QCOMPARE(c.m_advance.m_aliveTime, uint64_t(aliveTime));
    }

    void leavingWithoutOkChangesNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("title bar close") << 1;
        QTest::newRow("a model outside the offer") << 2;
    }

    void leavingWithoutOkChangesNothing()
    {
        QFETCH(int, how);

        const CConfigure *before = pConfigure;
        SelectDevice d;
        QSignalSpy called(&d, &SelectDevice::Call_Config);
        d.show();
        models(d)->setCurrentIndex(1);
        if (how == 0)
            button(d, "bt_cancel")->click();
        else if (how == 1)
            d.close();
        else
            QVERIFY(!NewConfigure::install(QStringLiteral("HW-P04")) && !NewConfigure::install(QString()));
        QCOMPARE(d.isVisible(), how == 2);
        QCOMPARE(called.count(), 0);
        QCOMPARE(pConfigure, before);
        QCOMPARE(pConfigure->m_idMaps.size(), 1);
        QCOMPARE((QStringList{Mode, IDS, QString::number(g_commMode)}), (QStringList{"HW-P04", "Read", "3"}));
    }
};

QTEST_MAIN(TestNewConfig)
#include "tst_newconfig.moc"
