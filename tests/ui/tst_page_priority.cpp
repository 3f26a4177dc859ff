// The "#Priority Control" page: which models and modes may use it, the
// master and request lists it edits, and its two field checks.
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
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace EditorPages;

namespace {

constexpr int kPage = 5;
const char *const kBoxes[] = {"checkBox_2", "checkBox_3", "checkBox_4", "checkBox_5"};
const char *const kMasterButtons[] = {"bt_MasterAdd", "bt_MasterModify", "bt_MasterDelete"};
const char *const kRequestButtons[] = {"bt_RequestAdd", "bt_RequestModify", "bt_RequestDelete"};

CSpecifiedMaster *storedMaster(const QString &ip)
{
    auto *master = new CSpecifiedMaster;
    master->m_ip = ip;
    return master;
}

CSpecifiedRequest *storedRequest(bool slaveIdOn, const QString &slaveId, bool functionOn, const QString &function)
{
    auto *request = new CSpecifiedRequest;
    request->m_slaveIdOn = slaveIdOn;
    request->m_slaveId = slaveId;
    request->m_functionOn = functionOn;
    request->m_functionCode = function;
    return request;
}

bool ipCtrlEnabled(MyIPCtrl *ctrl)
{
    return ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_0"))->isEnabled();
}

} // namespace

class TestPriorityPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void masterModeDisablesEverything_data();
    void masterModeDisablesEverything();
    void onlyFixedLayoutModelsOfferTheSwitches_data();
    void onlyFixedLayoutModelsOfferTheSwitches();
    void masterListStopsAtTheLimit_data();
    void masterListStopsAtTheLimit();
    void masterAddressMustBeUsable_data();
    void masterAddressMustBeUsable();
    void requestFieldChecks_data();
    void requestFieldChecks();
    void requestAdd_data();
    void requestAdd();
    void switchingRequestsOffTurnsButtonsOff();
    void deleteUsesTheCurrentRow();
    void modifyMarksOnlyRealChanges();
    void activatedRowsFillTheForm();
};

void TestPriorityPage::init()
{
    IsSave = false;
    IDS = QStringLiteral("Configuration");
}

void TestPriorityPage::cleanup()
{
    installConfigure(nullptr);
    IsSave = false;
}

void TestPriorityPage::masterModeDisablesEverything_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("RTU master") << 1;
    QTest::newRow("ASCII master") << 3;
}

void TestPriorityPage::masterModeDisablesEverything()
{
    QFETCH(int, mode);
    installModel(30203, mode);
    pConfigure->m_masters << storedMaster("10.0.0.1");
    pConfigure->m_requests << storedRequest(true, "3", true, "4");
    Config *editor = openOn(kPage);
    for (const char *name : kBoxes) {
        QVERIFY2(!box(editor, name)->isChecked(), name);
        QVERIFY2(!box(editor, name)->isEnabled(), name);
    }
    for (const char *name : {"lineEdit_SerialPort6", "lineEdit_slaveid6", "lineEdit_functioncode6"})
        QVERIFY2(!edit(editor, name)->isEnabled(), name);
    for (const char *name : kMasterButtons)
        QVERIFY2(!button(editor, name)->isEnabled(), name);
    for (const char *name : kRequestButtons)
        QVERIFY2(!button(editor, name)->isEnabled(), name);
    QVERIFY(!ipCtrlEnabled(ipCtrl(editor, "frame_17")));
    // The stored entries are listed all the same, typed for a master mode.
    QCOMPARE(rowTexts(table(editor, "pag6_Master"), 0), QStringList({"1", "Modbus", "10.0.0.1"}));
    QCOMPARE(rowTexts(table(editor, "pag6_Request"), 0), QStringList({"1", "3", "4"}));
    delete editor;
}

