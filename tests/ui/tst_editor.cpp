// The configuration editor window: lists per model, fields' accepted input,
// page flow with its hints and leave hooks, OK, closing and Help.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "editor/mydialog2.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

void installModel(int code, int commMode = 0)
{
    auto *configure = new CConfigure;
    configure->m_modelCode = code;
    configure->m_ip = QStringLiteral("192.168.0.10");
    configure->m_mask = QStringLiteral("255.255.255.0");
    configure->m_gateway = QStringLiteral("192.168.0.1");
    configure->m_dns1 = QStringLiteral("0.0.0.0");
    configure->m_dns2 = QStringLiteral("0.0.0.0");
    configure->m_name = QStringLiteral("GW");
    configure->m_advance.m_highPort = QStringLiteral("502");
    installConfigure(configure);
    g_commMode = commMode;
}

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QList<Dialog_Load *> openChoiceDialogs()
{
    QList<Dialog_Load *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *load = qobject_cast<Dialog_Load *>(widget); load && load->isVisible())
            found << load;
    }
    return found;
}

// Closes and deletes whatever the test left open, so the next test starts clean.
void closeLeftovers()
{
    for (Dialog_Load *load : openChoiceDialogs())
        load->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Answers the close prompt when it runs modally: presses `button` and counts
// the prompts seen. Gives up (rejecting whatever modal dialog is open) after a
// bounded number of looks, and stops looking when it goes out of scope.
class PromptAnswerer
{
public:
    explicit PromptAnswerer(const char *button)
        : m_button(QString::fromLatin1(button))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start();
    }

    int seen() const { return m_seen; }

private:
    void look()
    {
        if (auto *prompt = qobject_cast<Dialog_Save *>(QApplication::activeModalWidget())) {
            ++m_seen;
            prompt->findChild<QPushButton *>(m_button)->click();
        } else if (++m_tries > 150) {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                modal->reject();
            m_timer.stop();
        }
    }

    QString m_button;
    QTimer m_timer;
    int m_seen = 0;
    int m_tries = 0;
};

// Closes an editor whatever its state, never leaving a prompt open.
void closeEditor(Config *editor)
{
    PromptAnswerer answer("bt_no");
    editor->close();
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void cleanupTestCase();

    void portSelectorsFollowTheModel_data();
    void portSelectorsFollowTheModel();
    void parityAndAssignModeFollowTheModel_data();
    void parityAndAssignModeFollowTheModel();
    void fieldsAcceptOnlyTheirRange_data();
    void fieldsAcceptOnlyTheirRange();
    void windowOpensOnModePageWithoutHint();
    void pagesCarryTheirTitles();
    void prioritySwitchesOnlyOnModelsThatHaveThem_data();
    void prioritySwitchesOnlyOnModelsThatHaveThem();
    void hintShownOnFirstEntryOnly_data();
    void hintShownOnFirstEntryOnly();
    void newEditorShowsHintAgain();
    void leavingEthernetStoresItBeforeSerialIsFilled();
    void ethernetLookFollowsAssignMode_data();
    void ethernetLookFollowsAssignMode();
    void allTwelveRangeControlsReportOrderErrors();
    void idMappingRowsShowStoredEntries_data();
    void idMappingRowsShowStoredEntries();
    void advancedPasswordsStoredOnLeave_data();
    void advancedPasswordsStoredOnLeave();
    void advancedRangesStoredOnLeave();
    void buttonsSwitchWithTheSharedLooks();
    void okInMasterModeWithoutMappingStops_data();
    void okInMasterModeWithoutMappingStops();
    void okStoresCurrentPageAndOpensChooser();
    void cancelledChoiceKeepsClosePrompt();
    void savedChoiceClearsChangesAndAsksOpenerToSave();
    void okClosesPasswordChannel();
    void closeWithChangesPromptsOnce();
    void promptYesAsksToSave();
    void cancelClosesWithoutPromptWhenUnchanged();
    void helpPointsAtManualNextToProgram();

private:
    Config *m_fieldsEditor = nullptr;
};

