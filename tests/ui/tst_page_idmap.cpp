// The "#ID Mapping" page: Set, Add, Modify, Delete and row selection, checked
// on the configuration, the table and the unsaved-changes flag.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
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

constexpr int kPage = 3;

struct Form {
    QString min;
    QString max;
    QString offset;
};

void fillForm(Config *editor, const Form &form)
{
    edit(editor, "lineEdit_min")->setText(form.min);
    edit(editor, "lineEdit_max")->setText(form.max);
    edit(editor, "lineEdit_offset")->setText(form.offset);
}

void selectPort(Config *editor, int index)
{
    editor->findChild<QComboBox *>(QStringLiteral("m_serial2"))->setCurrentIndex(index);
}

CIDMap *storedMap(const QString &ip, const QString &port, int serialIndex, int min, int max, int offset)
{
    auto *map = new CIDMap;
    map->m_ip = ip;
    map->m_port = port;
    map->m_serialIndex = serialIndex;
    map->m_idMin = min;
    map->m_idMax = max;
    map->m_negative = offset < 0;
    map->m_offset = std::abs(offset);
    return map;
}

} // namespace

class TestIdMapPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void addStopsAtTheModelLimit_data();
    void addStopsAtTheModelLimit();
    void setAndAddInSlaveMode_data();
    void setAndAddInSlaveMode();
    void unusableRangeIsRefused_data();
    void unusableRangeIsRefused();
    void addInMasterModeNeedsTarget_data();
    void addInMasterModeNeedsTarget();
    void deletingMiddleRowRenumbers();
    void refusedSetDoesNotSwallowNextAdd();
    void modifyMarksOnlyRealChanges_data();
    void modifyMarksOnlyRealChanges();
    void reEnteringShowsPortLabels();
    void clickingRowLoadsIt_data();
    void clickingRowLoadsIt();
    void clickedIndexBeyondPortsIsRefused();
};

void TestIdMapPage::init()
{
    IsSave = false;
    IsSetup = false;
    IDS = QStringLiteral("Configuration");
}

void TestIdMapPage::cleanup()
{
    installConfigure(nullptr);
    IsSave = false;
    IsSetup = false;
}

void TestIdMapPage::addStopsAtTheModelLimit_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("limit");
    QTest::newRow("130100 takes 4") << 130100 << 4;
    QTest::newRow("130200 takes 4") << 130200 << 4;
    QTest::newRow("130800 takes 4") << 130800 << 4;
    QTest::newRow("131600 takes 4") << 131600 << 4;
    QTest::newRow("code 0 takes 4") << 0 << 4;
    QTest::newRow("130400 takes 36") << 130400 << 36;
    QTest::newRow("30103 takes 36") << 30103 << 36;
    QTest::newRow("30203 takes 36") << 30203 << 36;
}

void TestIdMapPage::addStopsAtTheModelLimit()
{
    QFETCH(int, code);
    QFETCH(int, limit);
    installModel(code, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    QPushButton *add = button(editor, "bt_Add");
    for (int i = 0; i < limit; ++i) {
        fillForm(editor, {QString::number(i + 1), QString::number(i + 1), QStringLiteral("0")});
        add->click();
    }
    QVERIFY2(spy.shown().isEmpty(), qPrintable(spy.texts().join('|')));
    QCOMPARE(pConfigure->m_idMaps.size(), limit);
    QCOMPARE(editor->m_idMapCount, limit);
    QCOMPARE(rowTexts(table(editor, "page4_tab"), limit - 1).at(0), QString::number(limit));

    IsSave = false;
    add->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(5025)});
    QCOMPARE(pConfigure->m_idMaps.size(), limit);
    QCOMPARE(editor->m_idMapCount, limit);
    QVERIFY(rowTexts(table(editor, "page4_tab"), limit).at(0).isEmpty());
    QVERIFY(!IsSave);
    delete editor;
}