void TestPriorityPage::onlyFixedLayoutModelsOfferTheSwitches_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("usable");
    QTest::newRow("30103") << 30103 << true;
    QTest::newRow("30203") << 30203 << true;
    QTest::newRow("130200") << 130200 << false;
    QTest::newRow("130400") << 130400 << false;
    QTest::newRow("code 0") << 0 << false;
}

void TestPriorityPage::onlyFixedLayoutModelsOfferTheSwitches()
{
    QFETCH(int, code);
    QFETCH(bool, usable);
    installModel(code, 0);
    pConfigure->m_masters << storedMaster("10.0.0.1") << storedMaster("10.0.0.2");
    Config *editor = openOn(kPage);
    QCOMPARE(box(editor, "checkBox_2")->isEnabled(), usable);
    QCOMPARE(box(editor, "checkBox_3")->isEnabled(), usable);
    // Checked because the list is not empty; the requests' box because theirs is.
    QVERIFY(box(editor, "checkBox_2")->isChecked());
    QVERIFY(!box(editor, "checkBox_3")->isChecked());
    QCOMPARE(table(editor, "pag6_Master")->rowCount(), 100);
    QCOMPARE(rowTexts(table(editor, "pag6_Master"), 1), QStringList({"2", "Modbus TCP", "10.0.0.2"}));
    QCOMPARE(editor->m_masterCount, 2);
    delete editor;
}

void TestPriorityPage::masterListStopsAtTheLimit_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("limit");
    QTest::newRow("30203 takes 36") << 30203 << 36;
    QTest::newRow("30103 takes 36") << 30103 << 36;
    // Other models take 4; their page is only reachable with stored masters.
    QTest::newRow("130200 takes 4") << 130200 << 4;
}

void TestPriorityPage::masterListStopsAtTheLimit()
{
    QFETCH(int, code);
    QFETCH(int, limit);
    installModel(code, 2);
    pConfigure->m_masters << storedMaster("10.0.0.1");
    MessageSpy spy;
    Config *editor = openOn(kPage);
    QVERIFY(button(editor, "bt_MasterAdd")->isEnabled());
    MyIPCtrl *address = ipCtrl(editor, "frame_17");
    for (int i = 1; i < limit; ++i) {
        address->setIP(QStringLiteral("10.0.1.%1").arg(i));
        button(editor, "bt_MasterAdd")->click();
    }
    QVERIFY2(spy.shown().isEmpty(), qPrintable(spy.texts().join('|')));
    QCOMPARE(pConfigure->m_masters.size(), limit);
    QCOMPARE(rowTexts(table(editor, "pag6_Master"), limit - 1),
             QStringList({QString::number(limit), "Modbus TCP", QStringLiteral("10.0.1.%1").arg(limit - 1)}));
    QVERIFY(!pConfigure->m_masters.last()->m_serial2);
    QVERIFY(IsSave);

    IsSave = false;
    button(editor, "bt_MasterAdd")->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(5025)});
    QCOMPARE(pConfigure->m_masters.size(), limit);
    QCOMPARE(editor->m_masterCount, limit);
    QVERIFY(!IsSave);
    delete editor;
}

void TestPriorityPage::masterAddressMustBeUsable_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("half-filled") << "10.1" << false;
    QTest::newRow("all zeros") << "0.0.0.0" << false;
    QTest::newRow("complete") << "172.16.0.9" << true;
}

void TestPriorityPage::masterAddressMustBeUsable()
{
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    installModel(30103, 0);
    pConfigure->m_masters << storedMaster("10.0.0.1");
    MessageSpy spy;
    Config *editor = openOn(kPage);
    typeAddress(ipCtrl(editor, "frame_17"), address);
    button(editor, "bt_MasterAdd")->click();
    QCOMPARE(spy.texts(), accepted ? QStringList() : QStringList{GetStr(5035)});
    QCOMPARE(pConfigure->m_masters.size(), accepted ? 2 : 1);

    spy.clear();
    table(editor, "pag6_Master")->cellClicked(0, 0);
    button(editor, "bt_MasterModify")->click();
    QCOMPARE(spy.texts(), accepted ? QStringList() : QStringList{GetStr(5038)});
    QCOMPARE(pConfigure->m_masters.first()->m_ip, accepted ? address : QStringLiteral("10.0.0.1"));
    QCOMPARE(IsSave, accepted);
    delete editor;
}