void TestEditor::cleanupTestCase()
{
    delete m_fieldsEditor;
}

void TestEditor::init()
{
    IsSave = false;
    IsTrue = false;
    m_clickList1Item2 = -1;
    IDS = QStringLiteral("Gateway 192.168.0.10");
    installModel(130200);
}

void TestEditor::cleanup()
{
    closeLeftovers();
    installConfigure(nullptr);
    IsSave = false;
}

void TestEditor::portSelectorsFollowTheModel_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("ports");
    QTest::newRow("130200 has two ports") << 130200 << 2;
    QTest::newRow("code 0 lists sixteen ports") << 0 << 16;
    QTest::newRow("130100 has one port") << 130100 << 1;
    QTest::newRow("30203 has two ports") << 30203 << 2;
    QTest::newRow("130800 has eight ports") << 130800 << 8;
    QTest::newRow("131600 has sixteen ports") << 131600 << 16;
}

void TestEditor::portSelectorsFollowTheModel()
{
    QFETCH(int, code);
    QFETCH(int, ports);
    installModel(code);
    QStringList expected;
    for (int i = 1; i <= ports; ++i)
        expected << QStringLiteral("Port%1").arg(i);

    auto *editor = new Config;
    for (const char *name : {"comboBox_Select1", "m_serial2", "combox_SelectPort"}) {
        auto *box = editor->findChild<QComboBox *>(QString::fromLatin1(name));
        QVERIFY2(box, name);
        QCOMPARE(itemsOf(box), expected);
        QCOMPARE(box->currentIndex(), 0);
    }
    delete editor;
}

void TestEditor::parityAndAssignModeFollowTheModel_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("parity");
    QTest::addColumn<QStringList>("assign");
    const QStringList three{"None", "Odd", "Even"};
    const QStringList five{"None", "Odd", "Even", "Mark", "Space"};
    const QStringList noBootp{"Manually Assign", "DHCP"};
    const QStringList withBootp{"Manually Assign", "DHCP", "BOOTP"};
    QTest::newRow("130800: three parities, no BOOTP") << 130800 << three << noBootp;
    QTest::newRow("30103: five parities and BOOTP") << 30103 << five << withBootp;
    QTest::newRow("30203: five parities and BOOTP") << 30203 << five << withBootp;
    QTest::newRow("code 0: three parities, no BOOTP") << 0 << three << noBootp;
}

void TestEditor::parityAndAssignModeFollowTheModel()
{
    QFETCH(int, code);
    QFETCH(QStringList, parity);
    QFETCH(QStringList, assign);
    installModel(code);
    auto *editor = new Config;
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("m_parityCheck1")), parity);
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("comboBox_EtherNet")), assign);
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("m_baudRate1")),
             QStringList({"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"}));
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("m_stopBit1")), QStringList({"1", "2"}));
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("m_dataBit1")), QStringList({"8"}));
    delete editor;
}

void TestEditor::fieldsAcceptOnlyTheirRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("port top 65535") << "lineEdit_Port4" << "65535" << true;
    QTest::newRow("port 65536 refused") << "lineEdit_Port4" << "65536" << false;
    QTest::newRow("port 0") << "lineEdit_Port7" << "0" << true;
    QTest::newRow("port leading zero") << "lineEdit_Port7" << "0502" << false;
    QTest::newRow("char interval 0 refused") << "lineEdit_chartimeout" << "0" << false;
    QTest::newRow("char interval 30000") << "lineEdit_chartimeout" << "30000" << true;
    QTest::newRow("char interval 30001 refused") << "lineEdit_chartimeout" << "30001" << false;
    QTest::newRow("response timeout 100 accepted by the field") << "lineEdit_resptimeout" << "100" << true;
    QTest::newRow("response timeout 60001 refused") << "lineEdit_resptimeout" << "60001" << false;
    QTest::newRow("delay 0") << "lineEdit_delaypolls" << "0" << true;
    QTest::newRow("delay 60000") << "lineEdit_delaypolls" << "60000" << true;
    QTest::newRow("delay 60001 refused") << "lineEdit_delaypolls" << "60001" << false;
    QTest::newRow("slave id 247") << "lineEdit_min" << "247" << true;
    QTest::newRow("slave id 248 refused") << "lineEdit_max" << "248" << false;
    QTest::newRow("slave id 0") << "lineEdit_max" << "0" << true;
    QTest::newRow("offset -247") << "lineEdit_offset" << "-247" << true;
    QTest::newRow("offset +5") << "lineEdit_offset" << "+5" << true;
    QTest::newRow("offset 0") << "lineEdit_offset" << "0" << true;
    QTest::newRow("offset -0 refused") << "lineEdit_offset" << "-0" << false;
    QTest::newRow("offset 248 refused") << "lineEdit_offset" << "248" << false;
    QTest::newRow("alive time 0 refused") << "lineEdit_TcpAlive" << "0" << false;
    QTest::newRow("alive time 65535") << "lineEdit_TcpAlive" << "65535" << true;
    QTest::newRow("password letters and digits") << "lineEdit_PassWord" << "Ab12" << true;
    QTest::newRow("password with a blank refused") << "lineEdit_SureWord" << "Ab 12" << false;
    QTest::newRow("password with a symbol refused") << "lineEdit_PassWord" << "ab!" << false;
}

void TestEditor::fieldsAcceptOnlyTheirRange()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    // The fields do not depend on the model: one editor serves every row.
    if (!m_fieldsEditor)
        m_fieldsEditor = new Config;
    auto *edit = m_fieldsEditor->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    QVERIFY(edit->validator());
    int pos = 0;
    QString input = text;
    QCOMPARE(edit->validator()->validate(input, pos) == QValidator::Acceptable, acceptable);
}

void TestEditor::windowOpensOnModePageWithoutHint()
{
    MessageSpy spy;
    auto *editor = new Config;
    QCOMPARE(editor->currentPage(), 0);
    QCOMPARE(editor->findChild<QTabWidget *>("tabWidget")->currentIndex(), 0);
    QVERIFY(editor->findChildren<MyDialog2 *>().isEmpty());
    QCOMPARE(spy.shown().size(), 0);
    QCOMPARE(editor->windowTitle(), IDS);
    QCOMPARE(editor->windowModality(), Qt::ApplicationModal);
    QCOMPARE(editor->size(), QSize(918, 523));
    QVERIFY(editor->findChild<QRadioButton *>("RD_RTU_Slave")->isChecked());
    QVERIFY(!editor->findChild<QLineEdit *>("lineEdit_Port4")->isEnabled());
    QVERIFY(!editor->findChild<QLineEdit *>("lineEdit_Port7")->isEnabled());
    const QLabel *picture = editor->findChild<QLabel *>("label");
    QVERIFY(!picture->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(picture->pixmap(Qt::ReturnByValue).size(), picture->size());
    delete editor;
}

void TestEditor::pagesCarryTheirTitles()
{
    auto *editor = new Config;
    auto *tabs = editor->findChild<QTabWidget *>("tabWidget");
    const QStringList titles{"Mode", "Ethernet", "Serial", "#ID Mapping", "#Modbus", "#Priority Control", "#Advanced"};
    QCOMPARE(tabs->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(tabs->tabText(i), titles.at(i));
        QCOMPARE(tabs->widget(i)->objectName(), i == 0 ? QStringLiteral("tab") : QStringLiteral("tab_%1").arg(i + 1));
    }
    delete editor;
}

void TestEditor::prioritySwitchesOnlyOnModelsThatHaveThem_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("usable");
    QTest::newRow("30103 has them") << 30103 << true;
    QTest::newRow("30203 has them") << 30203 << true;
    QTest::newRow("130200 has none") << 130200 << false;
    QTest::newRow("code 0 has none") << 0 << false;
}

