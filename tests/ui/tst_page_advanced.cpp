// The "#Advanced" page: port, passwords, timers and IP ranges as they are
// stored on leaving, and the restore of the factory settings.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "messages/messagetable.h"
#include "support/editorpages.h"
#include "support/messagespy.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace EditorPages;

// A null `typed` types nothing; `tick` turns the default-port switch on.
struct PortCase { int mode; QString stored, typed, shown; bool editable, changed, tick = false; };
struct NumbersCase { QString delay, alive; bool keepAlive; int storedDelay, storedAlive; bool changed; };
struct PasswordCase { QString typed, retyped, message, stored; bool changed; };
struct FactoryCase { int code, mode; QString name; int alive; }; // the restored name and alive time
Q_DECLARE_METATYPE(PortCase)
Q_DECLARE_METATYPE(NumbersCase)
Q_DECLARE_METATYPE(PasswordCase)
Q_DECLARE_METATYPE(FactoryCase)

class TestAdvancedPage : public QObject
{
    Q_OBJECT

    MessageSpy spy;
    Config *editor = nullptr;
    CAdvance &advance() const { return pConfigure->m_advance; }
    void leave() { showPage(editor, 5); }

private Q_SLOTS:
    void init() { IsSave = false; IDS = QStringLiteral("Configuration"); spy.clear(); }
    void cleanup() { delete editor; editor = nullptr; installConfigure(nullptr); }

    void portField_data()
    {
        QTest::addColumn<PortCase>("c");
        QTest::newRow("RTU master fixes 502") << PortCase{1, "1502", QString(), "502", false, false};
        QTest::newRow("slave on 502 shows the default switch") << PortCase{2, "502", QString(), "502", false, false};
        QTest::newRow("configuration port refused") << PortCase{0, "503", "18801", "502", true, true};
        QTest::newRow("port beside it refused") << PortCase{0, "503", "18800", "502", true, true};
        QTest::newRow("own port") << PortCase{0, "503", "1502", "1502", true, true};
        QTest::newRow("same as stored") << PortCase{0, "503", "503", "503", true, false};
        QTest::newRow("emptied field means the default port") << PortCase{0, "503", "", "502", true, true};
        QTest::newRow("default switch turned on") << PortCase{0, "1502", QString(), "502", true, true, true};
    }
    void portField()
    {
        QFETCH(PortCase, c);
        installModel(130200, c.mode);
        advance().m_highPort = c.stored;
        editor = openOn(6);
        const bool master = c.mode == 1 || c.mode == 3;
        QCOMPARE(edit(editor, "lineEdit_Port7")->isEnabled(), c.editable);
        QCOMPARE(box(editor, "checkBox_6")->isEnabled() && edit(editor, "lineEdit_DelayTime")->isEnabled(), !master);
        QVERIFY(master || box(editor, "checkBox_6")->isChecked() != c.editable);
        if (c.tick)
            box(editor, "checkBox_6")->setChecked(true);
        if (!c.typed.isNull())
            finishEditing(edit(editor, "lineEdit_Port7"), c.typed);
        else
            QCOMPARE(edit(editor, "lineEdit_Port7")->text(), c.shown);
        QVERIFY(spy.shown().isEmpty());
        leave();
        QCOMPARE(advance().m_highPort, c.shown);
        QCOMPARE(IsSave, c.changed);
    }

    void numbersStoredOnLeave_data()
    {
        QTest::addColumn<NumbersCase>("c");
        QTest::newRow("unchanged") << NumbersCase{"100", "20", true, 100, 20, false};
        QTest::newRow("largest delay") << NumbersCase{"65535", "20", true, 65535, 20, true};
        QTest::newRow("largest alive time") << NumbersCase{"100", "65535", true, 100, 65535, true};
        QTest::newRow("keep-alive off alone") << NumbersCase{"100", "20", false, 100, 20, false};
        QTest::newRow("emptied alive time keeps the stored one") << NumbersCase{"100", "", true, 100, 20, false};
        QTest::newRow("delay with a letter keeps the stored one") << NumbersCase{"1x", "20", true, 100, 20, false};
        QTest::newRow("delay beyond 65535 keeps the stored one") << NumbersCase{"70000", "20", true, 100, 20, false};
    }
    void numbersStoredOnLeave()
    {
        QFETCH(NumbersCase, c);
        installModel(130200, 0);
        advance().m_serialDelay = 100;
        advance().m_aliveTime = 20;
        editor = openOn(6);
        QCOMPARE(edit(editor, "lineEdit_DelayTime")->text() + ' ' + edit(editor, "lineEdit_TcpAlive")->text(), "100 20");
        edit(editor, "lineEdit_DelayTime")->setText(c.delay);
        edit(editor, "lineEdit_TcpAlive")->setText(c.alive);
        box(editor, "checkBox_7")->setChecked(c.keepAlive);
        leave();
        QCOMPARE(QVariantList({advance().m_serialDelay, qulonglong(advance().m_aliveTime), advance().m_keepAlive}),
                 QVariantList({c.storedDelay, qulonglong(c.storedAlive), c.keepAlive}));
        QCOMPARE(IsSave, c.changed);
    }

