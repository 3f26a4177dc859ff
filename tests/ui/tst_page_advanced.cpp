// The "#Advanced" page: port, passwords, timers and IP ranges as they are
// stored on leaving, and the restore of the factory settings.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "editor/config.h"
#include "messages/messagetable.h"
#include "support/editorpages.h"
#include "support/messagespy.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace EditorPages;

namespace {

constexpr int kPage = 6;

void leaveAndReturn(Config *editor)
{
    auto *tabs = editor->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(kPage - 1);
    tabs->setCurrentIndex(kPage);
}

void leave(Config *editor)
{
    editor->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(kPage - 1);
}

} // namespace

class TestAdvancedPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void masterModeFixesThePort_data();
    void masterModeFixesThePort();
    void portField_data();
    void portField();
    void defaultPortSwitchChangeIsKept();
    void numbersStoredOnLeave_data();
    void numbersStoredOnLeave();
    void retypedPassword_data();
    void retypedPassword();
    void rangeSwitchesAndIncompleteRanges();
    void factorySettings_data();
    void factorySettings();
    void factorySettingsNeedYes();
};

void TestAdvancedPage::init()
{
    IsSave = false;
    IDS = QStringLiteral("Configuration");
}

void TestAdvancedPage::cleanup()
{
    installConfigure(nullptr);
    IsSave = false;
}

void TestAdvancedPage::masterModeFixesThePort_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("portEditable");
    QTest::newRow("RTU master") << 1 << "1502" << "502" << false;
    QTest::newRow("ASCII master") << 3 << "8000" << "502" << false;
    QTest::newRow("RTU slave keeps its port") << 0 << "1502" << "1502" << true;
    QTest::newRow("ASCII slave on 502") << 2 << "502" << "502" << false;
}

void TestAdvancedPage::masterModeFixesThePort()
{
    QFETCH(int, mode);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(bool, portEditable);
    installModel(130200, mode);
    pConfigure->m_advance.m_highPort = stored;
    Config *editor = openOn(kPage);
    const bool master = mode == 1 || mode == 3;
    QCOMPARE(edit(editor, "lineEdit_Port7")->text(), shown);
    QCOMPARE(edit(editor, "lineEdit_Port7")->isEnabled(), portEditable);
    QCOMPARE(pConfigure->m_advance.m_highPort, shown);
    QCOMPARE(box(editor, "checkBox_6")->isEnabled(), !master);
    QCOMPARE(edit(editor, "lineEdit_DelayTime")->isEnabled(), !master);
    delete editor;
}

void TestAdvancedPage::portField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("changed");
    QTest::newRow("configuration port") << "18801" << "502" << true;
    QTest::newRow("port beside it") << "18800" << "502" << true;
    QTest::newRow("own port") << "1502" << "1502" << true;
    QTest::newRow("same as stored") << "503" << "503" << false;
}

void TestAdvancedPage::portField()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, changed);
    installModel(130100, 0);
    pConfigure->m_advance.m_highPort = QStringLiteral("503");
    MessageSpy spy;
    Config *editor = openOn(kPage);
    QVERIFY(!box(editor, "checkBox_6")->isChecked());
    finishEditing(edit(editor, "lineEdit_Port7"), typed);
    QCOMPARE(edit(editor, "lineEdit_Port7")->text(), shown);
    QVERIFY(spy.shown().isEmpty());
    QCOMPARE(IsSave, changed);
    leave(editor);
    QCOMPARE(pConfigure->m_advance.m_highPort, shown);
    delete editor;
}

void TestAdvancedPage::defaultPortSwitchChangeIsKept()
{
    installModel(130100, 0);
    pConfigure->m_advance.m_highPort = QStringLiteral("1502");
    Config *editor = openOn(kPage);
    box(editor, "checkBox_6")->setChecked(true);
    QCOMPARE(edit(editor, "lineEdit_Port7")->text(), QStringLiteral("502"));
    QVERIFY(!edit(editor, "lineEdit_Port7")->isEnabled());
    leave(editor);
    QCOMPARE(pConfigure->m_advance.m_highPort, QStringLiteral("502"));
    QVERIFY(IsSave);

    // An emptied field means the default port, never an empty one.
    IsSave = false;
    leaveAndReturn(editor);
    box(editor, "checkBox_6")->setChecked(false);
    edit(editor, "lineEdit_Port7")->clear();
    leave(editor);
    QCOMPARE(pConfigure->m_advance.m_highPort, QStringLiteral("502"));
    QVERIFY(!IsSave);
    delete editor;
}

