// Pages "Serial" and "#Modbus" and the two summaries of the serial ports,
// driven through the widgets.
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_information.h"
#include "editor/dialog_information1.h"
#include "support/editordriver.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

Q_DECLARE_METATYPE(CSerialPort)

using namespace EditorDriver;

namespace {

constexpr int kSerialPage = 2;
constexpr int kTimingPage = 4;

// The three line settings and the three timing values, in page order.
const char *const kLineLists[] = {"m_baudRate1", "m_parityCheck1", "m_stopBit1"};
const char *const kTimingFields[] = {"lineEdit_chartimeout", "lineEdit_resptimeout", "lineEdit_delaypolls"};

int lineValue(const CSerialPort &serial, int which)
{
    const int values[] = {serial.m_baudRate, serial.m_parityCheck, serial.m_stopBit};
    return values[which];
}

int timingValue(const CSerialPort &serial, int which)
{
    const int values[] = {serial.m_charInterval, serial.m_respTimeout, serial.m_delayPolls};
    return values[which];
}

QComboBox *box(Config *editor, const char *name)
{
    return editor->findChild<QComboBox *>(QString::fromLatin1(name));
}

QLineEdit *field(Config *editor, const char *name)
{
    return editor->findChild<QLineEdit *>(QString::fromLatin1(name));
}

QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

QStringList headings(const QTableWidget *table)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << table->horizontalHeaderItem(column)->text();
    return texts;
}

template<typename Summary>
Summary *openSummary(Config *editor, const char *button)
{
    editor->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    const QList<Summary *> open = editor->findChildren<Summary *>();
    return open.size() == 1 && open.first()->isVisible() ? open.first() : nullptr;
}

} // namespace

class TestPageSerial : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void lineChoiceStoredAtOnce_data();
    void lineChoiceStoredAtOnce();
    void listsFollowTheChosenPort();
    void applyLineSettingsToAllPorts_data();
    void applyLineSettingsToAllPorts();
    void timingFieldCorrectedAndStored_data();
    void timingFieldCorrectedAndStored();
    void applyTimingToAllPortsCorrectsFields();
    void leavingTimingPageStoresTypedValues();
    void lineSummaryRows_data();
    void lineSummaryRows();
    void summariesListEveryPort_data();
    void summariesListEveryPort();
};

void TestPageSerial::init()
{
    IsSave = false;
    installModel(0);
}

void TestPageSerial::cleanup()
{
    installConfigure(nullptr);
    IsSave = false;
}

void TestPageSerial::lineChoiceStoredAtOnce_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Port3 19200") << 2 << 0 << 4 << "19200";
    QTest::newRow("Port16 Even") << 15 << 1 << 2 << "Even";
    QTest::newRow("Port2 two stop bits") << 1 << 2 << 1 << "2";
}

void TestPageSerial::lineChoiceStoredAtOnce()
{
    QFETCH(int, port);
    QFETCH(int, which);
    QFETCH(int, index);
    QFETCH(QString, shown);
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kSerialPage);
    choose(box(editor, "comboBox_Select1"), port);
    QVERIFY(!IsSave);
    QComboBox *list = box(editor, kLineLists[which]);
    const int before = lineValue(pConfigure->m_serial[port], which);
    QVERIFY(before != index);

    choose(list, index);
    QCOMPARE(list->currentText(), shown);
    QCOMPARE(lineValue(pConfigure->m_serial[port], which), index);
    QVERIFY(IsSave);
    for (int other = 0; other < CConfigure::SerialCount; ++other) {
        if (other != port)
            QCOMPARE(lineValue(pConfigure->m_serial[other], which), before);
    }

    IsSave = false;
    choose(list, index);
    QVERIFY2(!IsSave, "choosing the stored value again is no change");
    delete editor;
}

void TestPageSerial::listsFollowTheChosenPort()
{
    pConfigure->m_serial[4] = {7, 1, 1, 8, 10, 300, 0};
    pConfigure->m_serial[15] = {5, 2, 0, 8, 10, 300, 0};
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kSerialPage);
    auto *port = box(editor, "comboBox_Select1");
    const auto shown = [editor] {
        return QStringList{box(editor, "m_baudRate1")->currentText(), box(editor, "m_parityCheck1")->currentText(),
                           box(editor, "m_stopBit1")->currentText()};
    };
    QCOMPARE(shown(), QStringList({"9600", "None", "1"}));
    choose(port, 4);
    QCOMPARE(shown(), QStringList({"115200", "Odd", "2"}));
    choose(port, 15);
    QCOMPARE(shown(), QStringList({"38400", "Even", "1"}));

    // Changed behind the page (as a factory restore does): re-entering the page
    // shows the stored values of the chosen port, not what was shown before.
    tabs(editor)->setCurrentIndex(0);
    pConfigure->m_serial[15].m_baudRate = 0;
    tabs(editor)->setCurrentIndex(kSerialPage);
    QCOMPARE(shown(), QStringList({"1200", "Even", "1"}));
    QVERIFY(!IsSave);
    delete editor;
}

