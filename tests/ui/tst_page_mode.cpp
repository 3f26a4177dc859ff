// Pages "Mode" and "Ethernet" driven through the widgets.
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
const char *const kQuestion = "This operation will clear the ID Mapping, whether to continue?";

QRadioButton *modeButton(Config *editor, int mode)
{
    const char *const names[] = {"RD_RTU_Slave", "RD_RTU_Master", "RD_ASCII_Slave", "RD_ASCII_Master"};
    return editor->findChild<QRadioButton *>(QString::fromLatin1(names[mode]));
}
} // namespace

class TestPageMode : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void modeChange_data();
    void modeChange();
    void modeClickWithoutConfigurationDoesNothing();
    void ethernetPage_data();
    void ethernetPage();
};

void TestPageMode::init()
{
    IsSave = false;
    installModel(130200);
}

void TestPageMode::modeChange_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<int>("answer"); // to the question; -1: none is asked
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("mappings");
    QTest::newRow("RTU slave to ASCII slave, no question") << 0 << 2 << -1 << 2 << 3;
    QTest::newRow("RTU master to ASCII master, no question") << 1 << 3 << -1 << 3 << 3;
    QTest::newRow("RTU slave to RTU master, Yes clears") << 0 << 1 << int(QMessageBox::Yes) << 1 << 0;
    QTest::newRow("ASCII slave to RTU master, No keeps") << 2 << 1 << int(QMessageBox::No) << 2 << 3;
    QTest::newRow("master to slave, box dismissed counts as No") << 1 << 2 << int(QMessageBox::NoButton) << 1 << 3;
    QTest::newRow("already checked button") << 1 << 1 << -1 << 1 << 3;
}

void TestPageMode::modeChange()
{
    QFETCH(int, from);
    QFETCH(int, clicked);
    QFETCH(int, answer);
    QFETCH(int, mode);
    QFETCH(int, mappings);
    g_commMode = from;
    pConfigure->m_idMaps << new CIDMap << new CIDMap << new CIDMap;
    MessageSpy spy;
    Config editor;
    tabs(&editor)->setCurrentIndex(3); // the mapping table shows the three entries
    auto *table = editor.findChild<QTableWidget *>("page4_tab");
    QVERIFY(table->item(2, 0) && !table->item(3, 0));
    tabs(&editor)->setCurrentIndex(0);
    spy.answerNext(QMessageBox::StandardButton(qMax(answer, 0)));
    modeButton(&editor, clicked)->click();
    QCOMPARE(spy.texts(), answer < 0 ? QStringList{} : QStringList{kQuestion});
    if (answer >= 0)
        QCOMPARE(spy.shown().first().kind, Msg::Kind::Question);
    QCOMPARE(g_commMode, mode);
    QVERIFY(modeButton(&editor, mode)->isChecked()); // the buttons are exclusive
    QCOMPARE(pConfigure->m_idMaps.size(), mappings);
    QCOMPARE(IsSave, mode == clicked);
    tabs(&editor)->setCurrentIndex(3); // shown as the list now stands
    QCOMPARE(table->item(0, 0) != nullptr, mappings > 0);
}

void TestPageMode::modeClickWithoutConfigurationDoesNothing()
{
    installConfigure(nullptr);
    MessageSpy spy;
    Config editor;
    modeButton(&editor, 1)->click();
    QVERIFY(spy.shown().isEmpty() && g_commMode == 0 && !IsSave);
}

void TestPageMode::ethernetPage_data()
{
    QTest::addColumn<int>("stored"); // assign mode
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("typed"); // the stored name is "GW"
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("changedAtOnce");
    QTest::addColumn<bool>("changed"); // once the page is left
    const QString twenty(20, QLatin1Char('n'));
    const QStringList tooLong{GetStr(5051)}, blank{GetStr(5052)}, none;
    QTest::newRow("20 characters accepted") << 0 << 0 << twenty << twenty << none << true << true;
    QTest::newRow("21 refused and emptied") << 0 << 0 << twenty + "x" << "" << tooLong << false << true;
    QTest::newRow("21 with a blank: too long") << 0 << 0 << "a b" + QString(18, 'c') << "" << tooLong << false << true;
    QTest::newRow("blank cuts the name") << 0 << 0 << "Cabinet 3" << "Cabinet" << blank << true << true;
    QTest::newRow("same name before a blank") << 0 << 0 << "GW 2" << "GW" << blank << false << false;
    QTest::newRow("DHCP greys the addresses") << 0 << 1 << "GW" << "GW" << none << true << true;
    QTest::newRow("BOOTP greys them") << 0 << 2 << "GW" << "GW" << none << true << true;
    QTest::newRow("manual after DHCP enables them") << 1 << 0 << "GW" << "GW" << none << true << true;
    QTest::newRow("same name and mode are no change") << 1 << 1 << "GW" << "GW" << none << false << false;
}

void TestPageMode::ethernetPage()
{
    QFETCH(int, stored);
    QFETCH(int, choice);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QStringList, messages);
    QFETCH(bool, changedAtOnce);
    QFETCH(bool, changed);
    installModel(30203); // offers BOOTP too
    pConfigure->m_ipMode = stored;
    MessageSpy spy;
    Config editor;
    tabs(&editor)->setCurrentIndex(1);
    auto *assign = editor.findChild<QComboBox *>("comboBox_EtherNet");
    QCOMPARE(assign->currentIndex(), stored);
    const auto checkOnlyManualEditsAddresses = [&editor](int mode) { // DNS stays greyed
        for (int i = 0; i < 5; ++i)
            QCOMPARE(editor.ethernetCtrl(i)->findChild<QLineEdit *>()->isEnabled(), mode == 0 && i < 3);
    };
    checkOnlyManualEditsAddresses(stored);
    auto *name = editor.findChild<QLineEdit *>("lineEdit_Name");
    type(name, typed);
    choose(assign, choice);
    checkOnlyManualEditsAddresses(choice);
    QCOMPARE(spy.texts(), messages);
    QCOMPARE(name->text(), shown);
    QCOMPARE(IsSave, changedAtOnce);
    // Both are taken when the page is left, the addresses as shown, greyed or not.
    QCOMPARE(pConfigure->m_name, QStringLiteral("GW"));
    QCOMPARE(pConfigure->m_ipMode, stored);
    tabs(&editor)->setCurrentIndex(2);
    QCOMPARE(pConfigure->m_name, shown);
    QCOMPARE(pConfigure->m_ipMode, choice);
    QCOMPARE(IsSave, changed);
    QCOMPARE(pConfigure->m_ip, QStringLiteral("192.168.0.10"));
}

QTEST_MAIN(TestPageMode)
#include "tst_page_mode.moc"