void TestEditor::prioritySwitchesOnlyOnModelsThatHaveThem()
{
    QFETCH(int, code);
    QFETCH(bool, usable);
    installModel(code);
    auto *editor = new Config;
    QCOMPARE(editor->findChild<QCheckBox *>("checkBox_2")->isEnabled(), usable);
    QCOMPARE(editor->findChild<QCheckBox *>("checkBox_3")->isEnabled(), usable);
    for (const char *name : {"bt_MasterAdd", "bt_MasterModify", "bt_MasterDelete", "bt_RequestAdd",
                             "bt_RequestModify", "bt_RequestDelete"})
        QVERIFY2(!editor->findChild<QPushButton *>(QString::fromLatin1(name))->isEnabled(), name);
    delete editor;
}

void TestEditor::hintShownOnFirstEntryOnly_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<unsigned int>("hintId");
    QTest::newRow("ID mapping hint") << 3 << 4310u;
    QTest::newRow("timing hint") << 4 << 4309u;
    QTest::newRow("priority hint") << 5 << 4309u;
    QTest::newRow("advanced hint") << 6 << 4309u;
}

void TestEditor::hintShownOnFirstEntryOnly()
{
    QFETCH(int, page);
    QFETCH(unsigned int, hintId);
    auto *editor = new Config;
    auto *tabs = editor->findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentIndex(page);
    QCOMPARE(editor->currentPage(), page);
    QList<MyDialog2 *> notices = editor->findChildren<MyDialog2 *>();
    QCOMPARE(notices.size(), 1);
    QVERIFY(!GetStr(hintId).isEmpty());
    QCOMPARE(notices.first()->text(), GetStr(hintId));

    tabs->setCurrentIndex(2);
    tabs->setCurrentIndex(page);
    QCOMPARE(editor->findChildren<MyDialog2 *>().size(), 1);
    delete editor;
}

void TestEditor::newEditorShowsHintAgain()
{
    auto *first = new Config;
    first->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(3);
    QCOMPARE(first->findChildren<MyDialog2 *>().size(), 1);
    delete first;

    auto *second = new Config;
    QVERIFY(second->findChildren<MyDialog2 *>().isEmpty());
    second->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(3);
    QCOMPARE(second->findChildren<MyDialog2 *>().size(), 1);
    delete second;
}

void TestEditor::leavingEthernetStoresItBeforeSerialIsFilled()
{
    pConfigure->m_serial[0].m_baudRate = 4;
    auto *editor = new Config;
    auto *tabs = editor->findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentIndex(1);
    auto *ip = editor->findChild<MyIPCtrl *>("ipCtrl_IP");
    QCOMPARE(ip->getIP(), QStringLiteral("192.168.0.10"));
    ip->setIP(QStringLiteral("10.1.2.3"));
    editor->findChild<QComboBox *>("comboBox_EtherNet")->setCurrentIndex(0);
    editor->findChild<QLineEdit *>("lineEdit_Name")->setText(QStringLiteral("Cabinet3"));
    QVERIFY(!IsSave);

    tabs->setCurrentIndex(2);
    QCOMPARE(pConfigure->m_ip, QStringLiteral("10.1.2.3"));
    QCOMPARE(pConfigure->m_name, QStringLiteral("Cabinet3"));
    QVERIFY(IsSave);
    QCOMPARE(editor->currentPage(), 2);
    QCOMPARE(editor->findChild<QComboBox *>("m_baudRate1")->currentText(), QStringLiteral("19200"));
    delete editor;
}

void TestEditor::ethernetLookFollowsAssignMode_data()
{
    QTest::addColumn<int>("ipMode");
    QTest::addColumn<bool>("editable");
    QTest::newRow("manual assignment edits the addresses") << 0 << true;
    QTest::newRow("DHCP greys them") << 1 << false;
}

void TestEditor::ethernetLookFollowsAssignMode()
{
    QFETCH(int, ipMode);
    QFETCH(bool, editable);
    pConfigure->m_ipMode = ipMode;
    auto *editor = new Config;
    editor->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    QCOMPARE(editor->findChild<QComboBox *>("comboBox_EtherNet")->currentIndex(), ipMode);
    for (int i = 0; i < 5; ++i) {
        const bool expected = editable && i < 3;
        const QLineEdit *field = editor->ethernetCtrl(i)->findChild<QLineEdit *>();
        QCOMPARE(field->isEnabled(), expected);
        QCOMPARE(editor->ethernetFrame(i)->styleSheet().contains("255,255,255"), expected);
    }
    delete editor;
}