void TestIdMapPage::setAndAddInSlaveMode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<int>("amount");
    // Eleven virtual IDs map to eleven actual ones.
    QTest::newRow("10-20 shifted by -5 on the second port")
        << 130200 << 0 << "10" << "20" << "-5" << 1 << "5-15"
        << QStringList{"1", "Modbus", "Port2", "10-20<->5-15"} << true << 5;
    QTest::newRow("explicit plus sign reaches the top ID")
        << 130100 << 2 << "1" << "1" << "+246" << 0 << "247-247"
        << QStringList{"1", "Modbus", "Port1", "1-1<->247-247"} << false << 246;
    QTest::newRow("no offset keeps the IDs")
        << 130200 << 0 << "3" << "9" << "0" << 0 << "3-9"
        << QStringList{"1", "Modbus", "Port1", "3-9<->3-9"} << false << 0;
    QTest::newRow("third port carries the gateway's own label")
        << 130400 << 0 << "2" << "4" << "2" << 2 << "4-6"
        << QStringList{"1", "Modbus", QString::fromUtf8("串口3"), "2-4<->4-6"} << false << 2;
    QTest::newRow("sixteenth port")
        << 0 << 2 << "100" << "147" << "-99" << 15 << "1-48"
        << QStringList{"1", "Modbus", QString::fromUtf8("串口16"), "100-147<->1-48"} << true << 99;
}

void TestIdMapPage::setAndAddInSlaveMode()
{
    QFETCH(int, code);
    QFETCH(int, mode);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, offset);
    QFETCH(int, port);
    QFETCH(QString, actual);
    QFETCH(QStringList, row);
    QFETCH(bool, negative);
    QFETCH(int, amount);
    installModel(code, mode);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    fillForm(editor, {min, max, offset});
    selectPort(editor, port);

    button(editor, "bt_Setup")->click();
    QCOMPARE(edit(editor, "lineEdit_slave")->text(), actual);
    QCOMPARE(editor->m_actualRange, actual);
    QVERIFY(pConfigure->m_idMaps.isEmpty());
    QVERIFY(!IsSave);

    button(editor, "bt_Add")->click();
    QVERIFY2(spy.shown().isEmpty(), qPrintable(spy.texts().join('|')));
    QCOMPARE(rowTexts(table(editor, "page4_tab"), 0), row);
    QCOMPARE(pConfigure->m_idMaps.size(), 1);
    const CIDMap &map = *pConfigure->m_idMaps.first();
    QCOMPARE(map.m_ip, QStringLiteral("0.0.0.0"));
    QCOMPARE(map.m_port, QStringLiteral("502"));
    QCOMPARE(map.m_serialIndex, port);
    QCOMPARE(map.m_idMin, min.toInt());
    QCOMPARE(map.m_idMax, max.toInt());
    QCOMPARE(map.m_negative, negative);
    QCOMPARE(map.m_offset, amount);
    QVERIFY(IsSave);
    delete editor;
}

void TestIdMapPage::unusableRangeIsRefused_data()
{
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<unsigned int>("setMessage");
    QTest::addColumn<unsigned int>("addMessage");
    QTest::addColumn<int>("workMin");
    QTest::addColumn<int>("workMax");
    QTest::addColumn<int>("workOffset");
    QTest::newRow("offset leaves below 1") << "1" << "5" << "-1" << 5024u << 5024u << 1 << 5 << 0;
    QTest::newRow("offset leaves above 247") << "240" << "247" << "1" << 5024u << 5024u << 240 << 247 << 0;
    QTest::newRow("maximum below minimum") << "5" << "3" << "0" << 5023u << 5026u << 1 << 1 << 0;
    QTest::newRow("empty fields count as 0") << "" << "" << "" << 5024u << 5024u << 0 << 0 << 0;
}