void TestPageSerial::applyLineSettingsToAllPorts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QList<int>>("chosen");
    QTest::newRow("9600 Even 2 on sixteen ports") << 0 << QList<int>{3, 2, 1};
    QTest::newRow("9600 Even 2 on two ports") << 130200 << QList<int>{3, 2, 1};
}

void TestPageSerial::applyLineSettingsToAllPorts()
{
    QFETCH(int, code);
    QFETCH(QList<int>, chosen);
    installModel(code);
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kSerialPage);
    choose(box(editor, "comboBox_Select1"), 1);
    // Shown but not chosen: Apply takes the lists as they stand.
    for (int which = 0; which < 3; ++which)
        box(editor, kLineLists[which])->setCurrentIndex(chosen.at(which));
    QVERIFY(!IsSave);

    editor->findChild<QPushButton *>("pushButton_apply0")->click();
    for (const CSerialPort &serial : pConfigure->m_serial) {
        for (int which = 0; which < 3; ++which)
            QCOMPARE(lineValue(serial, which), chosen.at(which));
        QCOMPARE(serial.m_dataBits, 8);
    }
    // Not counted as a change, whatever it changed.
    QVERIFY(!IsSave);
    delete editor;
}

void TestPageSerial::timingFieldCorrectedAndStored_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("stored");
    QTest::newRow("response timeout 100 becomes 300") << 1 << "100" << "300" << 300;
    QTest::newRow("response timeout 299 becomes 300") << 1 << "299" << "300" << 300;
    QTest::newRow("response timeout 60000 kept") << 1 << "60000" << "60000" << 60000;
    QTest::newRow("character interval 1 kept") << 0 << "1" << "1" << 1;
    QTest::newRow("character interval 30000 kept") << 0 << "30000" << "30000" << 30000;
    QTest::newRow("delay 60000 kept") << 2 << "60000" << "60000" << 60000;
    QTest::newRow("delay 0 kept") << 2 << "0" << "0" << 0;
}

void TestPageSerial::timingFieldCorrectedAndStored()
{
    QFETCH(int, which);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, stored);
    for (CSerialPort &serial : pConfigure->m_serial)
        serial = {3, 0, 0, 8, 20, 500, 100};
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kTimingPage);
    choose(box(editor, "combox_SelectPort"), 1);
    QLineEdit *edit = field(editor, kTimingFields[which]);
    const int before = timingValue(pConfigure->m_serial[1], which);
    QCOMPARE(edit->text(), QString::number(before));

    type(edit, typed);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(timingValue(pConfigure->m_serial[1], which), stored);
    QCOMPARE(timingValue(pConfigure->m_serial[0], which), before);
    QCOMPARE(IsSave, stored != before);
    delete editor;
}

void TestPageSerial::applyTimingToAllPortsCorrectsFields()
{
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kTimingPage);
    choose(box(editor, "combox_SelectPort"), 6);
    field(editor, "lineEdit_chartimeout")->clear();
    field(editor, "lineEdit_resptimeout")->setText(QStringLiteral("100"));
    field(editor, "lineEdit_delaypolls")->setText(QStringLiteral("250"));

    editor->findChild<QPushButton *>("bt_apply1")->click();
    QCOMPARE(field(editor, "lineEdit_chartimeout")->text(), QStringLiteral("1"));
    QCOMPARE(field(editor, "lineEdit_resptimeout")->text(), QStringLiteral("300"));
    QCOMPARE(field(editor, "lineEdit_delaypolls")->text(), QStringLiteral("250"));
    for (const CSerialPort &serial : pConfigure->m_serial) {
        QCOMPARE(serial.m_charInterval, 1);
        QCOMPARE(serial.m_respTimeout, 300);
        QCOMPARE(serial.m_delayPolls, 250);
    }
    QVERIFY(!IsSave);
    delete editor;
}

void TestPageSerial::leavingTimingPageStoresTypedValues()
{
    const int port = 8; // beyond the two ports of the fixed layout
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kTimingPage);
    choose(box(editor, "combox_SelectPort"), port);
    // Typed but never finished: the page change alone takes the values.
    field(editor, "lineEdit_chartimeout")->setText(QStringLiteral("40"));
    field(editor, "lineEdit_resptimeout")->setText(QStringLiteral("5"));
    field(editor, "lineEdit_delaypolls")->setText(QStringLiteral("70"));
    tabs(editor)->setCurrentIndex(kSerialPage);

    const CSerialPort &serial = pConfigure->m_serial[port];
    QCOMPARE(serial.m_charInterval, 40);
    QCOMPARE(serial.m_respTimeout, 300);
    QCOMPARE(serial.m_delayPolls, 70);
    QVERIFY(IsSave);
    QCOMPARE(pConfigure->m_serial[0].m_charInterval, 10);

    // Back on the page, the chosen port shows what was stored.
    tabs(editor)->setCurrentIndex(kTimingPage);
    QCOMPARE(field(editor, "lineEdit_resptimeout")->text(), QStringLiteral("300"));
    QCOMPARE(field(editor, "lineEdit_chartimeout")->text(), QStringLiteral("40"));
    delete editor;
}

