// The configuration editor driven through its widgets: each page's stores on
// leaving, refusals and their texts, OK and closing.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "messages/messagetable.h"
#include "support/editordriver.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"

#include <QtTest>
#include <QtWidgets>

using namespace EditorDriver;

namespace {
enum Page { ModePage, EthernetPage, SerialPage, IdMapPage, TimingPage, PriorityPage, AdvancedPage };
QStringList said(unsigned id) { return {GetStr(id)}; }

// Presses `button` of each modal close prompt; after 150 looks closes any modal, so nothing blocks.
struct PromptAnswerer {
    QTimer timer;
    int seen = 0, looks = 0;
    explicit PromptAnswerer(const QString &button)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, button] {
            if (auto *prompt = qobject_cast<Dialog_Save *>(QApplication::activeModalWidget()); prompt && ++seen)
                prompt->findChild<QPushButton *>(button)->click();
            else if (++looks > 150 && QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
        });
        timer.start(20);
    }
};

enum Shown { Baud, Parity, StopBit, RespTimeout, IpMode };
struct ShownCase { int code, port; Shown field; int stored, shown; }; // shown: list index (-1 none) or field value
struct NameCase { int assign; QString typed, stored; QStringList messages; bool changed; }; // stored: "GW", manual
struct TimingCase { int which; QString typed, shown; bool left; }; // left: page left instead of Return
struct RangeCase { QString max, offset; unsigned setMessage, addMessage; };
struct TargetCase { QString address; bool defaultPort; QString target; }; // no target: refused
struct ModifyCase { QString offset; int port; bool changed; };
struct FieldCase { bool slaveId; QString typed, after; }; // else the function code
struct AdvancedCase { int mode; QString port, delay, alive, stored; bool changed; }; // null port: not typed
struct PasswordCase { QString typed, retyped; QStringList messages; QString stored; };
struct OkCase { int mode; QString choice; int prompts; }; // no choice: OK refused
} // namespace