void TestIdMapPage::unusableRangeIsRefused()
{
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, offset);
    QFETCH(unsigned int, setMessage);
    QFETCH(unsigned int, addMessage);
    QFETCH(int, workMin);
    QFETCH(int, workMax);
    QFETCH(int, workOffset);
    installModel(130200, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    // A good range first: a refused one keeps what it showed.
    fillForm(editor, {"2", "3", "1"});
    button(editor, "bt_Setup")->click();
    QCOMPARE(editor->m_actualRange, QStringLiteral("3-4"));

    fillForm(editor, {min, max, offset});
    button(editor, "bt_Setup")->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(setMessage)});
    QVERIFY(IsSetup);
    QCOMPARE(editor->m_workMin, workMin);
    QCOMPARE(editor->m_workMax, workMax);
    QCOMPARE(editor->m_workOffset, workOffset);
    QCOMPARE(editor->m_actualRange, QStringLiteral("3-4"));
    QCOMPARE(edit(editor, "lineEdit_slave")->text(), QStringLiteral("3-4"));

    IsSetup = false;
    spy.clear();
    button(editor, "bt_Add")->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(addMessage)});
    QVERIFY(!IsSetup);
    QVERIFY(pConfigure->m_idMaps.isEmpty());
    QCOMPARE(editor->m_idMapCount, 0);
    QVERIFY(rowTexts(table(editor, "page4_tab"), 0).at(0).isEmpty());
    QVERIFY(!IsSave);
    delete editor;
}

void TestIdMapPage::addInMasterModeNeedsTarget_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("defaultPort");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("details"); // empty: refused with 5028
    QTest::newRow("half-filled address") << 1 << "10.0" << true << "" << "";
    QTest::newRow("three octets") << 3 << "10.0.0" << true << "" << "";
    QTest::newRow("all zeros") << 1 << "0.0.0.0" << true << "" << "";
    QTest::newRow("default port") << 1 << "10.0.0.5" << true << "" << "10.0.0.5:502";
    QTest::newRow("own port") << 3 << "192.168.1.20" << false << "1502" << "192.168.1.20:1502";
    QTest::newRow("own port left empty") << 1 << "10.0.0.6" << false << "" << "10.0.0.6:502";
}

void TestIdMapPage::addInMasterModeNeedsTarget()
{
    QFETCH(int, mode);
    QFETCH(QString, address);
    QFETCH(bool, defaultPort);
    QFETCH(QString, port);
    QFETCH(QString, details);
    installModel(130200, mode);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    QVERIFY(box(editor, "checkBox")->isChecked());
    QVERIFY(!edit(editor, "lineEdit_Port4")->isEnabled());
    box(editor, "checkBox")->setChecked(defaultPort);
    QCOMPARE(edit(editor, "lineEdit_Port4")->isEnabled(), !defaultPort);
    if (!defaultPort)
        edit(editor, "lineEdit_Port4")->setText(port);
    typeAddress(ipCtrl(editor, "frame_12"), address);
    fillForm(editor, {"1", "4", "10"});
    button(editor, "bt_Add")->click();

    if (details.isEmpty()) {
        QCOMPARE(spy.texts(), QStringList{GetStr(5028)});
        QVERIFY(pConfigure->m_idMaps.isEmpty());
        QVERIFY(!IsSave);
    } else {
        QVERIFY(spy.shown().isEmpty());
        QCOMPARE(rowTexts(table(editor, "page4_tab"), 0),
                 QStringList({"1", "Modbus TCP", details, "1-4<->11-14"}));
        QCOMPARE(pConfigure->m_idMaps.size(), 1);
        const CIDMap &map = *pConfigure->m_idMaps.first();
        QCOMPARE(QStringLiteral("%1:%2").arg(map.m_ip, map.m_port), details);
        QVERIFY(IsSave);
    }
    delete editor;
}