void TestPageSerial::lineSummaryRows_data()
{
    QTest::addColumn<CSerialPort>("serial");
    QTest::addColumn<QStringList>("row");
    QTest::newRow("baud index 0 shows 1200, check bits 0 None")
        << CSerialPort{0, 0, 0, 0, 1, 300, 0} << QStringList{"Port1", "1200", "None", "1", "8"};
    QTest::newRow("230400 Odd two stop bits") << CSerialPort{8, 1, 1, 8, 1, 300, 0}
                                              << QStringList{"Port1", "230400", "Odd", "2", "8"};
    QTest::newRow("9600 Mark") << CSerialPort{3, 3, 0, 8, 1, 300, 0} << QStringList{"Port1", "9600", "Mark", "1", "8"};
    QTest::newRow("2400 Space") << CSerialPort{1, 4, 0, 7, 1, 300, 0} << QStringList{"Port1", "2400", "Space", "1", "8"};
    QTest::newRow("values outside the lists") << CSerialPort{9, 5, 2, 5, 1, 300, 0}
                                              << QStringList{"Port1", "1200", "None", "1", "8"};
}

void TestPageSerial::lineSummaryRows()
{
    QFETCH(CSerialPort, serial);
    QFETCH(QStringList, row);
    installModel(130100);
    pConfigure->m_serial[0] = serial;
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kSerialPage);
    auto *summary = openSummary<Dialog_Information>(editor, "pushButton_info0");
    QVERIFY(summary);
    auto *table = summary->findChild<QTableWidget *>("m_information");
    QCOMPARE(rowTexts(table, 0), row);
    QCOMPARE(table->rowCount(), 11);
    delete editor;
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
    for (int i = 0; i < CConfigure::SerialCount; ++i)
        pConfigure->m_serial[i] = {i % 9, i % 3, i % 2, 8, 100 + i, 1000 + i, 2000 + i};

    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(kSerialPage);
    auto *line = openSummary<Dialog_Information>(editor, "pushButton_info0");
    QVERIFY(line);
    tabs(editor)->setCurrentIndex(kTimingPage);
    auto *timing = openSummary<Dialog_Information1>(editor, "pushButton_info1");
    QVERIFY(timing);

    for (QDialog *summary : {static_cast<QDialog *>(line), static_cast<QDialog *>(timing)}) {
        QCOMPARE(summary->windowTitle(), QStringLiteral("ZUV-DL-CFG"));
        QVERIFY(summary->testAttribute(Qt::WA_DeleteOnClose));
    }

    auto *lineTable = line->findChild<QTableWidget *>("m_information");
    auto *timingTable = timing->findChild<QTableWidget *>("m_information1");
    QCOMPARE(headings(lineTable), QStringList({"Serial Port", "Baud Rate", "Check Bits", "Stop Bits", "Data Bits"}));
    QCOMPARE(headings(timingTable), QStringList({"Serial Port", "Time Interval between Characters",
                                                 "Response Timeout", "Delay between Polls"}));
    QCOMPARE(timingTable->horizontalHeader()->sectionSize(1), 200);
    QCOMPARE(lineTable->horizontalHeader()->sectionResizeMode(4), QHeaderView::Stretch);

    const QStringList parities{"None", "Odd", "Even"};
    for (QTableWidget *table : {lineTable, timingTable}) {
        QCOMPARE(table->rowCount(), ports + 10);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        for (int row = ports; row < table->rowCount(); ++row)
            QCOMPARE(rowTexts(table, row).join(QString()), QString());
        QCOMPARE(int(table->item(ports - 1, 1)->textAlignment()), int(Qt::AlignHCenter | Qt::AlignVCenter));
    }
    for (int i = 0; i < ports; ++i) {
        const QString port = QStringLiteral("Port%1").arg(i + 1);
        QCOMPARE(rowTexts(lineTable, i),
                 QStringList({port, rates.at(i % 9), parities.at(i % 3), i % 2 ? "2" : "1", "8"}));
        QCOMPARE(rowTexts(timingTable, i), QStringList({port, QString::number(100 + i), QString::number(1000 + i),
                                                        QString::number(2000 + i)}));
    }

    delete editor;
}

QTEST_MAIN(TestPageSerial)
#include "tst_page_serial.moc"