void TestEditor::allTwelveRangeControlsReportOrderErrors()
{
    MessageSpy spy;
    auto *editor = new Config;
    for (int i = 0; i < Config::RangeCount; ++i) {
        emit editor->rangeStartCtrl(i)->showErrorMessage();
        emit editor->rangeEndCtrl(i)->showErrorMessage();
    }
    QCOMPARE(spy.shown().size(), 2 * Config::RangeCount);
    QVERIFY(!GetStr(5023).isEmpty());
    for (const QString &text : spy.texts())
        QCOMPARE(text, GetStr(5023));
    QCOMPARE(spy.shown().first().title, QStringLiteral("ZUV-DL-CFG"));
    delete editor;
}

void TestEditor::idMappingRowsShowStoredEntries_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("serialIndex");
    QTest::addColumn<int>("idMin");
    QTest::addColumn<int>("idMax");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("row");
    QTest::newRow("serial entry with a negative offset")
        << "0.0.0.0" << 2 << 10 << 20 << true << 5 << QStringList{"1", "Modbus", "Port3", "10-20<->5-15"};
    QTest::newRow("target server entry")
        << "10.0.0.5" << 0 << 1 << 2 << false << 0 << QStringList{"1", "Modbus TCP", "10.0.0.5:503", "1-2<->1-2"};
    QTest::newRow("actual range below 1 shows all ones")
        << "0.0.0.0" << 0 << 1 << 10 << true << 1 << QStringList{"1", "Modbus", "Port1", "1-1<->1-1"};
    QTest::newRow("actual range above 247 shows all ones")
        << "0.0.0.0" << 1 << 240 << 247 << false << 1 << QStringList{"1", "Modbus", "Port2", "1-1<->1-1"};
}

void TestEditor::idMappingRowsShowStoredEntries()
{
    QFETCH(QString, ip);
    QFETCH(int, serialIndex);
    QFETCH(int, idMin);
    QFETCH(int, idMax);
    QFETCH(bool, negative);
    QFETCH(int, offset);
    QFETCH(QStringList, row);
    auto *map = new CIDMap;
    map->m_ip = ip;
    map->m_port = QStringLiteral("503");
    map->m_serialIndex = serialIndex;
    map->m_idMin = idMin;
    map->m_idMax = idMax;
    map->m_negative = negative;
    map->m_offset = offset;
    pConfigure->m_idMaps.append(map);

    auto *editor = new Config;
    editor->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(3);
    auto *table = editor->findChild<QTableWidget *>("page4_tab");
    QCOMPARE(table->rowCount(), 40);
    QStringList shown;
    for (int column = 0; column < 4; ++column) {
        QTableWidgetItem *item = table->item(0, column);
        QVERIFY(item);
        QCOMPARE(item->textAlignment(), int(Qt::AlignHCenter | Qt::AlignVCenter));
        shown << item->text();
    }
    QCOMPARE(shown, row);
    QVERIFY(!table->item(1, 0));
    QCOMPARE(editor->m_idMapCount, 1);
    delete editor;
}

void TestEditor::advancedPasswordsStoredOnLeave_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("retyped");
    QTest::addColumn<QString>("stored");
    QTest::newRow("equal passwords are stored") << "abc123" << "abc123" << "abc123";
    QTest::newRow("different passwords store none") << "abc123" << "abc124" << "";
    QTest::newRow("empty retype stores none") << "abc123" << "" << "";
}