class TestEditor : public QObject
{
    Q_OBJECT
    MessageSpy spy;
    Config *ed = nullptr;
    void fresh(int code, int mode = 0, int page = -1) // a new configuration, and an editor on `page`
    {
        delete std::exchange(ed, nullptr);
        spy.clear();
        IsSave = IsTrue = false;
        installModel(code, mode);
        if (page >= 0)
            open(page);
    }
    void open(int page) { ed = new Config; show(page); }
    void show(int page) { tabs(ed)->setCurrentIndex(page); }
    template<typename T = QLineEdit> T *w(const char *name) const
    {
        T *found = ed->findChild<T *>(QLatin1String(name));
        return found ? found : (qFatal("The editor has no %s", name), nullptr);
    }
    void click(const char *name) { w<QPushButton>(name)->click(); }
    QStringList row(const char *table, int r) const { return rowTexts(w<QTableWidget>(table), r); }
    void fillRange(const QString &min, const QString &max, const QString &offset)
    {
        w("lineEdit_min")->setText(min);
        w("lineEdit_max")->setText(max);
        w("lineEdit_offset")->setText(offset);
    }
    QString mapping(int i) const // "address:port serial min-max signed-offset"
    {
        const CIDMap &m = *pConfigure->m_idMaps.at(i);
        return QStringLiteral("%1:%2 %3 %4-%5 %6").arg(m.m_ip, m.m_port).arg(m.m_serialIndex).arg(m.m_idMin)
            .arg(m.m_idMax).arg(m.m_negative ? -m.m_offset : m.m_offset);
    }

private Q_SLOTS:
    void init() { IsSetup = false; m_clickList1Item2 = -1; }
    void cleanup() { fresh(0); QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); installConfigure(nullptr); }

    // A page shows the chosen port's own values, one its list lacks as no selection; walking every page
    // changes nothing, not even a name with a blank or an address that is no dotted quad.
    void viewingPagesChangesNothing()
    {
        for (const ShownCase &c : std::initializer_list<ShownCase>{
            {30203, 1, Parity, 4, 4}, // Space: the fixed layout offers it
            {130400, 1, Parity, 4, -1}, // Space on a packed model
            {130400, 3, Parity, 3, -1}, // Mark, on a port beyond the second
            {30203, 1, Baud, 8, 8},
            {130400, 2, Baud, 9, -1}, // no such rate
            {130400, 1, StopBit, 2, -1},
            {30103, 0, RespTimeout, 100, 100}, // below its range, as a file may hold it
            {30203, 0, IpMode, 2, 2}, // BOOTP: the fixed layout offers it
            {130400, 0, IpMode, 2, -1}, // BOOTP on a packed model
        }) {
            fresh(c.code);
            for (CSerialPort &s : pConfigure->m_serial) // the values another port would lend
                s = {5, 2, 1, 8, 20, 500, 100};
            pConfigure->m_name = "Line 3";
            pConfigure->m_gateway = "10.0.0";
            CSerialPort &port = pConfigure->m_serial[c.port];
            int32_t &stored = *QList<int32_t *>{&port.m_baudRate, &port.m_parityCheck, &port.m_stopBit,
                                               &port.m_respTimeout, &pConfigure->m_ipMode}.at(c.field);
            stored = c.stored;
            const QByteArray before = GatewayBench::snapshot();
            open(ModePage);
            show(c.field == IpMode ? EthernetPage : c.field == RespTimeout ? TimingPage : SerialPage);
            choose(w<QComboBox>(c.field == RespTimeout ? "combox_SelectPort" : "comboBox_Select1"), c.port);
            const char *const widgets[] = {"m_baudRate1", "m_parityCheck1", "m_stopBit1", "lineEdit_resptimeout", "comboBox_EtherNet"};
            QCOMPARE(c.field == RespTimeout ? w(widgets[c.field])->text().toInt() : w<QComboBox>(widgets[c.field])->currentIndex(), c.shown);
            for (int page = 0; page <= Config::PageCount; ++page)
                show(page % Config::PageCount);
            QCOMPARE(stored, c.stored);
            QCOMPARE(GatewayBench::snapshot(), before);
            QCOMPARE(pConfigure->m_name + ' ' + pConfigure->m_gateway, QStringLiteral("Line 3 10.0.0"));
            QVERIFY(!IsSave);
        }
    }

    void ethernetNameAndAssignMode()
    {
        for (const NameCase &c : std::initializer_list<NameCase>{
            {0, QString(21, 'n'), "", said(5051), true}, // 21 characters refused and emptied
            {0, "Cabinet 3", "Cabinet", said(5052), true}, // blank cuts the name
            {0, "GW 2", "GW", said(5052), false}, // same name before a blank
            {2, "GW", "GW", {}, true}, // BOOTP greys the addresses, DNS always greyed
        }) {
            fresh(30203, 0, EthernetPage);
            type(w("lineEdit_Name"), c.typed);
            choose(w<QComboBox>("comboBox_EtherNet"), c.assign);
            QCOMPARE(spy.texts(), c.messages);
            for (int i = 0; i < 5; ++i)
                QCOMPARE(ed->ethernetCtrl(i)->findChild<QLineEdit *>()->isEnabled(), c.assign == 0 && i < 3);
            QCOMPARE(pConfigure->m_name, QStringLiteral("GW")); // taken when the page is left
            show(SerialPage);
            QCOMPARE(pConfigure->m_name + ' ' + pConfigure->m_ip, c.stored + " 192.168.0.10");
            QVERIFY(pConfigure->m_ipMode == c.assign && IsSave == c.changed);
        }
    }

    void timingStoredForTheChosenPort()
    {
        for (const TimingCase &c : std::initializer_list<TimingCase>{
            {1, "299", "300", false}, // response timeout 299 becomes 300
            {1, "5", "300", true}, // left on Port9: response timeout 5 becomes 300
            {2, "70", "70", true}, // left on Port9: delay 70
            {0, "20", "20", true}, // left on Port9: same interval is no change
        }) {
            const char *const fields[] = {"lineEdit_chartimeout", "lineEdit_resptimeout", "lineEdit_delaypolls"};
            const auto value = [&c](const CSerialPort &s) { return QList<int>{s.m_charInterval, s.m_respTimeout, s.m_delayPolls}.at(c.which); };
            const int port = c.left ? 8 : 1; // Port9 lies beyond the two ports of the fixed layout
            fresh(0);
            pConfigure->m_serial[0] = pConfigure->m_serial[port] = {3, 0, 0, 8, 20, 500, 100};
            open(TimingPage);
            choose(w<QComboBox>("combox_SelectPort"), port);
            QLineEdit *edit = w(fields[c.which]);
            const int before = value(pConfigure->m_serial[port]);
            if (c.left) {
                edit->setText(c.typed);
                show(SerialPage);
                show(TimingPage);
            } else {
                type(edit, c.typed);
            }
            QCOMPARE(edit->text(), c.shown);
            QCOMPARE(value(pConfigure->m_serial[port]), c.shown.toInt());
            QVERIFY(value(pConfigure->m_serial[0]) == before && IsSave == (c.shown.toInt() != before));
        }
    }

    void applyToAllKeepsTheChangeMark()
    {
        for (bool changedBefore : {false, true}) {
            fresh(0, 0, SerialPage);
            const char *const lists[] = {"m_baudRate1", "m_parityCheck1", "m_stopBit1"};
            for (int i = 0; i < 3; ++i) // shown, not chosen: Apply takes them as they stand
                w<QComboBox>(lists[i])->setCurrentIndex(QList<int>{5, 2, 1}.at(i));
            IsSave = changedBefore; // neither Apply changes it
            click("pushButton_apply0");
            show(TimingPage);
            w("lineEdit_chartimeout")->setText(""); // applied corrected: empty is 1, below 300 is 300
            w("lineEdit_resptimeout")->setText("100");
            w("lineEdit_delaypolls")->setText("250");
            click("bt_apply1");
            QCOMPARE(IsSave, changedBefore);
            for (const CSerialPort &s : pConfigure->m_serial)
                QCOMPARE(QList<int>({s.m_baudRate, s.m_parityCheck, s.m_stopBit, s.m_dataBits, s.m_charInterval,
                                     s.m_respTimeout, s.m_delayPolls}), QList<int>({5, 2, 1, 8, 1, 300, 250}));
        }
    }

    void idMappingSetAddAndLimit()
    {
        fresh(130200, 0, IdMapPage);
        fillRange("10", "20", "-5");
        w<QComboBox>("m_serial2")->setCurrentIndex(1);
        click("bt_Setup");
        QCOMPARE(w("lineEdit_slave")->text(), QStringLiteral("5-15"));
        QVERIFY(pConfigure->m_idMaps.isEmpty() && !IsSave);
        click("bt_Add");
        QCOMPARE(row("page4_tab", 0), QStringList({"1", "Modbus", "Port2", "10-20<->5-15"}));
        QVERIFY(mapping(0) == "0.0.0.0:502 1 10-20 -5" && IsSave);
        for (int i = 0; i < 3; ++i)
            click("bt_Add");
        QVERIFY(spy.shown().isEmpty());
        IsSave = false;
        click("bt_Add"); // a two-port gateway takes 4
        QCOMPARE(spy.texts(), said(5025));
        QVERIFY(pConfigure->m_idMaps.size() == 4 && !IsSave);
    }

    void refusedRangeDoesNotSwallowTheNextAdd()
    {
        for (const RangeCase &c : std::initializer_list<RangeCase>{
            {"5", "-1", 5024, 5024}, // offset leaves below 1
            {"0", "0", 5023, 5026}, // maximum below minimum
        }) {
            fresh(130200, 0, IdMapPage);
            fillRange("1", c.max, c.offset);
            click("bt_Setup");
            QCOMPARE(spy.texts(), said(c.setMessage));
            click("bt_Add");
            QCOMPARE(spy.texts(), said(c.setMessage) + said(c.addMessage));
            QVERIFY(pConfigure->m_idMaps.isEmpty() && !IsSave);
            spy.clear();
            fillRange("1", "2", "1");
            click("bt_Add");
            QVERIFY(spy.shown().isEmpty());
            QCOMPARE(row("page4_tab", 0), QStringList({"1", "Modbus", "Port1", "1-2<->2-3"}));
        }
    }

    void masterModeMappingNeedsTarget()
    {
        for (const TargetCase &c : std::initializer_list<TargetCase>{
            {"10.0", true, ""}, // half-filled address
            {"0.0.0.0", true, ""}, // all zeros
            {"10.0.0.6", false, "10.0.0.6:502"}, // own port left empty is 502
        }) {
            fresh(130200, 3, IdMapPage);
            w<QCheckBox>("checkBox")->setChecked(c.defaultPort);
            w("lineEdit_Port4")->setText("");
            typeAddress(w<MyIPCtrl>("frame_12"), c.address);
            fillRange("1", "4", "10");
            click("bt_Add");
            QCOMPARE(spy.texts(), c.target.isEmpty() ? said(5028) : QStringList());
            QCOMPARE(IsSave, !c.target.isEmpty());
            QCOMPARE(pConfigure->m_idMaps.isEmpty() ? QString() : mapping(0), c.target.isEmpty() ? QString() : c.target + " 0 1-4 10");
        }
    }

    void modifyCountsOnlyRealChanges()
    {
        for (const ModifyCase &c : std::initializer_list<ModifyCase>{
            {"5", 1, false}, // same values
            {"5", 0, true}, // other port
            {"-5", 1, true}, // only the sign turned
        }) {
            fresh(130200);
            pConfigure->m_idMaps << new CIDMap{"0.0.0.0", "502", 1, 10, 20, false, 5};
            open(IdMapPage);
            w<QTableWidget>("page4_tab")->cellClicked(0, 2);
            fillRange("10", "20", c.offset);
            w<QComboBox>("m_serial2")->setCurrentIndex(c.port);
            click("bt_Modbify");
            QVERIFY(spy.shown().isEmpty());
            QCOMPARE(mapping(0), QStringLiteral("0.0.0.0:502 %1 10-20 %2").arg(c.port).arg(c.offset.toInt()));
            QCOMPARE(IsSave, c.changed);
        }
    }

    void requestFieldChecks()
    {
        for (const FieldCase &c : std::initializer_list<FieldCase>{
            {true, "12a", "0"}, // slave ID with a letter
            {true, "300", "0"}, // slave ID beyond one byte
            {true, "99999999999", "0"}, // slave ID beyond any int
            {true, "255", "255"}, // slave ID 255
            {false, "7", "1"}, // function 7 is no code
        }) {
            fresh(30203, 0, PriorityPage);
            QLineEdit *line = w(c.slaveId ? "lineEdit_slaveid6" : "lineEdit_functioncode6");
            finish(line, c.typed);
            QCOMPARE(line->text(), c.after);
            QCOMPARE(spy.texts(), c.slaveId && c.after != c.typed ? said(5053) : QStringList());
        }
    }

    void priorityRefusalsAndSwitchOnlyModify()
    {
        fresh(30103);
        pConfigure->m_masters << new CSpecifiedMaster{"10.0.0.1", false};
        pConfigure->m_requests << new CSpecifiedRequest{true, "7", true, "3"};
        open(PriorityPage);
        typeAddress(w<MyIPCtrl>("frame_17"), "10.1");
        click("bt_MasterAdd");
        w<QTableWidget>("pag6_Master")->cellClicked(0, 2);
        typeAddress(w<MyIPCtrl>("frame_17"), "0.0.0.0");
        click("bt_MasterModify");
        QCOMPARE(spy.texts(), said(5035) + said(5038));
        QVERIFY(pConfigure->m_masters.size() == 1 && pConfigure->m_masters.first()->m_ip == "10.0.0.1" && !IsSave);
        w<QTableWidget>("pag6_Request")->cellActivated(0, 1);
        w<QCheckBox>("checkBox_5")->setChecked(false);
        click("bt_RequestModify");
        QVERIFY(!pConfigure->m_requests.first()->m_functionOn && IsSave);
    }

    void advancedValuesStoredOnLeave()
    {
        for (const AdvancedCase &c : std::initializer_list<AdvancedCase>{
            {1, QString(), "100", "20", "502 100 20", false}, // master mode fixes 502
            {0, "18801", "100", "20", "502 100 20", true}, // configuration port refused
            {0, "18800", "100", "20", "502 100 20", true}, // port beside it refused
            {0, "", "100", "20", "502 100 20", true}, // emptied port is 502
            {0, "1502", "65535", "65535", "1502 65535 65535", true}, // largest delay and alive time
            {0, "503", "100", "", "503 100 20", false}, // same port, emptied alive time kept
            {0, "503", "1x", "20", "503 100 20", false}, // delay with a letter kept
            {0, "503", "70000", "x", "503 100 20", false}, // delay beyond 65535 kept, alive letter
        }) {
            fresh(130200, c.mode);
            CAdvance &a = pConfigure->m_advance;
            a.m_highPort = "503";
            a.m_serialDelay = 100;
            a.m_aliveTime = 20;
            open(AdvancedPage);
            if (!c.port.isNull())
                finish(w("lineEdit_Port7"), c.port);
            w("lineEdit_DelayTime")->setText(c.delay);
            w("lineEdit_TcpAlive")->setText(c.alive);
            QVERIFY(spy.shown().isEmpty());
            show(PriorityPage);
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(a.m_highPort).arg(a.m_serialDelay).arg(a.m_aliveTime), c.stored);
            QCOMPARE(IsSave, c.changed);
        }
    }

    void retypedPassword()
    {
        for (const PasswordCase &c : std::initializer_list<PasswordCase>{
            {"abc1", "abc2", said(5042), ""}, // different: both emptied
            {"", "abc", {"Please enter a new PassWord"}, ""}, // no new one
        }) {
            fresh(130200);
            pConfigure->m_advance.m_password = "old1";
            open(AdvancedPage);
            w("lineEdit_PassWord")->setText(c.typed);
            finish(w("lineEdit_SureWord"), c.retyped);
            QCOMPARE(spy.texts(), c.messages);
            show(PriorityPage);
            QCOMPARE(pConfigure->m_advance.m_password, c.stored);
        }
    }

    void okAndTheChoiceAfterIt()
    {
        for (const OkCase &c : std::initializer_list<OkCase>{
            {3, "", 1}, // ASCII master without mapping stops
            {0, "bt_cancel", 1}, // cancelled choice keeps the close prompt
            {0, "bt_ok", 0}, // saved choice clears the changes
        }) {
            fresh(130200, c.mode);
            IsSave = true;
            QPointer<Config> editor = new Config;
            QSignalSpy save(editor.data(), &Config::signal_save);
            editor->show();
            tabs(editor)->setCurrentIndex(TimingPage);
            editor->findChild<QLineEdit *>("lineEdit_resptimeout")->setText("1200");
            editor->findChild<QPushButton *>("bt_ok")->click();
            QCOMPARE(spy.texts(), c.choice.isEmpty() ? said(4312) : QStringList());
            Dialog_Load *choice = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *load = qobject_cast<Dialog_Load *>(top); load && load->isVisible())
                    choice = load;
            QCOMPARE(choice != nullptr, !c.choice.isEmpty());
            if (choice) { // the shown page is stored first
                QCOMPARE(pConfigure->m_serial[0].m_respTimeout, 1200);
                choice->findChild<QPushButton *>(c.choice)->click();
            }
            QCOMPARE(save.count(), 1 - c.prompts);
            PromptAnswerer answer("bt_no");
            editor->findChild<QPushButton *>("bt_cancel")->click();
            QTest::qWait(100);
            QCOMPARE(answer.seen, c.prompts);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(editor.isNull());
        }
    }

    void closePromptSavesTheEditsAsTheyStand()
    {
        fresh(130200);
        IsSave = true;
        QPointer<Config> editor = new Config;
        QStringList namesWhenAsked;
        connect(editor->saveDialog(), &Dialog_Save::signal_download, this, [&] { namesWhenAsked << pConfigure->m_name; });
        editor->show();
        tabs(editor)->setCurrentIndex(EthernetPage);
        editor->findChild<QLineEdit *>("lineEdit_Name")->setText("Edited");
        PromptAnswerer answer("bt_yes");
        editor->close();
        QVERIFY(answer.seen == 1 && !IsSave && (!editor || !editor->isVisible()));
        QCOMPARE(namesWhenAsked, QStringList{"Edited"}); // the page left is stored before the save is asked for
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