void TestAdvancedPage::numbersStoredOnLeave_data()
{
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("alive");
    QTest::addColumn<bool>("keepAlive");
    QTest::addColumn<int>("storedDelay");
    QTest::addColumn<int>("storedAlive");
    QTest::addColumn<bool>("changed");
    QTest::newRow("unchanged") << "100" << "20" << true << 100 << 20 << false;
    QTest::newRow("new delay") << "250" << "20" << true << 250 << 20 << true;
    QTest::newRow("new alive time") << "100" << "65535" << true << 100 << 65535 << true;
    QTest::newRow("keep-alive off alone") << "100" << "20" << false << 100 << 20 << false;
    QTest::newRow("emptied alive time keeps the stored one") << "100" << "" << true << 100 << 20 << false;
    QTest::newRow("delay with a letter keeps the stored one") << "1x" << "20" << true << 100 << 20 << false;
    QTest::newRow("negative delay keeps the stored one") << "-5" << "20" << true << 100 << 20 << false;
    QTest::newRow("delay beyond 65535 keeps the stored one") << "70000" << "20" << true << 100 << 20 << false;
    QTest::newRow("largest delay") << "65535" << "20" << true << 65535 << 20 << true;
}

void TestAdvancedPage::numbersStoredOnLeave()
{
    QFETCH(QString, delay);
    QFETCH(QString, alive);
    QFETCH(bool, keepAlive);
    QFETCH(int, storedDelay);
    QFETCH(int, storedAlive);
    QFETCH(bool, changed);
    installModel(130200, 0);
    CAdvance &advance = pConfigure->m_advance;
    advance.m_serialDelay = 100;
    advance.m_aliveTime = 20;
    Config *editor = openOn(kPage);
    QCOMPARE(edit(editor, "lineEdit_DelayTime")->text(), QStringLiteral("100"));
    QCOMPARE(edit(editor, "lineEdit_TcpAlive")->text(), QStringLiteral("20"));
    QVERIFY(box(editor, "checkBox_7")->isChecked());
    edit(editor, "lineEdit_DelayTime")->setText(delay);
    edit(editor, "lineEdit_TcpAlive")->setText(alive);
    box(editor, "checkBox_7")->setChecked(keepAlive);
    leave(editor);
    QCOMPARE(advance.m_serialDelay, storedDelay);
    QCOMPARE(advance.m_aliveTime, uint64_t(storedAlive));
    QCOMPARE(advance.m_keepAlive, keepAlive);
    QCOMPARE(IsSave, changed);
    delete editor;
}

void TestAdvancedPage::retypedPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("retyped");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("changed");
    QTest::newRow("two different passwords")
        << "abc1" << "abc2" << GetStr(5042) << "" << true;
    QTest::newRow("two equal passwords") << "Secret9" << "Secret9" << "" << "Secret9" << true;
    QTest::newRow("the stored one again") << "old1" << "old1" << "" << "old1" << false;
    QTest::newRow("no new password") << "" << "abc" << "Please enter a new PassWord" << "" << true;
}

void TestAdvancedPage::retypedPassword()
{
    QFETCH(QString, typed);
    QFETCH(QString, retyped);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    QFETCH(bool, changed);
    installModel(130200, 0);
    pConfigure->m_advance.m_password = QStringLiteral("old1");
    MessageSpy spy;
    Config *editor = openOn(kPage);
    edit(editor, "lineEdit_PassWord")->setText(typed);
    finishEditing(edit(editor, "lineEdit_SureWord"), retyped);
    QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    const bool inconsistent = message == GetStr(5042);
    QCOMPARE(edit(editor, "lineEdit_PassWord")->text(), inconsistent ? QString() : typed);
    if (inconsistent) {
        QVERIFY(edit(editor, "lineEdit_SureWord")->text().isEmpty());
        QVERIFY(editor->m_newPassword.isEmpty());
        QVERIFY(editor->m_retypePassword.isEmpty());
    }
    leave(editor);
    QCOMPARE(pConfigure->m_advance.m_password, stored);
    QCOMPARE(IsSave, changed);
    delete editor;
}