void TestEditor::advancedPasswordsStoredOnLeave()
{
    QFETCH(QString, typed);
    QFETCH(QString, retyped);
    QFETCH(QString, stored);
    pConfigure->m_advance.m_password = QStringLiteral("old");
    auto *editor = new Config;
    auto *tabs = editor->findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentIndex(6);
    QCOMPARE(editor->findChild<QLineEdit *>("lineEdit_PassWord")->text(), QStringLiteral("old"));
    editor->findChild<QLineEdit *>("lineEdit_PassWord")->setText(typed);
    editor->findChild<QLineEdit *>("lineEdit_SureWord")->setText(retyped);
    tabs->setCurrentIndex(5);
    QCOMPARE(pConfigure->m_advance.m_password, stored);
    delete editor;
}

void TestEditor::advancedRangesStoredOnLeave()
{
    CAdvance &advance = pConfigure->m_advance;
    advance.m_limitOn[0] = true;
    advance.m_limitLow[0] = QStringLiteral("10.0.0.1");
    advance.m_limitHigh[0] = QStringLiteral("10.0.0.9");
    advance.m_limitLow[2] = QStringLiteral("0.0.0.0");
    advance.m_limitHigh[2] = QStringLiteral("0.0.0.0");
    auto *editor = new Config;
    auto *tabs = editor->findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentIndex(6);
    QVERIFY(editor->findChild<QCheckBox *>("checkBox_8")->isChecked());
    QCOMPARE(editor->rangeEndCtrl(0)->getIP(), QStringLiteral("10.0.0.9"));

    // Leaving without touching anything changes nothing, unused ranges included.
    tabs->setCurrentIndex(5);
    QVERIFY(!IsSave);
    QVERIFY(advance.m_limitOn[0]);
    QCOMPARE(advance.m_limitHigh[0], QStringLiteral("10.0.0.9"));

    // A switched-on range with an incomplete end is stored as off, the end empty.
    tabs->setCurrentIndex(6);
    editor->m_rangeOn[1] = true;
    editor->rangeStartCtrl(1)->setIP(QStringLiteral("10.0.1.1"));
    tabs->setCurrentIndex(5);
    QVERIFY(!advance.m_limitOn[1]);
    QCOMPARE(advance.m_limitLow[1], QStringLiteral("10.0.1.1"));
    QVERIFY(advance.m_limitHigh[1].isEmpty());
    QVERIFY(IsSave);
    delete editor;
}

void TestEditor::buttonsSwitchWithTheSharedLooks()
{
    auto *editor = new Config;
    auto *add = editor->findChild<QPushButton *>("bt_MasterAdd");
    QCOMPARE(add->styleSheet(), QStringLiteral("background-color : rgb(127,127,127)"));
    editor->setBtStatus(add, true);
    QVERIFY(add->isEnabled());
    QVERIFY(add->styleSheet().startsWith(QStringLiteral("QPushButton{background-color : #0F7DBE;}")));
    editor->setBtStatus(add, false);
    QVERIFY(!add->isEnabled());
    QCOMPARE(add->styleSheet(), QStringLiteral("background-color : rgb(127,127,127)"));
    delete editor;
}

void TestEditor::okInMasterModeWithoutMappingStops_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("RTU master") << 1;
    QTest::newRow("ASCII master") << 3;
}

void TestEditor::okInMasterModeWithoutMappingStops()
{
    QFETCH(int, mode);
    g_commMode = mode;
    IsSave = true;
    MessageSpy spy;
    QPointer<Config> editor = new Config;
    editor->show();
    editor->findChild<QPushButton *>("bt_ok")->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(4312)});
    QVERIFY(openChoiceDialogs().isEmpty());
    QVERIFY(editor && editor->isVisible());
    QVERIFY(IsSave);

    // One mapping is enough.
    pConfigure->m_idMaps.append(new CIDMap);
    editor->findChild<QPushButton *>("bt_ok")->click();
    QCOMPARE(openChoiceDialogs().size(), 1);
    closeEditor(editor);
}