void TestIdMapPage::deletingMiddleRowRenumbers()
{
    installModel(130400, 0);
    pConfigure->m_idMaps << storedMap("0.0.0.0", "502", 0, 1, 2, 0) << storedMap("0.0.0.0", "502", 1, 3, 4, 1)
                         << storedMap("0.0.0.0", "502", 2, 5, 6, -2);
    CIDMap *last = pConfigure->m_idMaps.at(2);
    Config *editor = openOn(kPage);
    QTableWidget *rows = table(editor, "page4_tab");
    // Nothing selected, or a click below the entries: Delete does nothing.
    button(editor, "bt_Delete")->click();
    rows->cellClicked(5, 0);
    button(editor, "bt_Delete")->click();
    QCOMPARE(pConfigure->m_idMaps.size(), 3);
    QVERIFY(!IsSave);

    rows->cellClicked(1, 0);
    QCOMPARE(editor->m_selIdMap, 1);
    button(editor, "bt_Delete")->click();

    QCOMPARE(pConfigure->m_idMaps.size(), 2);
    QCOMPARE(pConfigure->m_idMaps.at(1), last);
    QCOMPARE(editor->m_idMapCount, 2);
    QCOMPARE(editor->m_selIdMap, -1);
    QCOMPARE(rowTexts(rows, 1), QStringList({"2", "Modbus", "Port3", "5-6<->3-4"}));
    QCOMPARE(rowTexts(rows, 0).at(2), QStringLiteral("Port1"));
    QVERIFY(rowTexts(rows, 2).at(0).isEmpty());
    QVERIFY(IsSave);
    delete editor;
}

void TestIdMapPage::refusedSetDoesNotSwallowNextAdd()
{
    installModel(130200, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    fillForm(editor, {"1", "2", "-1"});
    button(editor, "bt_Setup")->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(5024)});

    spy.clear();
    fillForm(editor, {"1", "2", "1"});
    button(editor, "bt_Add")->click();
    QVERIFY(spy.shown().isEmpty());
    QCOMPARE(pConfigure->m_idMaps.size(), 1);
    QCOMPARE(rowTexts(table(editor, "page4_tab"), 0), QStringList({"1", "Modbus", "Port1", "1-2<->2-3"}));
    QVERIFY(!IsSetup);
    delete editor;
}

void TestIdMapPage::modifyMarksOnlyRealChanges_data()
{
    QTest::addColumn<QString>("offset");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QStringList>("row");
    QTest::newRow("same values") << "5" << 1 << false << QStringList{"1", "Modbus", "Port2", "10-20<->15-25"};
    QTest::newRow("other port") << "5" << 0 << true << QStringList{"1", "Modbus", "Port1", "10-20<->15-25"};
    QTest::newRow("other amount") << "6" << 1 << true << QStringList{"1", "Modbus", "Port2", "10-20<->16-26"};
    QTest::newRow("sign turned") << "-5" << 1 << true << QStringList{"1", "Modbus", "Port2", "10-20<->5-15"};
}

void TestIdMapPage::modifyMarksOnlyRealChanges()
{
    QFETCH(QString, offset);
    QFETCH(int, port);
    QFETCH(bool, changed);
    QFETCH(QStringList, row);
    installModel(130200, 0);
    pConfigure->m_idMaps << storedMap("0.0.0.0", "502", 1, 10, 20, 5);
    MessageSpy spy;
    Config *editor = openOn(kPage);

    // Without a selection Modify does nothing.
    fillForm(editor, {"10", "20", offset});
    button(editor, "bt_Modbify")->click();
    QCOMPARE(pConfigure->m_idMaps.first()->m_offset, 5);

    table(editor, "page4_tab")->cellClicked(0, 2);
    selectPort(editor, port);
    button(editor, "bt_Modbify")->click();
    QVERIFY(spy.shown().isEmpty());
    QCOMPARE(rowTexts(table(editor, "page4_tab"), 0), row);
    const CIDMap &map = *pConfigure->m_idMaps.first();
    QCOMPARE(map.m_serialIndex, port);
    QCOMPARE(map.m_negative, offset.startsWith('-'));
    QCOMPARE(map.m_offset, std::abs(offset.toInt()));
    QCOMPARE(IsSave, changed);
    QCOMPARE(pConfigure->m_idMaps.size(), 1);
    delete editor;
}