void TestAdvancedPage::rangeSwitchesAndIncompleteRanges()
{
    installModel(130200, 0);
    CAdvance &advance = pConfigure->m_advance;
    advance.m_limitOn[4] = true;
    advance.m_limitLow[4] = QStringLiteral("10.4.0.1");
    advance.m_limitHigh[4] = QStringLiteral("10.4.0.9");
    Config *editor = openOn(kPage);
    QVERIFY(box(editor, "checkBox_12")->isChecked());
    QVERIFY(editor->m_rangeOn[4]);
    QCOMPARE(editor->rangeStartCtrl(4)->getIP(), QStringLiteral("10.4.0.1"));

    const char *boxes[] = {"checkBox_8", "checkBox_9", "checkBox_10", "checkBox_11", "checkBox_12", "checkBox_13"};
    for (int i = 0; i < 6; ++i) {
        box(editor, boxes[i])->setChecked(true);
        QVERIFY2(editor->m_rangeOn[i], boxes[i]);
        QVERIFY(editor->rangeEndCtrl(i)->findChild<QLineEdit *>(QStringLiteral("lineEdit_3"))->isEnabled());
    }
    // Range 1 complete, range 2 with an incomplete end, range 4 switched off.
    editor->rangeStartCtrl(1)->setIP(QStringLiteral("10.1.0.1"));
    editor->rangeEndCtrl(1)->setIP(QStringLiteral("10.1.0.5"));
    editor->rangeStartCtrl(2)->setIP(QStringLiteral("10.2.0.1"));
    typeAddress(editor->rangeEndCtrl(2), QStringLiteral("10.2"));
    box(editor, "checkBox_12")->setChecked(false);
    QVERIFY(!editor->m_rangeOn[4]);
    QVERIFY(!editor->rangeStartCtrl(4)->findChild<QLineEdit *>(QStringLiteral("lineEdit_0"))->isEnabled());
    // The stored range changes only when the page is left.
    QVERIFY(advance.m_limitOn[4]);

    leave(editor);
    QVERIFY(advance.m_limitOn[1]);
    QCOMPARE(advance.m_limitHigh[1], QStringLiteral("10.1.0.5"));
    QVERIFY(!advance.m_limitOn[2]);
    QCOMPARE(advance.m_limitLow[2], QStringLiteral("10.2.0.1"));
    QVERIFY(advance.m_limitHigh[2].isEmpty());
    QVERIFY(!advance.m_limitOn[4]);
    QCOMPARE(advance.m_limitLow[4], QStringLiteral("10.4.0.1"));
    QVERIFY(!advance.m_limitOn[0]);
    QVERIFY(IsSave);
    delete editor;
}

void TestAdvancedPage::factorySettings_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("alive");
    QTest::newRow("130200") << 130200 << 0 << "KX500-DL-2RS" << 8;
    QTest::newRow("code 0 keeps its name") << 0 << 1 << "GW" << 8;
    QTest::newRow("30103 from a master mode") << 30103 << 3 << "NTC-P01DL" << 30;
    QTest::newRow("30203") << 30203 << 2 << "KX500-EN-2RS485(Modbus TCP)" << 30;
    QTest::newRow("130100") << 130100 << 0 << "KX500-DL-RS" << 8;
    QTest::newRow("130400") << 130400 << 0 << "KX500-DL-4RS" << 8;
    QTest::newRow("130800") << 130800 << 0 << "HW-P08" << 8;
    QTest::newRow("131600") << 131600 << 0 << "HW-P16" << 8;
}

