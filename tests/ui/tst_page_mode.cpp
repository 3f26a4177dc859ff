// Pages "Mode" and "Ethernet": the mode change with its question about the ID
// mappings, the name checks and the assign mode, driven through the widgets.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "messages/messagetable.h"
#include "support/editordriver.h"
#include "support/messagespy.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace EditorDriver;

namespace {

const char *const kClearQuestion = "This operation will clear the ID Mapping, whether to continue?";
const char *const kModeButtons[] = {"RD_RTU_Slave", "RD_RTU_Master", "RD_ASCII_Slave", "RD_ASCII_Master"};

QRadioButton *modeButton(Config *editor, int mode)
{
    return editor->findChild<QRadioButton *>(QString::fromLatin1(kModeButtons[mode]));
}

int checkedMode(Config *editor)
{
    for (int mode = 0; mode < 4; ++mode) {
        if (modeButton(editor, mode)->isChecked())
            return mode;
    }
    return -1;
}

void addMappings(int count)
{
    for (int i = 0; i < count; ++i) {
        auto *map = new CIDMap;
        map->m_ip = QStringLiteral("0.0.0.0");
        map->m_port = QStringLiteral("502");
        map->m_idMin = i + 1;
        map->m_idMax = i + 1;
        pConfigure->m_idMaps.append(map);
    }
}

int filledRows(const QTableWidget *table)
{
    int rows = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0))
            ++rows;
    }
    return rows;
}

} // namespace

class TestPageMode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void modeChange_data();
    void modeChange();
    void modeClickWithoutConfigurationDoesNothing();
    void name_data();
    void name();
    void assignMode_data();
    void assignMode();
};

void TestPageMode::init()
{
    IsSave = false;
    installModel(130200);
}

void TestPageMode::cleanup()
{
    installConfigure(nullptr);
    g_commMode = 0;
    IsSave = false;
}

void TestPageMode::modeChange_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<int>("answer"); // the button pressed
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("mappings");

    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    QTest::newRow("RTU slave to ASCII slave, no question") << 0 << 2 << no << false << 2 << 3;
    QTest::newRow("RTU master to ASCII master, no question") << 1 << 3 << no << false << 3 << 3;
    QTest::newRow("RTU slave to RTU master, Yes clears") << 0 << 1 << yes << true << 1 << 0;
    QTest::newRow("RTU slave to RTU master, No keeps") << 0 << 1 << no << true << 0 << 3;
    QTest::newRow("RTU slave to ASCII master, Yes clears") << 0 << 3 << yes << true << 3 << 0;
    QTest::newRow("ASCII slave to RTU master, No keeps") << 2 << 1 << no << true << 2 << 3;
    QTest::newRow("ASCII master to RTU slave, Yes clears") << 3 << 0 << yes << true << 0 << 0;
    QTest::newRow("box dismissed counts as No") << 1 << 2 << int(QMessageBox::NoButton) << true << 1 << 3;
    QTest::newRow("already checked button") << 1 << 1 << no << false << 1 << 3;
}

void TestPageMode::modeChange()
{
    QFETCH(int, from);
    QFETCH(int, clicked);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(int, mode);
    QFETCH(int, mappings);
    g_commMode = from;
    addMappings(3);

    MessageSpy spy;
    auto *editor = new Config;
    QCOMPARE(checkedMode(editor), from);
    // Visit the mapping table so that it shows the three entries.
    tabs(editor)->setCurrentIndex(3);
    auto *table = editor->findChild<QTableWidget *>("page4_tab");
    QCOMPARE(filledRows(table), 3);
    tabs(editor)->setCurrentIndex(0);

    spy.answerNext(QMessageBox::StandardButton(answer));
    modeButton(editor, clicked)->click();

    QCOMPARE(spy.texts(), asked ? QStringList{kClearQuestion} : QStringList{});
    if (asked)
        QCOMPARE(spy.shown().first().kind, Msg::Kind::Question);
    QCOMPARE(g_commMode, mode);
    QCOMPARE(checkedMode(editor), mode);
    QCOMPARE(pConfigure->m_idMaps.size(), mappings);
    QCOMPARE(filledRows(table), mappings);
    QCOMPARE(IsSave, mode == clicked);

    // The mapping page shows the list as it now stands.
    tabs(editor)->setCurrentIndex(3);
    QCOMPARE(editor->m_idMapCount, mappings);
    QCOMPARE(filledRows(table), mappings);
    QCOMPARE(table->rowCount(), 40);
    delete editor;
}

void TestPageMode::modeClickWithoutConfigurationDoesNothing()
{
    installConfigure(nullptr);
    MessageSpy spy;
    auto *editor = new Config;
    modeButton(editor, 1)->click();
    QVERIFY(spy.shown().isEmpty());
    QCOMPARE(g_commMode, 0);
    QVERIFY(!IsSave);
    delete editor;
}

