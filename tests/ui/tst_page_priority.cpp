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
#include <QTableWidget>
#include <QTest>

#include <algorithm>

using namespace EditorPages;

Q_DECLARE_METATYPE(CSpecifiedRequest)

class TestPriorityPage : public QObject
{
    Q_OBJECT

    MessageSpy spy;
    Config *editor = nullptr;
    void open(int code, int mode, const QStringList &masters = {}, const QList<CSpecifiedRequest> &requests = {})
    {
        installModel(code, mode);
        for (const QString &ip : masters)
            pConfigure->m_masters << new CSpecifiedMaster{ip, false};
        for (const CSpecifiedRequest &request : requests)
            pConfigure->m_requests << new CSpecifiedRequest(request);
        editor = openOn(5);
    }
    QStringList row(const char *list, int index) const { return rowTexts(table(editor, list), index); }
    void click(const char *name) { button(editor, name)->click(); }
    bool enabled(const QStringList &widgets, bool on) const
    {
        return std::all_of(widgets.begin(), widgets.end(),
                           [&](const QString &name) { return editor->findChild<QWidget *>(name)->isEnabled() == on; });
    }
    const QStringList kRequestButtons{"bt_RequestAdd", "bt_RequestModify", "bt_RequestDelete"};

private Q_SLOTS:
    void init() { IsSave = false; IDS = QStringLiteral("Configuration"); spy.clear(); }
    void cleanup() { delete editor; editor = nullptr; installConfigure(nullptr); }