void TestEditor::okStoresCurrentPageAndOpensChooser()
{
    MessageSpy spy;
    QPointer<Config> editor = new Config;
    editor->show();
    editor->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(4);
    editor->findChild<QLineEdit *>("lineEdit_resptimeout")->setText(QStringLiteral("1200"));
    editor->findChild<QPushButton *>("bt_ok")->click();
    QCOMPARE(pConfigure->m_serial[0].m_respTimeout, 1200);
    const QList<Dialog_Load *> open = openChoiceDialogs();
    QCOMPARE(open.size(), 1);
    QVERIFY(open.first()->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(spy.shown().isEmpty());
    closeEditor(editor);
}

void TestEditor::cancelledChoiceKeepsClosePrompt()
{
    IsSave = true;
    QPointer<Config> editor = new Config;
    editor->show();
    editor->findChild<QPushButton *>("bt_ok")->click();
    QList<Dialog_Load *> open = openChoiceDialogs();
    QCOMPARE(open.size(), 1);
    open.first()->findChild<QPushButton *>("bt_cancel")->click();
    QVERIFY(openChoiceDialogs().isEmpty());
    QVERIFY(IsSave);

    PromptAnswerer answer("bt_no");
    editor->close();
    QCOMPARE(answer.seen(), 1);
    QVERIFY(!IsSave);
}

void TestEditor::savedChoiceClearsChangesAndAsksOpenerToSave()
{
    IsSave = true;
    QPointer<Config> editor = new Config;
    QSignalSpy save(editor.data(), &Config::signal_save);
    editor->show();
    editor->findChild<QPushButton *>("bt_ok")->click();
    QList<Dialog_Load *> open = openChoiceDialogs();
    QCOMPARE(open.size(), 1);
    open.first()->findChild<QPushButton *>("bt_ok")->click();
    QCOMPARE(save.count(), 1);
    QVERIFY(!IsSave);
    QVERIFY(openChoiceDialogs().isEmpty());
    closeEditor(editor);
}

void TestEditor::okClosesPasswordChannel()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    g_Server().connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), server.serverPort());
    QVERIFY(g_Server().waitForConnected(2000));
    IsTrue = true;

    QPointer<Config> editor = new Config;
    editor->show();
    editor->findChild<QPushButton *>("bt_ok")->click();
    QCOMPARE(g_Server().state(), QAbstractSocket::UnconnectedState);
    closeEditor(editor);
}

void TestEditor::closeWithChangesPromptsOnce()
{
    IsSave = true;
    QPointer<Config> editor = new Config;
    QSignalSpy save(editor->saveDialog(), &Dialog_Save::signal_download);
    editor->show();
    PromptAnswerer answer("bt_no");
    editor->close();
    QCOMPARE(answer.seen(), 1);
    QCOMPARE(save.count(), 0);
    QVERIFY(!IsSave);
    QVERIFY(!editor->isVisible());

    // Closing again finds nothing unsaved and asks nothing.
    PromptAnswerer again("bt_no");
    editor->show();
    editor->close();
    QTest::qWait(100);
    QCOMPARE(again.seen(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(editor.isNull());
}

void TestEditor::promptYesAsksToSave()
{
    IsSave = true;
    QPointer<Config> editor = new Config;
    QSignalSpy save(editor->saveDialog(), &Dialog_Save::signal_download);
    editor->show();
    editor->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    editor->findChild<QLineEdit *>("lineEdit_Name")->setText(QStringLiteral("Edited"));
    PromptAnswerer answer("bt_yes");
    editor->close();
    QCOMPARE(answer.seen(), 1);
    QCOMPARE(save.count(), 1);
    // The page being left was stored before the prompt asked to save it.
    QCOMPARE(pConfigure->m_name, QStringLiteral("Edited"));
}

void TestEditor::cancelClosesWithoutPromptWhenUnchanged()
{
    QPointer<Config> editor = new Config;
    editor->show();
    PromptAnswerer answer("bt_no");
    editor->findChild<QPushButton *>("bt_cancel")->click();
    QTest::qWait(100);
    QCOMPARE(answer.seen(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(editor.isNull());
}

void TestEditor::helpPointsAtManualNextToProgram()
{
    const QUrl url = Config::helpUrl();
    QVERIFY(url.isLocalFile());
    QCOMPARE(url.toLocalFile(), QCoreApplication::applicationDirPath() + QStringLiteral("/ZUV-DL-CFG.pdf"));
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