void TestPriorityPage::requestFieldChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("warned");
    const QString slaveId = QStringLiteral("lineEdit_slaveid6");
    const QString function = QStringLiteral("lineEdit_functioncode6");
    QTest::newRow("slave ID with a letter") << slaveId << "12a" << "0" << true;
    QTest::newRow("slave ID with a sign") << slaveId << "-3" << "0" << true;
    QTest::newRow("slave ID beyond one byte") << slaveId << "300" << "0" << true;
    QTest::newRow("slave ID beyond any int") << slaveId << "99999999999" << "0" << true;
    QTest::newRow("slave ID 255") << slaveId << "255" << "255" << false;
    QTest::newRow("empty slave ID left alone") << slaveId << "" << "" << false;
    QTest::newRow("function 7 is no code") << function << "7" << "1" << false;
    QTest::newRow("empty function") << function << "" << "1" << false;
    QTest::newRow("function with a leading zero") << function << "03" << "1" << false;
    QTest::newRow("function 15 kept") << function << "15" << "15" << false;
    QTest::newRow("function 6 kept") << function << "6" << "6" << false;
}

void TestPriorityPage::requestFieldChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(bool, warned);
    installModel(30203, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    QLineEdit *line = edit(editor, qPrintable(field));
    finishEditing(line, typed);
    QCOMPARE(line->text(), after);
    QCOMPARE(spy.texts(), warned ? QStringList{GetStr(5053)} : QStringList());
    delete editor;
}

void TestPriorityPage::requestAdd_data()
{
    QTest::addColumn<bool>("slaveIdOn");
    QTest::addColumn<QString>("slaveId");
    QTest::addColumn<bool>("functionOn");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QStringList>("row"); // empty: nothing added
    QTest::newRow("slave ID alone") << true << "5" << false << "" << QStringList{"1", "5", ""};
    QTest::newRow("function alone") << false << "" << true << "3" << QStringList{"1", "", "3"};
    QTest::newRow("both") << true << "9" << true << "16" << QStringList{"1", "9", "16"};
    QTest::newRow("switched-off text not shown") << false << "8" << true << "2" << QStringList{"1", "", "2"};
    QTest::newRow("both empty") << true << "" << true << "" << QStringList();
    QTest::newRow("nothing switched on") << false << "5" << false << "3" << QStringList();
    QTest::newRow("lone slave ID without text") << true << "" << false << "3" << QStringList();
    QTest::newRow("lone function without text") << false << "4" << true << "" << QStringList();
}