    void whoMayUseThePage_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("usable");
        QTest::newRow("30103 RTU slave") << 30103 << 0 << true;
        QTest::newRow("30203 ASCII slave") << 30203 << 2 << true;
        QTest::newRow("30203 RTU master") << 30203 << 1 << false;
        QTest::newRow("30203 ASCII master") << 30203 << 3 << false;
        QTest::newRow("130200 has no switches") << 130200 << 0 << false;
        QTest::newRow("code 0 has no switches") << 0 << 0 << false;
    }
    void whoMayUseThePage()
    {
        QFETCH(int, code);
        QFETCH(int, mode);
        QFETCH(bool, usable);
        open(code, mode, {"10.0.0.1"}, {{true, "3", true, "4"}});
        const bool master = mode == 1 || mode == 3;
        for (const char *name : {"checkBox_2", "checkBox_3"}) {
            QCOMPARE(box(editor, name)->isEnabled(), usable);
            QCOMPARE(box(editor, name)->isChecked(), !master); // on for a list that is not empty
        }
        QVERIFY(enabled(kRequestButtons + QStringList{"bt_MasterAdd", "bt_MasterModify", "bt_MasterDelete"}, !master));
        QCOMPARE(row("pag6_Master", 0), QStringList({"1", master ? "Modbus" : "Modbus TCP", "10.0.0.1"}));
        if (master) {
            QVERIFY(enabled({"checkBox_4", "checkBox_5", "lineEdit_SerialPort6", "lineEdit_slaveid6", "lineEdit_functioncode6"}, false));
            QVERIFY(!ipCtrl(editor, "frame_17")->findChild<QLineEdit *>("lineEdit_0")->isEnabled());
        } else if (usable) {
            // Switching the requests off turns their form off but keeps them.
            box(editor, "checkBox_3")->setChecked(false);
            QVERIFY(enabled(kRequestButtons + QStringList{"checkBox_4", "lineEdit_functioncode6"}, false));
            QCOMPARE(pConfigure->m_requests.size(), 1);
        }
    }

    void masterListStopsAtTheLimit_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("limit");
        QTest::newRow("30203 takes 36") << 30203 << 36;
        QTest::newRow("130200 takes 4") << 130200 << 4;
    }
    void masterListStopsAtTheLimit()
    {
        QFETCH(int, code);
        QFETCH(int, limit);
        open(code, 2, {"10.0.0.1"});
        typeAddress(ipCtrl(editor, "frame_17"), "10.1");
        click("bt_MasterAdd");
        QCOMPARE(spy.texts(), QStringList{GetStr(5035)});
        spy.clear();
        for (int i = 1; i < limit; ++i) {
            ipCtrl(editor, "frame_17")->setIP(QStringLiteral("10.0.1.%1").arg(i));
            click("bt_MasterAdd");
        }
        QCOMPARE(row("pag6_Master", limit - 1).join(' '), QStringLiteral("%1 Modbus TCP 10.0.1.%2").arg(limit).arg(limit - 1));
        QVERIFY(IsSave);
        IsSave = false;
        click("bt_MasterAdd");
        QCOMPARE(spy.texts(), QStringList{GetStr(5025)});
        QCOMPARE(pConfigure->m_masters.size(), limit);
        QVERIFY(!IsSave);
    }

    void requestFieldChecks_data()
    {
        QTest::addColumn<bool>("slaveId"); // else the function code
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        // A refused slave ID is warned about and becomes 0; a function that is no code quietly becomes 1.
        QTest::newRow("slave ID with a letter") << true << "12a" << "0";
        QTest::newRow("slave ID beyond one byte") << true << "300" << "0";
        // Regression: a number too long for any int read as 0 and slipped through.
        QTest::newRow("slave ID beyond any int") << true << "99999999999" << "0";
        QTest::newRow("slave ID 255") << true << "255" << "255";
        QTest::newRow("empty slave ID left alone") << true << "" << "";
        QTest::newRow("function 7 is no code") << false << "7" << "1";
        QTest::newRow("function with a leading zero") << false << "03" << "1";
        QTest::newRow("function 15 kept") << false << "15" << "15";
    }
    void requestFieldChecks()
    {
        QFETCH(bool, slaveId);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        open(30203, 0);
        QLineEdit *line = edit(editor, slaveId ? "lineEdit_slaveid6" : "lineEdit_functioncode6");
        finishEditing(line, typed);
        QCOMPARE(line->text(), after);
        QCOMPARE(spy.texts(), slaveId && after != typed ? QStringList{GetStr(5053)} : QStringList());
    }

    void requestAdd_data()
    {
        QTest::addColumn<CSpecifiedRequest>("c");
        QTest::addColumn<QStringList>("row"); // empty: nothing added
        QTest::newRow("slave ID alone") << CSpecifiedRequest{true, "5", false, ""} << QStringList{"1", "5", ""};
        QTest::newRow("switched-off text not shown") << CSpecifiedRequest{false, "8", true, "2"} << QStringList{"1", "", "2"};
        QTest::newRow("both empty") << CSpecifiedRequest{true, "", true, ""} << QStringList();
        QTest::newRow("nothing switched on") << CSpecifiedRequest{false, "5", false, "3"} << QStringList();
        QTest::newRow("lone slave ID without text") << CSpecifiedRequest{true, "", false, "3"} << QStringList();
    }
    void requestAdd()
    {
        QFETCH(CSpecifiedRequest, c);
        QFETCH(QStringList, row);
        open(30203, 0);
        QVERIFY(!box(editor, "checkBox_3")->isChecked()); // off while the list is empty
        box(editor, "checkBox_3")->setChecked(true);
        box(editor, "checkBox_4")->setChecked(c.m_slaveIdOn);
        box(editor, "checkBox_5")->setChecked(c.m_functionOn);
        edit(editor, "lineEdit_slaveid6")->setText(c.m_slaveId);
        edit(editor, "lineEdit_functioncode6")->setText(c.m_functionCode);
        click("bt_RequestAdd");
        QVERIFY(spy.shown().isEmpty());
        QCOMPARE(this->row("pag6_Request", 0), row.isEmpty() ? QStringList({"", "", ""}) : row);
        QCOMPARE(IsSave, !row.isEmpty());
        QCOMPARE(pConfigure->m_requests.size(), row.isEmpty() ? 0 : 1);
        for (const CSpecifiedRequest *r : qAsConst(pConfigure->m_requests))
            QCOMPARE(QVariantList({r->m_slaveIdOn, r->m_slaveId, r->m_functionOn, r->m_functionCode}),
                     QVariantList({c.m_slaveIdOn, c.m_slaveId, c.m_functionOn, c.m_functionCode}));
    }

    void modifyAndDelete()
    {
        open(30103, 0, {"10.0.0.1", "10.9.8.7"}, {{true, "7", true, "3"}, {false, "", true, "15"}});
        // Master: an unusable address is refused, the same address again is no change, another one is.
        table(editor, "pag6_Master")->cellClicked(0, 2);
        typeAddress(ipCtrl(editor, "frame_17"), "0.0.0.0");
        click("bt_MasterModify");
        QCOMPARE(spy.texts(), QStringList{GetStr(5038)});
        table(editor, "pag6_Master")->cellActivated(1, 0);
        QCOMPARE(ipCtrl(editor, "frame_17")->getIP(), QStringLiteral("10.9.8.7"));
        table(editor, "pag6_Master")->cellActivated(4, 0); // no entry there: ignored
        click("bt_MasterModify");
        QVERIFY(!IsSave);
        ipCtrl(editor, "frame_17")->setIP(QStringLiteral("10.0.0.4"));
        click("bt_MasterModify");
        QVERIFY(IsSave);
        // Request: the row fills the form, switched-off filters emptied; only a switch turned is a change.
        IsSave = false;
        box(editor, "checkBox_4")->setChecked(true);
        edit(editor, "lineEdit_slaveid6")->setText(QStringLiteral("44"));
        table(editor, "pag6_Request")->cellActivated(1, 1);
        QVERIFY(!box(editor, "checkBox_4")->isChecked() && !edit(editor, "lineEdit_slaveid6")->isEnabled());
        QCOMPARE(edit(editor, "lineEdit_slaveid6")->text() + ' ' + edit(editor, "lineEdit_functioncode6")->text(), " 15");
        table(editor, "pag6_Request")->cellActivated(0, 1);
        QCOMPARE(edit(editor, "lineEdit_slaveid6")->text() + ' ' + edit(editor, "lineEdit_functioncode6")->text(), "7 3");
        box(editor, "checkBox_5")->setChecked(false);
        click("bt_RequestModify");
        QVERIFY(!pConfigure->m_requests.first()->m_functionOn);
        QCOMPARE(row("pag6_Request", 0), QStringList({"1", "7", ""}));
        QVERIFY(IsSave);
        // An incomplete form changes nothing.
        IsSave = false;
        box(editor, "checkBox_4")->setChecked(false);
        click("bt_RequestModify");
        QVERIFY(pConfigure->m_requests.first()->m_slaveIdOn);
        QVERIFY(!IsSave);
        QCOMPARE(spy.shown().size(), 1);
        // Delete takes the current row; none, or one below the entries, deletes nothing.
        click("bt_MasterDelete");
        table(editor, "pag6_Request")->setCurrentCell(5, 0);
        click("bt_RequestDelete");
        QCOMPARE(pConfigure->m_masters.size() + pConfigure->m_requests.size(), 4);
        QVERIFY(!IsSave);
        table(editor, "pag6_Master")->setCurrentCell(0, 0);
        click("bt_MasterDelete");
        table(editor, "pag6_Request")->setCurrentCell(0, 0);
        click("bt_RequestDelete");
        QCOMPARE(row("pag6_Master", 0) + row("pag6_Request", 0), QStringList({"1", "Modbus TCP", "10.0.0.4", "1", "", "15"}));
        QCOMPARE(pConfigure->m_masters.first()->m_ip + ' ' + pConfigure->m_requests.first()->m_functionCode, "10.0.0.4 15");
        QCOMPARE(editor->m_masterCount + editor->m_requestCount, 2);
        QVERIFY(row("pag6_Master", 1).at(0).isEmpty() && IsSave);
    }
};

QTEST_MAIN(TestPriorityPage)
#include "tst_page_priority.moc"