void TestPageMode::name_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("changedAtOnce");
    QTest::addColumn<bool>("changed"); // once the page is left

    const QString twenty(20, QLatin1Char('n'));
    const QStringList tooLong{GetStr(5051)};
    const QStringList blank{GetStr(5052)};
    QTest::newRow("20 characters accepted") << twenty << twenty << QStringList{} << true << true;
    QTest::newRow("21 characters refused and emptied") << twenty + "x" << "" << tooLong << false << true;
    QTest::newRow("21 characters with a blank are too long first") << "a b" + QString(18, 'c') << "" << tooLong << false << true;
    QTest::newRow("blank cuts the name") << "Cabinet 3" << "Cabinet" << blank << true << true;
    QTest::newRow("leading blank leaves no name") << " Cabinet" << "" << blank << true << true;
    QTest::newRow("same name is no change") << "GW" << "GW" << QStringList{} << false << false;
    QTest::newRow("same name before a blank is no change") << "GW 2" << "GW" << blank << false << false;
}

void TestPageMode::name()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QStringList, messages);
    QFETCH(bool, changedAtOnce);
    QFETCH(bool, changed);
    QVERIFY(!GetStr(5051).isEmpty() && !GetStr(5052).isEmpty());

    MessageSpy spy;
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(1);
    auto *field = editor->findChild<QLineEdit *>("lineEdit_Name");
    QCOMPARE(field->text(), QStringLiteral("GW"));

    type(field, typed);
    QCOMPARE(spy.texts(), messages);
    QCOMPARE(field->text(), shown);
    QCOMPARE(IsSave, changedAtOnce);
    QCOMPARE(pConfigure->m_name, QStringLiteral("GW"));

    tabs(editor)->setCurrentIndex(2);
    QCOMPARE(pConfigure->m_name, shown);
    QCOMPARE(IsSave, changed);
    QCOMPARE(spy.texts(), messages);
    delete editor;
}

void TestPageMode::assignMode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<QList<bool>>("editable");
    QTest::addColumn<bool>("changed");

    QTest::newRow("DHCP greys the addresses") << 130200 << 0 << QList<int>{1} << QList<bool>{false} << true;
    QTest::newRow("BOOTP greys them") << 30203 << 0 << QList<int>{2} << QList<bool>{false} << true;
    QTest::newRow("DHCP and back to manual") << 130200 << 0 << QList<int>{1, 0} << QList<bool>{false, true} << false;
    QTest::newRow("manual after DHCP enables them") << 130200 << 1 << QList<int>{0} << QList<bool>{true} << true;
    QTest::newRow("DHCP chosen again is no change") << 130200 << 1 << QList<int>{1} << QList<bool>{false} << false;
}

void TestPageMode::assignMode()
{
    QFETCH(int, code);
    QFETCH(int, stored);
    QFETCH(QList<int>, choices);
    QFETCH(QList<bool>, editable);
    QFETCH(bool, changed);
    installModel(code);
    pConfigure->m_ipMode = stored;

    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(1);
    auto *assign = editor->findChild<QComboBox *>("comboBox_EtherNet");
    const auto checkLook = [editor](bool addresses) {
        for (int i = 0; i < 5; ++i) {
            const bool expected = addresses && i < 3;
            QCOMPARE(editor->ethernetCtrl(i)->findChild<QLineEdit *>()->isEnabled(), expected);
            QCOMPARE(editor->ethernetFrame(i)->styleSheet().contains(QLatin1String("255,255,255")), expected);
        }
    };
    checkLook(stored == 0);

    bool changedOnTheWay = false;
    for (int i = 0; i < choices.size(); ++i) {
        choose(assign, choices.at(i));
        checkLook(editable.at(i));
        changedOnTheWay = changedOnTheWay || choices.at(i) != stored;
        QCOMPARE(IsSave, changedOnTheWay);
        // The configuration takes the mode only when the page is left.
        QCOMPARE(pConfigure->m_ipMode, stored);
    }
    IsSave = false;
    tabs(editor)->setCurrentIndex(0);
    QCOMPARE(pConfigure->m_ipMode, choices.last());
    QCOMPARE(IsSave, changed);
    // The shown addresses go back unchanged, greyed or not.
    QCOMPARE(pConfigure->m_ip, QStringLiteral("192.168.0.10"));
    QCOMPARE(pConfigure->m_dns1, QStringLiteral("0.0.0.0"));
    delete editor;
}

QTEST_MAIN(TestPageMode)
#include "tst_page_mode.moc"