void TestPriorityPage::requestAdd()
{
    QFETCH(bool, slaveIdOn);
    QFETCH(QString, slaveId);
    QFETCH(bool, functionOn);
    QFETCH(QString, function);
    QFETCH(QStringList, row);
    installModel(30203, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    box(editor, "checkBox_3")->setChecked(true);
    box(editor, "checkBox_4")->setChecked(slaveIdOn);
    box(editor, "checkBox_5")->setChecked(functionOn);
    QCOMPARE(edit(editor, "lineEdit_slaveid6")->isEnabled(), slaveIdOn);
    QCOMPARE(edit(editor, "lineEdit_functioncode6")->isEnabled(), functionOn);
    edit(editor, "lineEdit_slaveid6")->setText(slaveId);
    edit(editor, "lineEdit_functioncode6")->setText(function);
    button(editor, "bt_RequestAdd")->click();

    QVERIFY(spy.shown().isEmpty());
    if (row.isEmpty()) {
        QVERIFY(pConfigure->m_requests.isEmpty());
        QVERIFY(rowTexts(table(editor, "pag6_Request"), 0).at(0).isEmpty());
        QVERIFY(!IsSave);
    } else {
        QCOMPARE(rowTexts(table(editor, "pag6_Request"), 0), row);
        QCOMPARE(pConfigure->m_requests.size(), 1);
        const CSpecifiedRequest &stored = *pConfigure->m_requests.first();
        QCOMPARE(stored.m_slaveIdOn, slaveIdOn);
        QCOMPARE(stored.m_slaveId, slaveId);
        QCOMPARE(stored.m_functionOn, functionOn);
        QCOMPARE(stored.m_functionCode, function);
        QCOMPARE(editor->m_requestCount, 1);
        QVERIFY(IsSave);
    }
    delete editor;
}

void TestPriorityPage::switchingRequestsOffTurnsButtonsOff()
{
    installModel(30203, 0);
    pConfigure->m_requests << storedRequest(true, "1", false, "");
    Config *editor = openOn(kPage);
    QVERIFY(box(editor, "checkBox_3")->isChecked());
    for (const char *name : kRequestButtons)
        QVERIFY2(button(editor, name)->isEnabled(), name);
    box(editor, "checkBox_5")->setChecked(true);
    QVERIFY(edit(editor, "lineEdit_functioncode6")->isEnabled());

    box(editor, "checkBox_3")->setChecked(false);
    for (const char *name : kRequestButtons)
        QVERIFY2(!button(editor, name)->isEnabled(), name);
    QVERIFY(!box(editor, "checkBox_4")->isEnabled());
    QVERIFY(!box(editor, "checkBox_5")->isEnabled());
    QVERIFY(!edit(editor, "lineEdit_functioncode6")->isEnabled());
    // Switching off keeps the entries, and the next entry switches on again.
    QCOMPARE(pConfigure->m_requests.size(), 1);
    auto *tabs = editor->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(4);
    tabs->setCurrentIndex(kPage);
    QVERIFY(box(editor, "checkBox_3")->isChecked());
    QVERIFY(button(editor, "bt_RequestAdd")->isEnabled());
    delete editor;
}

void TestPriorityPage::deleteUsesTheCurrentRow()
{
    installModel(30203, 0);
    pConfigure->m_masters << storedMaster("10.0.0.1") << storedMaster("10.0.0.2") << storedMaster("10.0.0.3");
    pConfigure->m_requests << storedRequest(true, "1", false, "") << storedRequest(false, "", true, "3");
    Config *editor = openOn(kPage);
    QTableWidget *masters = table(editor, "pag6_Master");
    QTableWidget *requests = table(editor, "pag6_Request");

    // No current row yet: nothing happens.
    button(editor, "bt_MasterDelete")->click();
    button(editor, "bt_RequestDelete")->click();
    QCOMPARE(pConfigure->m_masters.size(), 3);
    QCOMPARE(pConfigure->m_requests.size(), 2);
    QVERIFY(!IsSave);

    masters->setCurrentCell(1, 0);
    button(editor, "bt_MasterDelete")->click();
    QCOMPARE(pConfigure->m_masters.size(), 2);
    QCOMPARE(pConfigure->m_masters.at(1)->m_ip, QStringLiteral("10.0.0.3"));
    QCOMPARE(rowTexts(masters, 1), QStringList({"2", "Modbus TCP", "10.0.0.3"}));
    QCOMPARE(editor->m_masterCount, 2);
    QCOMPARE(editor->m_selMaster, -1);
    QVERIFY(IsSave);

    // A current row below the entries deletes nothing.
    IsSave = false;
    requests->setCurrentCell(5, 0);
    button(editor, "bt_RequestDelete")->click();
    QCOMPARE(pConfigure->m_requests.size(), 2);
    QVERIFY(!IsSave);
    requests->setCurrentCell(0, 0);
    button(editor, "bt_RequestDelete")->click();
    QCOMPARE(pConfigure->m_requests.size(), 1);
    QCOMPARE(rowTexts(requests, 0), QStringList({"1", "", "3"}));
    QCOMPARE(editor->m_requestCount, 1);
    QVERIFY(IsSave);
    delete editor;
}

void TestPriorityPage::modifyMarksOnlyRealChanges()
{
    installModel(30203, 0);
    pConfigure->m_masters << storedMaster("10.0.0.1");
    pConfigure->m_requests << storedRequest(true, "7", true, "3");
    MessageSpy spy;
    Config *editor = openOn(kPage);

    // Master: the same address again is no change, another one is.
    table(editor, "pag6_Master")->cellClicked(0, 2);
    ipCtrl(editor, "frame_17")->setIP(QStringLiteral("10.0.0.1"));
    button(editor, "bt_MasterModify")->click();
    QVERIFY(!IsSave);
    ipCtrl(editor, "frame_17")->setIP(QStringLiteral("10.0.0.4"));
    button(editor, "bt_MasterModify")->click();
    QVERIFY(IsSave);
    QCOMPARE(rowTexts(table(editor, "pag6_Master"), 0).at(2), QStringLiteral("10.0.0.4"));

    // Request: only the function switch turned off, the texts as stored.
    IsSave = false;
    table(editor, "pag6_Request")->cellClicked(0, 0);
    box(editor, "checkBox_4")->setChecked(true);
    box(editor, "checkBox_5")->setChecked(false);
    edit(editor, "lineEdit_slaveid6")->setText(QStringLiteral("7"));
    edit(editor, "lineEdit_functioncode6")->setText(QStringLiteral("3"));
    button(editor, "bt_RequestModify")->click();
    QVERIFY(spy.shown().isEmpty());
    QVERIFY(!pConfigure->m_requests.first()->m_functionOn);
    QCOMPARE(rowTexts(table(editor, "pag6_Request"), 0), QStringList({"1", "7", ""}));
    QVERIFY(IsSave);

    // An incomplete form changes nothing.
    IsSave = false;
    box(editor, "checkBox_4")->setChecked(false);
    button(editor, "bt_RequestModify")->click();
    QVERIFY(pConfigure->m_requests.first()->m_slaveIdOn);
    QVERIFY(!IsSave);
    delete editor;
}

void TestPriorityPage::activatedRowsFillTheForm()
{
    installModel(30103, 0);
    pConfigure->m_masters << storedMaster("10.0.0.1") << storedMaster("10.9.8.7");
    pConfigure->m_requests << storedRequest(false, "", true, "15");
    Config *editor = openOn(kPage);
    table(editor, "pag6_Master")->cellActivated(1, 0);
    QCOMPARE(editor->m_selMaster, 1);
    QCOMPARE(ipCtrl(editor, "frame_17")->getIP(), QStringLiteral("10.9.8.7"));

    box(editor, "checkBox_4")->setChecked(true);
    edit(editor, "lineEdit_slaveid6")->setText(QStringLiteral("44"));
    table(editor, "pag6_Request")->cellActivated(0, 1);
    QCOMPARE(editor->m_selRequest, 0);
    QVERIFY(!box(editor, "checkBox_4")->isChecked());
    QVERIFY(!edit(editor, "lineEdit_slaveid6")->isEnabled());
    QVERIFY(edit(editor, "lineEdit_slaveid6")->text().isEmpty());
    QVERIFY(box(editor, "checkBox_5")->isChecked());
    QVERIFY(edit(editor, "lineEdit_functioncode6")->isEnabled());
    QCOMPARE(edit(editor, "lineEdit_functioncode6")->text(), QStringLiteral("15"));

    // Rows without an entry are ignored.
    table(editor, "pag6_Master")->cellActivated(4, 0);
    QCOMPARE(editor->m_selMaster, 1);
    delete editor;
}

QTEST_MAIN(TestPriorityPage)
#include "tst_page_priority.moc"
