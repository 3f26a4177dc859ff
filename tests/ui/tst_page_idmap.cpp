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
#include <QTableWidget>
#include <QTest>

using namespace EditorPages;

struct SlaveCase { int code, mode; QString min, max, offset; int port; QString label, actual; };
struct RefusedCase { QString min, max, offset; unsigned int setMessage, addMessage; };
struct MasterCase { int mode; QString address; bool defaultPort; QString port, target; }; // no target: refused
Q_DECLARE_METATYPE(SlaveCase)
Q_DECLARE_METATYPE(RefusedCase)
Q_DECLARE_METATYPE(MasterCase)

class TestIdMapPage : public QObject
{
    Q_OBJECT

    MessageSpy spy;
    Config *editor = nullptr;
    void open(int code, int mode) { installModel(code, mode); editor = openOn(3); }
    void store(int serialIndex, int min, int max, int offset)
    {
        pConfigure->m_idMaps << new CIDMap{"0.0.0.0", "502", serialIndex, min, max, offset < 0, std::abs(offset)};
    }
    void fillForm(const QString &min, const QString &max, const QString &offset)
    {
        edit(editor, "lineEdit_min")->setText(min);
        edit(editor, "lineEdit_max")->setText(max);
        edit(editor, "lineEdit_offset")->setText(offset);
    }
    // An entry as "address:port serial-index min-max signed-offset".
    QString stored(int i) const
    {
        const CIDMap &m = *pConfigure->m_idMaps.at(i);
        return QStringLiteral("%1:%2 %3 %4-%5 %6").arg(m.m_ip, m.m_port).arg(m.m_serialIndex).arg(m.m_idMin)
            .arg(m.m_idMax).arg(m.m_negative ? -m.m_offset : m.m_offset);
    }
    QTableWidget *rows() const { return table(editor, "page4_tab"); }
    QStringList row(int index) const { return rowTexts(rows(), index); }

private Q_SLOTS:
    void init() { IsSave = IsSetup = false; IDS = QStringLiteral("Configuration"); spy.clear(); }
    void cleanup() { delete editor; editor = nullptr; installConfigure(nullptr); }