void TestIdMapPage::reEnteringShowsPortLabels()
{
    installModel(130400, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    fillForm(editor, {"1", "2", "0"});
    selectPort(editor, 2);
    button(editor, "bt_Add")->click();
    QCOMPARE(rowTexts(table(editor, "page4_tab"), 0).at(2), QString::fromUtf8("串口3"));

    auto *tabs = editor->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(4);
    tabs->setCurrentIndex(kPage);
    QCOMPARE(rowTexts(table(editor, "page4_tab"), 0), QStringList({"1", "Modbus", "Port3", "1-2<->1-2"}));
    QCOMPARE(table(editor, "page4_tab")->rowCount(), 40);
    QCOMPARE(pConfigure->m_idMaps.first()->m_serialIndex, 2);
    delete editor;
}

void TestIdMapPage::clickingRowLoadsIt_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("shownIp");
    QTest::addColumn<bool>("defaultPort");
    QTest::addColumn<QString>("portField");
    QTest::addColumn<int>("serialShown");
    QTest::newRow("master target on its own port") << 1 << "10.0.0.7" << "1502" << "10.0.0.7" << false << "1502" << 0;
    QTest::newRow("master target on 502") << 3 << "10.0.0.8" << "502" << "10.0.0.8" << true << "502" << 0;
    QTest::newRow("slave entry selects its port") << 0 << "0.0.0.0" << "502" << "" << true << "502" << 1;
}

void TestIdMapPage::clickingRowLoadsIt()
{
    QFETCH(int, mode);
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, shownIp);
    QFETCH(bool, defaultPort);
    QFETCH(QString, portField);
    QFETCH(int, serialShown);
    installModel(130200, mode);
    pConfigure->m_idMaps << storedMap(ip, port, 1, 30, 40, -20);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    fillForm(editor, {"7", "8", "9"});
    table(editor, "page4_tab")->cellClicked(0, 1);

    QVERIFY(spy.shown().isEmpty());
    QCOMPARE(editor->m_selIdMap, 0);
    QCOMPARE(ipCtrl(editor, "frame_12")->getIP(), shownIp.isEmpty() ? QString() : shownIp);
    QCOMPARE(box(editor, "checkBox")->isChecked(), defaultPort);
    QCOMPARE(edit(editor, "lineEdit_Port4")->text(), portField);
    QCOMPARE(edit(editor, "lineEdit_Port4")->isEnabled(), !defaultPort);
    QCOMPARE(editor->findChild<QComboBox *>(QStringLiteral("m_serial2"))->currentIndex(), serialShown);
    QCOMPARE(editor->m_workMin, 30);
    QCOMPARE(editor->m_workMax, 40);
    QCOMPARE(editor->m_workOffset, -20);
    QCOMPARE(edit(editor, "lineEdit_slave")->text(), QStringLiteral("10-20"));
    // The form's own fields are left as typed.
    QCOMPARE(edit(editor, "lineEdit_min")->text(), QStringLiteral("7"));
    delete editor;
}

void TestIdMapPage::clickedIndexBeyondPortsIsRefused()
{
    installModel(130200, 0);
    // Port 5 on a two-port gateway, as a file of another model may hold it.
    pConfigure->m_idMaps << storedMap("0.0.0.0", "502", 4, 1, 1, 0);
    MessageSpy spy;
    Config *editor = openOn(kPage);
    table(editor, "page4_tab")->cellClicked(0, 0);
    QCOMPARE(spy.texts(), QStringList{QStringLiteral("Index is Error")});
    QCOMPARE(editor->m_selIdMap, -1);
    button(editor, "bt_Delete")->click();
    QCOMPARE(pConfigure->m_idMaps.size(), 1);
    delete editor;
}

QTEST_MAIN(TestIdMapPage)
#include "tst_page_idmap.moc"
