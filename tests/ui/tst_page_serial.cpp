// Pages "Serial" and "#Modbus" and the two summaries of the serial ports.
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "support/editordriver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace EditorDriver;

namespace {
constexpr int kSerialPage = 2;
constexpr int kTimingPage = 4;

// The three line settings and the three timing values, in page order.
const char *const kLineLists[] = {"m_baudRate1", "m_parityCheck1", "m_stopBit1"};
const char *const kTimingFields[] = {"lineEdit_chartimeout", "lineEdit_resptimeout", "lineEdit_delaypolls"};

QList<int> lineValues(const CSerialPort &serial)
{
    return {serial.m_baudRate, serial.m_parityCheck, serial.m_stopBit, serial.m_dataBits};
}

QList<int> timingValues(const CSerialPort &serial)
{
    return {serial.m_charInterval, serial.m_respTimeout, serial.m_delayPolls};
}

template<typename Widget = QComboBox>
Widget *child(Config &editor, const char *name)
{
    return editor.findChild<Widget *>(QString::fromLatin1(name));
}

QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return texts;
}
} // namespace

class TestPageSerial : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void listsFollowTheChosenPort();
    void applyToAllLeavesTheChangeMarkAsItWas_data();
    void applyToAllLeavesTheChangeMarkAsItWas();
    void timingFieldCorrectedAndStored_data();
    void timingFieldCorrectedAndStored();
    void summariesListEveryPort_data();
    void summariesListEveryPort();
};

void TestPageSerial::init()
{
    IsSave = false;
    installModel(0);
}

void TestPageSerial::listsFollowTheChosenPort()
{
    pConfigure->m_serial[4] = {7, 1, 1, 8, 10, 300, 0};
    pConfigure->m_serial[15] = {5, 2, 0, 8, 10, 300, 0};
    Config editor;
    tabs(&editor)->setCurrentIndex(kSerialPage);
    const auto shown = [&editor] {
        QStringList texts;
        for (const char *name : kLineLists)
            texts << child(editor, name)->currentText();
        return texts;
    };
    choose(child(editor, "comboBox_Select1"), 4);
    QCOMPARE(shown(), QStringList({"115200", "Odd", "2"}));
    choose(child(editor, "comboBox_Select1"), 15);
    QCOMPARE(shown(), QStringList({"38400", "Even", "1"}));
    QVERIFY(!IsSave);
    // Each choice is stored at once, for the chosen port only; the same again is no change.
    const QList<int> chosen{4, 1, 1};
    for (int which = 0; which < 6; ++which) {
        IsSave = false;
        choose(child(editor, kLineLists[which % 3]), chosen.at(which % 3));
        QCOMPARE(IsSave, which < 3);
    }
    QCOMPARE(lineValues(pConfigure->m_serial[15]), chosen + QList<int>{8});
    QCOMPARE(lineValues(pConfigure->m_serial[4]), QList<int>({7, 1, 1, 8}));
    // Changed behind the page (as a factory restore does): re-entering shows the stored values.
    tabs(&editor)->setCurrentIndex(0);
    pConfigure->m_serial[15].m_baudRate = 0;
    tabs(&editor)->setCurrentIndex(kSerialPage);
    QCOMPARE(shown(), QStringList({"1200", "Odd", "2"}));
    QVERIFY(!IsSave);
}

void TestPageSerial::applyToAllLeavesTheChangeMarkAsItWas_data()
{
    QTest::addColumn<bool>("changedBefore");
    QTest::newRow("nothing changed before") << false;
    QTest::newRow("changed before") << true;
}

void TestPageSerial::applyToAllLeavesTheChangeMarkAsItWas()
{
    QFETCH(bool, changedBefore);
    Config editor;
    tabs(&editor)->setCurrentIndex(kSerialPage);
    // Shown but not chosen: Apply takes the lists as they stand.
    const QList<int> chosen{5, 2, 1};
    for (int which = 0; which < 3; ++which)
        child(editor, kLineLists[which])->setCurrentIndex(chosen.at(which));
    IsSave = changedBefore;
    child<QPushButton>(editor, "pushButton_apply0")->click();
    for (const CSerialPort &serial : pConfigure->m_serial)
        QCOMPARE(lineValues(serial), chosen + QList<int>{8});
    QCOMPARE(IsSave, changedBefore);
    // Timing values are corrected as they are applied: empty is 1, a response timeout below 300 is 300.
    tabs(&editor)->setCurrentIndex(kTimingPage);
    const QStringList typed{"", "100", "250"};
    const QList<int> applied{1, 300, 250};
    for (int which = 0; which < 3; ++which)
        child<QLineEdit>(editor, kTimingFields[which])->setText(typed.at(which));
    IsSave = changedBefore;
    child<QPushButton>(editor, "bt_apply1")->click();
    for (int which = 0; which < 3; ++which)
        QCOMPARE(child<QLineEdit>(editor, kTimingFields[which])->text(), QString::number(applied.at(which)));
    for (const CSerialPort &serial : pConfigure->m_serial)
        QCOMPARE(timingValues(serial), applied);
    QCOMPARE(IsSave, changedBefore);
}