    void addStopsAtTheModelLimit_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("limit");
        QTest::newRow("130200 takes 4") << 130200 << 4;
        QTest::newRow("code 0 takes 4") << 0 << 4;
        QTest::newRow("130400 takes 36") << 130400 << 36;
    }
    void addStopsAtTheModelLimit()
    {
        QFETCH(int, code);
        QFETCH(int, limit);
        open(code, 0);
        for (int i = 1; i <= limit; ++i) {
            fillForm(QString::number(i), QString::number(i), "0");
            button(editor, "bt_Add")->click();
        }
        QVERIFY2(spy.shown().isEmpty(), qPrintable(spy.texts().join('|')));
        QCOMPARE(row(limit - 1).at(0), QString::number(limit));
        IsSave = false;
        button(editor, "bt_Add")->click();
        QCOMPARE(spy.texts(), QStringList{GetStr(5025)});
        QCOMPARE(pConfigure->m_idMaps.size(), limit);
        QVERIFY(row(limit).at(0).isEmpty());
        QVERIFY(!IsSave);
    }

    void setAndAddInSlaveMode_data()
    {
        QTest::addColumn<SlaveCase>("c");
        QTest::newRow("10-20 shifted by -5 on the second port") << SlaveCase{130200, 0, "10", "20", "-5", 1, "Port2", "5-15"};
        QTest::newRow("plus sign up to ID 247") << SlaveCase{130100, 2, "1", "1", "+246", 0, "Port1", "247-247"};
        QTest::newRow("gateway's own port label") << SlaveCase{130400, 0, "2", "4", "2", 2, "串口3", "4-6"};
        QTest::newRow("sixteenth port down to ID 1") << SlaveCase{0, 2, "100", "147", "-99", 15, "串口16", "1-48"};
    }
    void setAndAddInSlaveMode()
    {
        QFETCH(SlaveCase, c);
        open(c.code, c.mode);
        fillForm(c.min, c.max, c.offset);
        combo(editor, "m_serial2")->setCurrentIndex(c.port);
        button(editor, "bt_Setup")->click();
        QCOMPARE(edit(editor, "lineEdit_slave")->text(), c.actual);
        QVERIFY(pConfigure->m_idMaps.isEmpty() && !IsSave);
        button(editor, "bt_Add")->click();
        QVERIFY2(spy.shown().isEmpty(), qPrintable(spy.texts().join('|')));
        QCOMPARE(row(0), QStringList({"1", "Modbus", c.label, c.min + '-' + c.max + "<->" + c.actual}));
        QCOMPARE(pConfigure->m_idMaps.size(), 1);
        QCOMPARE(stored(0), QStringLiteral("0.0.0.0:502 %1 %2-%3 %4").arg(c.port).arg(c.min, c.max).arg(c.offset.toInt()));
        QVERIFY(IsSave);
    }

    void unusableRangeIsRefused_data()
    {
        QTest::addColumn<RefusedCase>("c");
        QTest::newRow("offset leaves below 1") << RefusedCase{"1", "5", "-1", 5024, 5024};
        QTest::newRow("offset leaves above 247") << RefusedCase{"240", "247", "1", 5024, 5024};
        QTest::newRow("maximum below minimum") << RefusedCase{"5", "3", "0", 5023, 5026};
        QTest::newRow("empty fields count as 0") << RefusedCase{"", "", "", 5024, 5024};
    }
    void unusableRangeIsRefused()
    {
        QFETCH(RefusedCase, c);
        open(130200, 0);
        // A good range first: a refused one keeps what it showed.
        fillForm("2", "3", "1");
        button(editor, "bt_Setup")->click();
        fillForm(c.min, c.max, c.offset);
        button(editor, "bt_Setup")->click();
        QCOMPARE(spy.texts(), QStringList{GetStr(c.setMessage)});
        QCOMPARE(edit(editor, "lineEdit_slave")->text(), QStringLiteral("3-4"));
        spy.clear();
        button(editor, "bt_Add")->click();
        QCOMPARE(spy.texts(), QStringList{GetStr(c.addMessage)});
        QVERIFY(pConfigure->m_idMaps.isEmpty() && row(0).at(0).isEmpty() && !IsSave);
        // Regression: a refusal used to stay on record and swallow the next good Add.
        spy.clear();
        fillForm("1", "2", "1");
        button(editor, "bt_Add")->click();
        QVERIFY(spy.shown().isEmpty());
        QCOMPARE(row(0), QStringList({"1", "Modbus", "Port1", "1-2<->2-3"}));
    }

    void addInMasterModeNeedsTarget_data()
    {
        QTest::addColumn<MasterCase>("c");
        QTest::newRow("half-filled address") << MasterCase{1, "10.0", true, "", ""};
        QTest::newRow("all zeros") << MasterCase{3, "0.0.0.0", true, "", ""};
        QTest::newRow("default port") << MasterCase{1, "10.0.0.5", true, "", "10.0.0.5:502"};
        QTest::newRow("own port") << MasterCase{3, "192.168.1.20", false, "1502", "192.168.1.20:1502"};
        QTest::newRow("own port left empty") << MasterCase{1, "10.0.0.6", false, "", "10.0.0.6:502"};
    }
    void addInMasterModeNeedsTarget()
    {
        QFETCH(MasterCase, c);
        open(130200, c.mode);
        box(editor, "checkBox")->setChecked(c.defaultPort);
        QCOMPARE(edit(editor, "lineEdit_Port4")->isEnabled(), !c.defaultPort);
        edit(editor, "lineEdit_Port4")->setText(c.port);
        typeAddress(ipCtrl(editor, "frame_12"), c.address);
        fillForm("1", "4", "10");
        button(editor, "bt_Add")->click();
        QCOMPARE(spy.texts(), c.target.isEmpty() ? QStringList{GetStr(5028)} : QStringList());
        QCOMPARE(IsSave, !c.target.isEmpty());
        QCOMPARE(pConfigure->m_idMaps.size(), c.target.isEmpty() ? 0 : 1);
        if (c.target.isEmpty())
            return;
        QCOMPARE(row(0), QStringList({"1", "Modbus TCP", c.target, "1-4<->11-14"}));
        QCOMPARE(stored(0), c.target + " 0 1-4 10");
        // Clicking the row loads its target back into an emptied form.
        typeAddress(ipCtrl(editor, "frame_12"), "");
        box(editor, "checkBox")->setChecked(true);
        rows()->cellClicked(0, 1);
        QCOMPARE(ipCtrl(editor, "frame_12")->getIP() + ':' + edit(editor, "lineEdit_Port4")->text(), c.target);
        QCOMPARE(box(editor, "checkBox")->isChecked(), c.target.endsWith(":502"));
    }

    void deletingMiddleRowRenumbers()
    {
        installModel(130400, 0);
        store(0, 1, 2, 0);
        store(1, 3, 4, 1);
        store(2, 5, 6, -2);
        editor = openOn(3);
        // Nothing selected, or a click below the entries: Delete does nothing.
        button(editor, "bt_Delete")->click();
        rows()->cellClicked(5, 0);
        button(editor, "bt_Delete")->click();
        QCOMPARE(pConfigure->m_idMaps.size(), 3);
        QVERIFY(!IsSave);
        rows()->cellClicked(1, 0);
        button(editor, "bt_Delete")->click();
        QCOMPARE(pConfigure->m_idMaps.size(), 2);
        QCOMPARE(stored(1), QStringLiteral("0.0.0.0:502 2 5-6 -2"));
        QCOMPARE(editor->m_idMapCount, 2);
        QCOMPARE(editor->m_selIdMap, -1);
        QCOMPARE(row(1), QStringList({"2", "Modbus", "Port3", "5-6<->3-4"}));
        QVERIFY(row(2).at(0).isEmpty());
        QVERIFY(IsSave);
    }

    void modifyMarksOnlyRealChanges_data()
    {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("changed");
        QTest::newRow("same values") << "5" << 1 << false;
        QTest::newRow("other port") << "5" << 0 << true;
        QTest::newRow("other amount") << "6" << 1 << true;
        // Regression: turning only the sign used to count as no change.
        QTest::newRow("sign turned") << "-5" << 1 << true;
    }
    void modifyMarksOnlyRealChanges()
    {
        QFETCH(QString, offset);
        QFETCH(int, port);
        QFETCH(bool, changed);
        installModel(130200, 0);
        store(1, 10, 20, 5);
        editor = openOn(3);
        // Without a selection Modify does nothing.
        fillForm("10", "20", offset);
        button(editor, "bt_Modbify")->click();
        QCOMPARE(pConfigure->m_idMaps.first()->m_offset, 5);
        // A click loads the entry's port and range; the form's own fields stay as typed.
        rows()->cellClicked(0, 2);
        QCOMPARE(combo(editor, "m_serial2")->currentIndex(), 1);
        QCOMPARE(edit(editor, "lineEdit_slave")->text(), QStringLiteral("15-25"));
        QCOMPARE(edit(editor, "lineEdit_offset")->text(), offset);
        combo(editor, "m_serial2")->setCurrentIndex(port);
        button(editor, "bt_Modbify")->click();
        QVERIFY(spy.shown().isEmpty());
        const QString actual = QStringLiteral("%1-%2").arg(10 + offset.toInt()).arg(20 + offset.toInt());
        QCOMPARE(row(0), QStringList({"1", "Modbus", QStringLiteral("Port%1").arg(port + 1), "10-20<->" + actual}));
        QCOMPARE(stored(0), QStringLiteral("0.0.0.0:502 %1 10-20 %2").arg(port).arg(offset.toInt()));
        QCOMPARE(IsSave, changed);
    }

    void clickedIndexBeyondPortsIsRefused()
    {
        installModel(130200, 0);
        store(4, 1, 1, 0); // port 5 on a two-port gateway, as a file of another model may hold it
        editor = openOn(3);
        rows()->cellClicked(0, 0);
        QCOMPARE(spy.texts(), QStringList{QStringLiteral("Index is Error")});
        QCOMPARE(editor->m_selIdMap, -1);
        button(editor, "bt_Delete")->click();
        QCOMPARE(pConfigure->m_idMaps.size(), 1);
    }
};

QTEST_MAIN(TestIdMapPage)
#include "tst_page_idmap.moc"