    void retypedPassword_data()
    {
        QTest::addColumn<PasswordCase>("c");
        QTest::newRow("two different passwords") << PasswordCase{"abc1", "abc2", GetStr(5042), "", true};
        QTest::newRow("two equal passwords") << PasswordCase{"Secret9", "Secret9", "", "Secret9", true};
        QTest::newRow("the stored one again") << PasswordCase{"old1", "old1", "", "old1", false};
        QTest::newRow("no new password") << PasswordCase{"", "abc", "Please enter a new PassWord", "", true};
    }
    void retypedPassword()
    {
        QFETCH(PasswordCase, c);
        installModel(130200, 0);
        advance().m_password = QStringLiteral("old1");
        editor = openOn(6);
        edit(editor, "lineEdit_PassWord")->setText(c.typed);
        finishEditing(edit(editor, "lineEdit_SureWord"), c.retyped);
        QCOMPARE(spy.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        const bool different = c.message == GetStr(5042); // empties both fields
        QCOMPARE(edit(editor, "lineEdit_PassWord")->text(), different ? QString() : c.typed);
        QVERIFY(!different || (edit(editor, "lineEdit_SureWord")->text().isEmpty() && editor->m_newPassword.isEmpty()));
        leave();
        QCOMPARE(advance().m_password, c.stored);
        QCOMPARE(IsSave, c.changed);
    }

    void rangeSwitchesAndIncompleteRanges()
    {
        installModel(130200, 0);
        advance().m_limitOn[4] = true;
        advance().m_limitLow[4] = QStringLiteral("10.4.0.1");
        editor = openOn(6);
        QVERIFY(box(editor, "checkBox_12")->isChecked() && editor->rangeStartCtrl(4)->getIP() == "10.4.0.1");
        // Each switch belongs to its own range.
        for (int i = 0; i < 6; ++i) {
            box(editor, qPrintable(QStringLiteral("checkBox_%1").arg(8 + i)))->setChecked(true);
            QVERIFY(editor->m_rangeOn[i] && editor->rangeEndCtrl(i)->findChild<QLineEdit *>("lineEdit_3")->isEnabled());
        }
        // Range 1 complete, range 2 with an incomplete end, range 4 switched off.
        editor->rangeStartCtrl(1)->setIP(QStringLiteral("10.1.0.1"));
        editor->rangeEndCtrl(1)->setIP(QStringLiteral("10.1.0.5"));
        editor->rangeStartCtrl(2)->setIP(QStringLiteral("10.2.0.1"));
        typeAddress(editor->rangeEndCtrl(2), QStringLiteral("10.2"));
        box(editor, "checkBox_12")->setChecked(false);
        QVERIFY(!editor->rangeStartCtrl(4)->findChild<QLineEdit *>(QStringLiteral("lineEdit_0"))->isEnabled());
        QVERIFY(advance().m_limitOn[4]); // stored only when the page is left
        leave();
        QVERIFY(advance().m_limitOn[1] && !advance().m_limitOn[2] && !advance().m_limitOn[4] && !advance().m_limitOn[0]);
        QCOMPARE(QStringList({advance().m_limitHigh[1], advance().m_limitLow[2], advance().m_limitHigh[2], advance().m_limitLow[4]}),
                 QStringList({"10.1.0.5", "10.2.0.1", "", "10.4.0.1"}));
        QVERIFY(IsSave);
    }

    void factorySettings_data()
    {
        QTest::addColumn<FactoryCase>("m");
        QTest::newRow("130200") << FactoryCase{130200, 0, "KX500-DL-2RS", 8};
        QTest::newRow("code 0 keeps its name") << FactoryCase{0, 1, "GW", 8};
        QTest::newRow("30103 from a master mode") << FactoryCase{30103, 3, "NTC-P01DL", 30};
    }
    void factorySettings()
    {
        QFETCH(FactoryCase, m);
        installModel(m.code, m.mode);
        CConfigure &c = *pConfigure;
        c.m_ipMode = 0;
        c.m_dns1 = QStringLiteral("8.8.8.8");
        c.m_serial.fill(CSerialPort{7, 2, 1, 8, 50, 900, 40});
        c.m_idMaps << new CIDMap;
        c.m_masters << new CSpecifiedMaster;
        c.m_requests << new CSpecifiedRequest;
        c.m_advance = CAdvance{QStringLiteral("pw1"), QStringLiteral("1502"), 77, false, 999, {}, {}, {}};
        c.m_advance.m_limitOn[3] = true;
        c.m_advance.m_limitLow[3] = QStringLiteral("10.3.0.1");
        editor = openOn(6);
        editor->rangeStartCtrl(0)->setIP(QStringLiteral("1.2.3.4"));
        // Only a Yes restores.
        button(editor, "bt_ReNewAll")->click();
        QCOMPARE(spy.texts(), QStringList{GetStr(5011)});
        QCOMPARE(spy.shown().first().kind, Msg::Kind::Question);
        QCOMPARE(QVariantList({c.m_name, c.m_advance.m_password, g_commMode, c.m_idMaps.size()}), QVariantList({"GW", "pw1", m.mode, 1}));
        spy.answerNext(QMessageBox::Yes);
        button(editor, "bt_ReNewAll")->click();
        QCOMPARE(spy.texts(), QStringList({GetStr(5011), GetStr(5011)}));
        QCOMPARE(QVariantList({g_commMode, c.m_name, c.m_modelCode, c.m_ipMode}), QVariantList({0, m.name, m.code, 1}));
        QCOMPARE(QStringList({c.m_ip, c.m_mask, c.m_gateway, c.m_dns1, c.m_dns2}),
                 QStringList({"192.168.0.10", "255.255.255.0", "192.168.0.1", "0.0.0.0", "0.0.0.0"}));
        for (const CSerialPort &p : c.m_serial)
            QCOMPARE(QList<int>({p.m_baudRate, p.m_parityCheck, p.m_stopBit, p.m_dataBits, p.m_charInterval,
                                 p.m_respTimeout, p.m_delayPolls}), QList<int>({3, 0, 0, 0, 10, 300, 0}));
        QVERIFY(c.m_idMaps.isEmpty() && c.m_masters.isEmpty() && c.m_requests.isEmpty());
        QCOMPARE(editor->m_idMapCount + editor->m_masterCount + editor->m_requestCount, 0);
        QCOMPARE(QVariantList({c.m_advance.m_password, c.m_advance.m_highPort, c.m_advance.m_serialDelay,
                               c.m_advance.m_keepAlive, qulonglong(c.m_advance.m_aliveTime)}),
                 QVariantList({QString(), "502", 0, true, qulonglong(m.alive)}));
        for (int i = 0; i < 6; ++i)
            QVERIFY(!c.m_advance.m_limitOn[i] && c.m_advance.m_limitLow[i].isEmpty() && c.m_advance.m_limitHigh[i].isEmpty()
                    && !editor->m_rangeOn[i] && editor->rangeStartCtrl(i)->getIP().isEmpty());
        QVERIFY(!IsSave);
        // The page shows the restored values, and leaving it keeps them.
        QCOMPARE(edit(editor, "lineEdit_Port7")->text() + ' ' + edit(editor, "lineEdit_TcpAlive")->text(), "502 " + QString::number(m.alive));
        QVERIFY(box(editor, "checkBox_6")->isChecked() && box(editor, "checkBox_6")->isEnabled());
        leave();
        QVERIFY(c.m_advance.m_aliveTime == uint64_t(m.alive) && !c.m_advance.m_limitOn[3] && c.m_advance.m_password.isEmpty());
    }
};

QTEST_MAIN(TestAdvancedPage)
#include "tst_page_advanced.moc"