void TestPageSerial::timingFieldCorrectedAndStored_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("left"); // unfinished when the page is left, instead of Return
    QTest::newRow("response timeout 299 becomes 300") << 1 << "299" << "300" << false;
    QTest::newRow("character interval 1 kept") << 0 << "1" << "1" << false;
    QTest::newRow("delay 0 kept") << 2 << "0" << "0" << false;
    QTest::newRow("left on Port9: response timeout 5 becomes 300") << 1 << "5" << "300" << true;
    QTest::newRow("left on Port9: character interval 40") << 0 << "40" << "40" << true;
    QTest::newRow("left on Port9: delay 70") << 2 << "70" << "70" << true;
}

void TestPageSerial::timingFieldCorrectedAndStored()
{
    QFETCH(int, which);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, left);
    const int port = left ? 8 : 1; // Port9 is beyond the two ports of the fixed layout
    pConfigure->m_serial[0] = pConfigure->m_serial[port] = {3, 0, 0, 8, 20, 500, 100};
    Config editor;
    tabs(&editor)->setCurrentIndex(kTimingPage);
    choose(child(editor, "combox_SelectPort"), port);
    QLineEdit *edit = child<QLineEdit>(editor, kTimingFields[which]);
    const int before = timingValues(pConfigure->m_serial[port]).at(which);
    if (left) {
        edit->setText(typed);
        tabs(&editor)->setCurrentIndex(kSerialPage);
        tabs(&editor)->setCurrentIndex(kTimingPage); // showing what was stored for the chosen port
    } else {
        type(edit, typed);
    }
    QCOMPARE(edit->text(), shown);
    QCOMPARE(timingValues(pConfigure->m_serial[port]).at(which), shown.toInt());
    QCOMPARE(timingValues(pConfigure->m_serial[0]).at(which), before);
    QCOMPARE(IsSave, shown.toInt() != before);
}

void TestPageSerial::summariesListEveryPort_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("ports");
    QTest::newRow("two ports") << 130200 << 2;
    QTest::newRow("sixteen ports for code 0") << 0 << 16;
}

void TestPageSerial::summariesListEveryPort()
{
    QFETCH(int, code);
    QFETCH(int, ports);
    installModel(code);
    const QStringList rates{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"};
    const QStringList parities{"None", "Odd", "Even", "Mark", "Space"};
    // Every value once, values outside the lists (shown as the first entries), data bits always 8.
    for (int i = 0; i < CConfigure::SerialCount; ++i)
        pConfigure->m_serial[i] = {i % 10, i % 6, i % 3, 7 + i % 2, 100 + i, 1000 + i, 2000 + i};
    Config editor;
    child<QPushButton>(editor, "pushButton_info0")->click();
    child<QPushButton>(editor, "pushButton_info1")->click();
    auto *lineTable = editor.findChild<QTableWidget *>("m_information");
    auto *timingTable = editor.findChild<QTableWidget *>("m_information1");
    QVERIFY(lineTable && lineTable->isVisible() && timingTable && timingTable->isVisible());
    for (QTableWidget *table : {lineTable, timingTable}) {
        QCOMPARE(table->rowCount(), ports + 10);
        for (int row = ports; row < table->rowCount(); ++row)
            QCOMPARE(rowTexts(table, row).join(QString()), QString());
    }
    for (int i = 0; i < ports; ++i) {
        const QString port = QStringLiteral("Port%1").arg(i + 1);
        QCOMPARE(rowTexts(lineTable, i), QStringList({port, rates.value(i % 10, "1200"), parities.value(i % 6, "None"),
                                                      i % 3 == 1 ? "2" : "1", "8"}));
        QCOMPARE(rowTexts(timingTable, i), QStringList({port, QString::number(100 + i), QString::number(1000 + i),
                                                        QString::number(2000 + i)}));
    }
}

QTEST_MAIN(TestPageSerial)
#include "tst_page_serial.moc"