void TestAdvancedPage::factorySettings()
{
    QFETCH(int, code);
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(int, alive);
    installModel(code, mode);
    CConfigure &c = *pConfigure;
    c.m_ipMode = 0;
    c.m_dns1 = QStringLiteral("8.8.8.8");
    for (CSerialPort &port : c.m_serial) {
        port.m_baudRate = 7;
        port.m_parityCheck = 2;
        port.m_stopBit = 1;
        port.m_dataBits = 8;
        port.m_charInterval = 50;
        port.m_respTimeout = 900;
        port.m_delayPolls = 40;
    }
    c.m_idMaps << new CIDMap << new CIDMap;
    c.m_masters << new CSpecifiedMaster;
    c.m_requests << new CSpecifiedRequest;
    c.m_advance.m_password = QStringLiteral("pw1");
    c.m_advance.m_highPort = QStringLiteral("1502");
    c.m_advance.m_serialDelay = 77;
    c.m_advance.m_keepAlive = false;
    c.m_advance.m_aliveTime = 999;
    c.m_advance.m_limitOn[3] = true;
    c.m_advance.m_limitLow[3] = QStringLiteral("10.3.0.1");
    c.m_advance.m_limitHigh[3] = QStringLiteral("10.3.0.2");

    MessageSpy spy;
    Config *editor = openOn(kPage);
    editor->rangeStartCtrl(0)->setIP(QStringLiteral("1.2.3.4"));
    IsSave = false;
    spy.answerNext(QMessageBox::Yes);
    button(editor, "bt_ReNewAll")->click();

    QCOMPARE(spy.texts(), QStringList{GetStr(5011)});
    QCOMPARE(spy.shown().first().kind, Msg::Kind::Question);
    QCOMPARE(g_commMode, 0);
    QCOMPARE(c.m_name, name);
    QCOMPARE(c.m_modelCode, code);
    QCOMPARE(c.m_ipMode, 1);
    QCOMPARE(c.m_ip, QStringLiteral("192.168.0.10"));
    QCOMPARE(c.m_mask, QStringLiteral("255.255.255.0"));
    QCOMPARE(c.m_gateway, QStringLiteral("192.168.0.1"));
    QCOMPARE(c.m_dns1, QStringLiteral("0.0.0.0"));
    QCOMPARE(c.m_dns2, QStringLiteral("0.0.0.0"));
    for (const CSerialPort &port : c.m_serial) {
        QCOMPARE(port.m_baudRate, 3);
        QCOMPARE(port.m_parityCheck, 0);
        QCOMPARE(port.m_stopBit, 0);
        QCOMPARE(port.m_dataBits, 0);
        QCOMPARE(port.m_charInterval, 10);
        QCOMPARE(port.m_respTimeout, 300);
        QCOMPARE(port.m_delayPolls, 0);
    }
    QVERIFY(c.m_idMaps.isEmpty());
    QVERIFY(c.m_masters.isEmpty());
    QVERIFY(c.m_requests.isEmpty());
    QCOMPARE(editor->m_idMapCount, 0);
    QCOMPARE(editor->m_masterCount, 0);
    QCOMPARE(editor->m_requestCount, 0);
    QVERIFY(c.m_advance.m_password.isEmpty());
    QCOMPARE(c.m_advance.m_highPort, QStringLiteral("502"));
    QCOMPARE(c.m_advance.m_serialDelay, 0);
    QVERIFY(c.m_advance.m_keepAlive);
    QCOMPARE(c.m_advance.m_aliveTime, uint64_t(alive));
    for (int i = 0; i < 6; ++i) {
        QVERIFY(!c.m_advance.m_limitOn[i]);
        QVERIFY(c.m_advance.m_limitLow[i].isEmpty());
        QVERIFY(c.m_advance.m_limitHigh[i].isEmpty());
        QVERIFY(!editor->m_rangeOn[i]);
        QVERIFY(editor->rangeStartCtrl(i)->getIP().isEmpty());
    }
    QVERIFY(!IsSave);

    // The page shows the restored values, and leaving it keeps them.
    QCOMPARE(editor->currentPage(), kPage);
    QCOMPARE(edit(editor, "lineEdit_Port7")->text(), QStringLiteral("502"));
    QVERIFY(box(editor, "checkBox_6")->isChecked());
    QVERIFY(box(editor, "checkBox_6")->isEnabled());
    QVERIFY(edit(editor, "lineEdit_PassWord")->text().isEmpty());
    QCOMPARE(edit(editor, "lineEdit_TcpAlive")->text(), QString::number(alive));
    QVERIFY(!box(editor, "checkBox_11")->isChecked());
    leave(editor);
    QCOMPARE(c.m_advance.m_aliveTime, uint64_t(alive));
    QVERIFY(!c.m_advance.m_limitOn[3]);
    QVERIFY(c.m_advance.m_password.isEmpty());
    delete editor;
}

void TestAdvancedPage::factorySettingsNeedYes()
{
    installModel(130200, 1);
    pConfigure->m_idMaps << new CIDMap;
    pConfigure->m_advance.m_password = QStringLiteral("pw1");
    MessageSpy spy;
    Config *editor = openOn(kPage);
    spy.answerNext(QMessageBox::No);
    button(editor, "bt_ReNewAll")->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(5011)});
    QCOMPARE(g_commMode, 1);
    QCOMPARE(pConfigure->m_name, QStringLiteral("GW"));
    QCOMPARE(pConfigure->m_idMaps.size(), 1);
    QCOMPARE(pConfigure->m_advance.m_password, QStringLiteral("pw1"));
    delete editor;
}

QTEST_MAIN(TestAdvancedPage)
#include "tst_page_advanced.moc"
