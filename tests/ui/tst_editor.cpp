// The configuration editor driven through its widgets: every rule of entering, using and leaving its pages as a
// row, then OK and closing.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "editor/mydialog2.h"
#include "messages/messagetable.h"
#include "support/configfields.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"

#include <QtTest>
#include <QtWidgets>

namespace {
QStringList said(unsigned id) { return {GetStr(id)}; }

// Makes a configuration of `code` current, serial ports as a new one has them.
void installModel(int code, int commMode = 0)
{
    auto *c = new CConfigure;
    c->m_modelCode = code;
    static_cast<CEthernet &>(*c) = {"GW", 0, "192.168.0.10", "255.255.255.0", "192.168.0.1", "0.0.0.0", "0.0.0.0"};
    for (CSerialPort &serial : c->m_serial)
        serial = {3, 0, 0, 0, 10, 300, 0};
    c->m_advance.m_highPort = QStringLiteral("502");
    installConfigure(c);
    g_commMode = commMode;
}

const QString kClear = QStringLiteral("This operation will clear the ID Mapping, whether to continue?");
} // namespace

class TestEditor : public QObject
{
    Q_OBJECT
    MessageSpy spy;
    Config *ed = nullptr;

    template<typename T = QWidget> T *w(const QString &name) const
    {
        T *found = ed->findChild<T *>(name);
        return found ? found : (qFatal("The editor has no %s", qPrintable(name)), nullptr);
    }

    // One user action: "page N", "set|type FIELD=text" (type also finishes the edit), "choose|show LIST=index"
    // (show without the user's choice), "check BOX=0|1", "click BUTTON", "ip CONTROL=a.b.c.d", "row|activate|current
    // TABLE=r" (click, double-click or make current), "yes" (the next question is answered Yes).
    void act(const QString &step)
    {
        const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1), name = arg.section('=', 0, 0), value = arg.section('=', 1);
        if (verb == "page") {
            w<QTabWidget>("tabWidget")->setCurrentIndex(arg.toInt());
        } else if (verb == "set" || verb == "type") {
            w<QLineEdit>(name)->setText(value);
            if (verb == "type")
                Q_EMIT w<QLineEdit>(name)->editingFinished();
        } else if (verb == "choose" || verb == "show") {
            w<QComboBox>(name)->setCurrentIndex(value.toInt());
            if (verb == "choose") // as a click in the open list, also on the item shown
                Q_EMIT w<QComboBox>(name)->activated(value.toInt());
        } else if (verb == "check") {
            w<QCheckBox>(name)->setChecked(value == "1");
        } else if (verb == "click") {
            w<QAbstractButton>(name)->click();
        } else if (verb == "ip") { // the fields beyond the parts given stay empty
            auto *ctrl = w<MyIPCtrl>(name);
            ctrl->clearEdit();
            const QStringList parts = value.split('.', Qt::SkipEmptyParts);
            for (int i = 0; i < parts.size() && i < 4; ++i)
                ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_%1").arg(i))->setText(parts[i]);
        } else if (verb == "row") {
            Q_EMIT w<QTableWidget>(name)->cellClicked(value.toInt(), 0);
        } else if (verb == "activate") {
            Q_EMIT w<QTableWidget>(name)->cellActivated(value.toInt(), 0);
        } else if (verb == "current") {
            w<QTableWidget>(name)->setCurrentCell(value.toInt(), 0);
        } else if (verb == "yes") {
            spy.answerNext(QMessageBox::Yes);
        } else {
            qFatal("no action %s", qPrintable(step));
        }
    }

    // What `key` reads now: "saved" (IsSave), "hints" (notices opened), "on|text|index|count|checked:WIDGET",
    // "row:TABLE.r" (cells joined by |), or a field of the configuration (support/configfields.h).
    QString now(const QString &key) const
    {
        if (key == "saved")
            return QString::number(IsSave);
        if (key == "hints")
            return QString::number(ed->findChildren<MyDialog2 *>().size());
        const QString kind = key.section(':', 0, 0), name = key.section(':', 1);
        if (kind == "row") {
            const auto *table = w<QTableWidget>(name.section('.', 0, 0));
            QStringList cells;
            for (int column = 0, row = name.section('.', 1).toInt(); column < table->columnCount(); ++column)
                cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
            return cells.join('|');
        }
        if (kind == key)
            return ConfigFields::pick(*pConfigure, g_commMode, key + '=').value(0).section('=', 1);
        QWidget *widget = w(name);
        auto *ip = qobject_cast<MyIPCtrl *>(widget);
        if (kind == "on")
            return QString::number((ip ? ip->findChild<QLineEdit *>() : widget)->isEnabled());
        if (kind == "text")
            return ip ? ip->getIP() : qobject_cast<QLineEdit *>(widget)->text();
        if (kind == "checked")
            return QString::number(qobject_cast<QAbstractButton *>(widget)->isChecked());
        auto *box = qobject_cast<QComboBox *>(widget);
        return QString::number(kind == "index" ? box->currentIndex() : box->count());
    }

private Q_SLOTS:
    void init() { IsSetup = false; m_clickList1Item2 = -1; }
    void cleanup()
    {
        delete std::exchange(ed, nullptr);
        installConfigure(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Every rule of entering, using and leaving the pages: a configuration of the model with the row's fields
    // set, an editor opened on it, the user's steps, then what the configuration, the widgets and IsSave hold,
    // and the messages shown.
    void pageRules_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("config"); // fields of the configuration before the editor opens, "mode" included
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("messages"); // ids or texts, "; " between
        const auto row = [](const char *name, int model, const QString &config, const QString &steps, const QString &expected,
                            const QString &messages = QString()) {
            QTest::newRow(name) << model << config << steps << expected << messages;
        };
        const QString fixedLists = "count:m_parityCheck1=5, count:comboBox_EtherNet=3, on:checkBox_2=1, on:checkBox_3=1";
        const QString packedLists = "count:m_parityCheck1=3, count:comboBox_EtherNet=2, on:checkBox_2=0, on:checkBox_3=0";
        const auto ports = [](int n) { return QStringLiteral("count:comboBox_Select1=%1, count:m_serial2=%1, count:combox_SelectPort=%1, ").arg(n); };
        // What each model offers
        row("30103: 1 port, BOOTP, Mark and Space, priority switches", 30103, "", "page 5", ports(1) + fixedLists);
        row("30203: 2 ports", 30203, "", "page 5", ports(2) + fixedLists);
        row("130100: 1 port, no BOOTP, three parities, no switches", 130100, "", "page 5", ports(1) + packedLists);
        row("130200: 2 ports", 130200, "", "page 5", ports(2) + packedLists);
        row("130400: 4 ports", 130400, "", "page 5", ports(4) + packedLists);
        row("130800: 8 ports", 130800, "", "page 5", ports(8) + packedLists);
        row("131600: 16 ports", 131600, "", "page 5", ports(16) + packedLists);
        row("outside the catalogue: 16 ports", 0, "", "page 5", ports(16) + packedLists);
        row("hints on pages 3 to 6, once each", 0, "", "page 1; page 2; page 3; page 4; page 3; page 5; page 6; page 5", "hints=4, saved=0");
        // Mode page
        row("entry checks RTU master", 0, "mode=1", "", "checked:RD_RTU_Master=1");
        row("entry checks ASCII slave", 0, "mode=2", "", "checked:RD_ASCII_Slave=1");
        row("entry checks ASCII master", 0, "mode=3", "", "checked:RD_ASCII_Master=1");
        row("entry of mode 7 checks RTU slave", 0, "mode=7", "", "checked:RD_RTU_Slave=1");
        row("RTU to ASCII slave: no question", 0, "maps=3", "click RD_ASCII_Slave", "mode=2, maps=3, saved=1");
        row("ASCII to RTU master: no question", 0, "mode=3, maps=3", "click RD_RTU_Master", "mode=1, maps=3, saved=1");
        row("slave to master, Yes: mappings cleared", 0, "maps=3", "page 3; page 0; yes; click RD_RTU_Master; page 3",
            "mode=1, maps=0, saved=1, row:page4_tab.0=|||", kClear);
        row("slave to master, No: nothing changes", 0, "maps=3", "click RD_ASCII_Master", "mode=0, maps=3, checked:RD_RTU_Slave=1, saved=0", kClear);
        row("master to slave asks too", 0, "mode=3, maps=1", "yes; click RD_ASCII_Slave", "mode=2, maps=0", kClear);
        row("the checked mode clicked again is a change", 0, "", "click RD_RTU_Slave", "mode=0, saved=1");
        // Ethernet page
        row("static: address, mask, gateway editable, DNS never", 30203, "dns1=8.8.8.8", "page 1",
            "text:lineEdit_Name=GW, text:ipCtrl_IP=192.168.0.10, text:ipCtrl_DNS1=8.8.8.8, index:comboBox_EtherNet=0, on:ipCtrl_IP=1, "
            "on:ipCtrl_Mask=1, on:ipCtrl_Gateway=1, on:ipCtrl_DNS1=0, on:ipCtrl_DNS2=0");
        row("DHCP: all five greyed", 130200, "ipMode=1", "page 1", "index:comboBox_EtherNet=1, on:ipCtrl_IP=0, on:ipCtrl_Mask=0, on:ipCtrl_Gateway=0, on:ipCtrl_DNS1=0");
        row("BOOTP on a fixed model", 30203, "ipMode=2", "page 1", "index:comboBox_EtherNet=2, on:ipCtrl_IP=0, on:ipCtrl_Gateway=0");
        row("choosing DHCP greys the addresses, stored on leaving", 130200, "", "page 1; choose comboBox_EtherNet=1",
            "on:ipCtrl_IP=0, on:ipCtrl_Mask=0, on:ipCtrl_DNS2=0, ipMode=0, saved=1");
        row("DHCP chosen is stored on leaving", 130200, "", "page 1; choose comboBox_EtherNet=1; page 2", "ipMode=1, ip=192.168.0.10");
        row("choosing Manually Assign enables them again", 30203, "ipMode=2", "page 1; choose comboBox_EtherNet=0; page 2",
            "ipMode=0, saved=1");
        row("choosing the stored mode is no change", 130200, "ipMode=1", "page 1; choose comboBox_EtherNet=1; page 2", "ipMode=1, saved=0");
        row("passing through changes nothing", 30203, "ipMode=2, dns2=1.2.3.4", "page 1; page 2",
            "ipMode=2, name=GW, ip=192.168.0.10, dns2=1.2.3.4, saved=0");
        row("name of 20 characters", 130200, "", "page 1; type lineEdit_Name=ABCDEFGHIJKLMNOPQRST; page 2", "name=ABCDEFGHIJKLMNOPQRST, saved=1");
        row("name of 21 characters refused and emptied", 130200, "", "page 1; type lineEdit_Name=ABCDEFGHIJKLMNOPQRSTU",
            "text:lineEdit_Name=, name=GW, saved=0", "5051");
        row("name of 21 characters: empty on leaving", 130200, "", "page 1; set lineEdit_Name=ABCDEFGHIJKLMNOPQRSTU; page 2", "name=, saved=1");
        row("name cut at a blank", 130200, "", "page 1; type lineEdit_Name=Cabinet 3; page 2", "name=Cabinet, saved=1", "5052");
        row("name starting with a blank", 130200, "", "page 1; type lineEdit_Name= GW; page 2", "name=, saved=1", "5052");
        row("same name before a blank is no change", 130200, "", "page 1; type lineEdit_Name=GW 2; page 2", "name=GW, saved=0", "5052");
        row("typed addresses stored on leaving", 130200, "", "page 1; ip ipCtrl_IP=10.0.0.5; ip ipCtrl_Gateway=10.0; page 2",
            "ip=10.0.0.5, gateway=, mask=255.255.255.0, saved=1");
        // Serial page
        row("entry shows port 1", 30203, "s1.baud=5, s1.parity=4, s1.stop=1", "page 2",
            "index:m_baudRate1=5, index:m_parityCheck1=4, index:m_stopBit1=1, index:m_dataBit1=0, saved=0");
        row("choosing port 3 shows port 3", 130400, "s3.baud=7, s3.parity=1, s3.stop=1", "page 2; choose comboBox_Select1=2",
            "index:m_baudRate1=7, index:m_parityCheck1=1, index:m_stopBit1=1");
        row("a baud rate chosen is stored at once", 130400, "", "page 2; choose comboBox_Select1=2; choose m_baudRate1=4",
            "s3.baud=4, s1.baud=3, saved=1");
        row("the stored baud rate chosen is no change", 130400, "", "page 2; choose m_baudRate1=3", "s1.baud=3, saved=0");
        row("parity and stop bits chosen", 30203, "", "page 2; choose comboBox_Select1=1; choose m_parityCheck1=4; choose m_stopBit1=1",
            "s2.parity=4, s2.stop=1, s1.parity=0, saved=1");
        row("Apply To All: every port, data bits 8, no change mark", 0, "",
            "page 2; show m_baudRate1=5; show m_parityCheck1=2; show m_stopBit1=1; click pushButton_apply0",
            "s1.baud=5, s16.baud=5, s16.parity=2, s16.stop=1, s16.data=8, saved=0");
        // A stored value the model's list lacks shows as no selection, never as the port shown before; walking
        // every page then changes nothing, not even a name with a blank or an address that is no dotted quad.
        row("Space on a fixed model is shown", 30203, "s1.parity=2, s2.parity=4", "page 2; choose comboBox_Select1=1", "index:m_parityCheck1=4");
        row("Space on a packed model shows as none", 130400, "s1.parity=2, s2.parity=4", "page 2; choose comboBox_Select1=1", "index:m_parityCheck1=-1");
        row("Mark on port 4 shows as none", 130400, "s1.parity=2, s4.parity=3", "page 2; choose comboBox_Select1=3", "index:m_parityCheck1=-1");
        row("a rate outside the list shows as none", 130400, "s1.baud=5, s3.baud=9", "page 2; choose comboBox_Select1=2", "index:m_baudRate1=-1");
        row("a stop word outside the list shows as none", 130400, "s1.stop=1, s2.stop=2", "page 2; choose comboBox_Select1=1", "index:m_stopBit1=-1");
        row("BOOTP on a packed model shows as none", 130400, "ipMode=2", "page 1", "index:comboBox_EtherNet=-1");
        row("passing through a packed model's pages changes nothing", 130400,
            "s1.parity=2, s2.parity=4, s2.stop=2, s3.baud=9, s1.resp=100, ipMode=2, name=Line 3, gateway=10.0.0",
            "page 1; page 2; choose comboBox_Select1=1; choose comboBox_Select1=2; page 3; page 4; page 5; page 6; page 0; page 1; page 2",
            "s2.parity=4, s2.stop=2, s3.baud=9, s1.resp=100, ipMode=2, name=Line 3, gateway=10.0.0, saved=0");
        row("passing through a fixed model's pages changes nothing", 30203, "s1.parity=2, s2.parity=4, s1.resp=100, ipMode=2",
            "page 1; page 2; choose comboBox_Select1=1; page 3; page 4; page 5; page 6; page 0; page 1; page 2",
            "s2.parity=4, s1.parity=2, s1.resp=100, ipMode=2, saved=0");
        // Timing page
        row("entry shows port 1", 130200, "s1.char=20, s1.resp=500, s1.delay=100", "page 4",
            "text:lineEdit_chartimeout=20, text:lineEdit_resptimeout=500, text:lineEdit_delaypolls=100");
        row("choosing port 9 shows port 9", 0, "s9.resp=700", "page 4; choose combox_SelectPort=8", "text:lineEdit_resptimeout=700");
        row("time between characters 1 and 30000 kept", 130200, "", "page 4; type lineEdit_chartimeout=1; choose combox_SelectPort=1; "
            "type lineEdit_chartimeout=30000", "s1.char=1, s2.char=30000, saved=1");
        row("time between characters 0 and 30001 are 1", 130200, "s1.char=7, s2.char=7", "page 4; type lineEdit_chartimeout=0; "
            "choose combox_SelectPort=1; type lineEdit_chartimeout=30001", "text:lineEdit_chartimeout=1, s1.char=1, s2.char=1");
        row("response timeout 300 and 60000 kept", 130200, "s1.resp=900, s2.resp=900", "page 4; type lineEdit_resptimeout=300; "
            "choose combox_SelectPort=1; type lineEdit_resptimeout=60000", "s1.resp=300, s2.resp=60000");
        row("response timeout 299 and 60001 are 300", 130200, "s1.resp=900, s2.resp=900", "page 4; type lineEdit_resptimeout=299; "
            "choose combox_SelectPort=1; type lineEdit_resptimeout=60001", "text:lineEdit_resptimeout=300, s1.resp=300, s2.resp=300");
        row("delay between polls 60000 kept, 60001 is 0", 130200, "s1.delay=9", "page 4; type lineEdit_delaypolls=60000; "
            "choose combox_SelectPort=1; type lineEdit_delaypolls=60001", "s1.delay=60000, s2.delay=0, text:lineEdit_delaypolls=0");
        row("the stored value typed again is no change", 130200, "", "page 4; type lineEdit_resptimeout=300", "s1.resp=300, saved=0");
        row("leaving corrects and stores the shown port", 0, "", "page 4; choose combox_SelectPort=8; set lineEdit_resptimeout=5; page 2",
            "s9.resp=300, s9.char=10, text:lineEdit_resptimeout=300");
        row("leaving stores a value typed without finishing", 130200, "", "page 4; set lineEdit_delaypolls=70; page 2", "s1.delay=70, saved=1");
        row("Apply To All corrects and sets every port, no change mark", 0, "", "page 4; set lineEdit_chartimeout=; "
            "set lineEdit_resptimeout=100; set lineEdit_delaypolls=250; click bt_apply1",
            "text:lineEdit_chartimeout=1, text:lineEdit_resptimeout=300, s1.char=1, s16.char=1, s16.resp=300, s16.delay=250, saved=0");
        // ID mapping page
        const QString form = "set lineEdit_min=10; set lineEdit_max=20; set lineEdit_offset=-5; ", form5 = QString(form).replace("-5", "5");
        const QString target = "map1.ip=10.0.0.6, map1.port=1502, map1.min=1, map1.max=4, map1.offset=10";
        row("slave mode: port list on, target off", 130200, "", "page 3",
            "on:m_serial2=1, on:frame_12=0, text:frame_12=, on:lineEdit_Port4=0, text:lineEdit_Port4=502");
        row("master mode: target on, port list off", 130200, "mode=1", "page 3", "on:m_serial2=0, on:frame_12=1, checked:checkBox=1, on:lineEdit_Port4=0");
        row("rows of the stored entries", 130200, "map1.ip=0.0.0.0, map1.serial=1, map1.min=10, map1.max=20, map1.neg=1, map1.offset=5, " + QString(target).replace("map1", "map2"),
            "page 3", "row:page4_tab.0=1|Modbus|Port2|10-20<->5-15, row:page4_tab.1=2|Modbus TCP|10.0.0.6:1502|1-4<->11-14");
        row("a stored range outside 1-247 shows as 1s", 130200, "map1.ip=0.0.0.0, map1.min=0, map1.max=3", "page 3", "row:page4_tab.0=1|Modbus|Port1|1-1<->1-1");
        row("Set shows the actual range", 130200, "", "page 3; " + form + "click bt_Setup", "text:lineEdit_slave=5-15, maps=0, saved=0");
        row("Set: actual range ending at 247", 130200, "", "page 3; set lineEdit_min=1; set lineEdit_max=200; set lineEdit_offset=47; click bt_Setup",
            "text:lineEdit_slave=48-247");
        row("Set: actual range ending at 248 refused", 130200, "", "page 3; set lineEdit_min=1; set lineEdit_max=201; set lineEdit_offset=47; "
            "click bt_Setup; click bt_Add", "text:lineEdit_slave=, maps=0", "5024; 5024");
        row("Set: actual range starting at 0 refused", 130200, "", "page 3; set lineEdit_min=1; set lineEdit_offset=-1; click bt_Setup",
            "text:lineEdit_slave=", "5024");
        row("Set and Add: maximum below minimum", 130200, "", "page 3; set lineEdit_min=5; set lineEdit_max=3; click bt_Setup; click bt_Add",
            "maps=0, saved=0", "5023; 5026");
        row("Add on the second port", 130200, "", "page 3; " + form + "choose m_serial2=1; click bt_Add",
            "row:page4_tab.0=1|Modbus|Port2|10-20<->5-15, map1.ip=0.0.0.0, map1.port=502, map1.serial=1, map1.min=10, map1.max=20, "
            "map1.neg=1, map1.offset=5, saved=1");
        row("Add with offset 0 is positive", 130200, "", "page 3; set lineEdit_offset=0; click bt_Add",
            "map1.neg=0, map1.offset=0, row:page4_tab.0=1|Modbus|Port1|1-1<->1-1");
        row("a refused Add does not swallow the next", 130200, "", "page 3; set lineEdit_max=5; set lineEdit_offset=-1; click bt_Add; "
            "set lineEdit_max=2; set lineEdit_offset=1; click bt_Add", "maps=1, row:page4_tab.0=1|Modbus|Port1|1-2<->2-3", "5024");
        row("130100: the fifth mapping refused", 130100, "maps=4", "page 3; click bt_Add", "maps=4, saved=0", "5025");
        row("130400: 36 mappings, the 37th refused", 130400, "maps=35", "page 3; click bt_Add; click bt_Add", "maps=36, saved=1", "5025");
        row("master mode: half an address refused", 130200, "mode=1", "page 3; ip frame_12=10.0; click bt_Add", "maps=0, saved=0", "5028");
        row("master mode: 0.0.0.0 refused", 130200, "mode=3", "page 3; ip frame_12=0.0.0.0; click bt_Add", "maps=0", "5028");
        row("master mode: an emptied own port is 502", 130200, "mode=1", "page 3; check checkBox=0; set lineEdit_Port4=; ip frame_12=10.0.0.6; "
            "set lineEdit_min=1; set lineEdit_max=4; set lineEdit_offset=10; click bt_Add", "map1.ip=10.0.0.6, map1.port=502, saved=1");
        row("master mode: own port", 130200, "mode=1", "page 3; check checkBox=0; set lineEdit_Port4=1502; ip frame_12=10.0.0.6; "
            "set lineEdit_min=1; set lineEdit_max=4; set lineEdit_offset=10; click bt_Add", "row:page4_tab.0=1|Modbus TCP|10.0.0.6:1502|1-4<->11-14, "
            + target);
        row("Use Default Port", 130200, "mode=1", "page 3; check checkBox=0; set lineEdit_Port4=1502; check checkBox=1",
            "text:lineEdit_Port4=502, on:lineEdit_Port4=0");
        const QString stored = "map1.ip=0.0.0.0, map1.port=502, map1.serial=1, map1.min=10, map1.max=20, map1.offset=5";
        row("Modify without a selection does nothing", 130200, stored, "page 3; " + form + "click bt_Modbify", "map1.neg=0, saved=0");
        row("Modify with the same values is no change", 130200, stored, "page 3; row page4_tab=0; " + form5 + "click bt_Modbify",
            "map1.neg=0, map1.offset=5, saved=0");
        row("Modify to another port", 130200, stored, "page 3; row page4_tab=0; " + form5 + "choose m_serial2=0; click bt_Modbify",
            "map1.serial=0, saved=1, row:page4_tab.0=1|Modbus|Port1|10-20<->15-25");
        row("Modify of the sign alone", 130200, stored, "page 3; row page4_tab=0; " + form + "click bt_Modbify", "map1.neg=1, saved=1");
        row("Modify in master mode without address", 130200, "mode=1, " + target, "page 3; row page4_tab=0; ip frame_12=0.0.0.0; click bt_Modbify",
            "map1.ip=10.0.0.6, saved=0", "5031");
        row("Modify ignores the limit", 130100, "maps=4", "page 3; row page4_tab=3; click bt_Modbify", "maps=4, map4.min=1, map4.max=1, saved=1");
        row("Delete renumbers the rows below", 130200, "map1.min=1, map2.min=2, map3.min=3, map3.max=3", "page 3; row page4_tab=1; click bt_Delete",
            "maps=2, map2.min=3, row:page4_tab.1=2|Modbus TCP|:|3-3<->3-3, row:page4_tab.2=|||, saved=1");
        row("Delete without a selection does nothing", 130200, "maps=2", "page 3; click bt_Delete", "maps=2, saved=0");
        row("clicked entry of a port beyond the list", 130200, "map1.ip=0.0.0.0, map1.serial=2", "page 3; row page4_tab=0; click bt_Delete",
            "maps=1, saved=0", "Index is Error");
        row("clicked entry in master mode shows its target", 130200, "mode=1, " + target, "page 3; row page4_tab=0",
            "text:frame_12=10.0.0.6, checked:checkBox=0, text:lineEdit_Port4=1502, on:lineEdit_Port4=1, text:lineEdit_slave=11-14");
        row("clicked entry in slave mode selects its port", 130400, "map1.ip=0.0.0.0, map1.serial=3, map1.min=5, map1.max=6, map1.neg=1, map1.offset=2",
            "page 3; row page4_tab=0", "index:m_serial2=3, text:frame_12=, checked:checkBox=1, text:lineEdit_slave=3-4");
        row("ports beyond the second: the family's label, then Port3", 130400, "", "page 3; choose m_serial2=2; click bt_Add",
            "row:page4_tab.0=1|Modbus|串口3|1-1<->2-2");
        row("re-entered: Port3", 130400, "", "page 3; choose m_serial2=2; click bt_Add; page 4; page 3", "row:page4_tab.0=1|Modbus|Port3|1-1<->2-2");
        // Priority control page
        row("master mode: everything off", 30203, "mode=1, masters=1, requests=1", "page 5",
            "checked:checkBox_2=0, on:checkBox_2=0, checked:checkBox_3=0, on:checkBox_3=0, on:frame_17=0, on:bt_MasterAdd=0, on:bt_RequestAdd=0");
        row("masters listed: their group on", 30203, "masters=1", "page 5",
            "checked:checkBox_2=1, on:frame_17=1, on:bt_MasterAdd=1, on:bt_MasterDelete=1, checked:checkBox_3=0, on:checkBox_4=0, on:bt_RequestAdd=0");
        row("requests listed: their group on, fields by their boxes", 30103, "req1.slaveOn=1, req1.slave=7", "page 5",
            "checked:checkBox_3=1, on:checkBox_4=1, on:checkBox_5=1, on:lineEdit_slaveid6=0, on:bt_RequestModify=1, row:pag6_Request.0=1|7|");
        row("nothing listed: boxes usable, unchecked", 30203, "", "page 5", "on:checkBox_2=1, checked:checkBox_2=0, on:bt_MasterAdd=0");
        row("packed model: boxes off, entries still listed", 130200, "master1.ip=10.0.0.1", "page 5",
            "on:checkBox_2=0, on:checkBox_3=0, row:pag6_Master.0=1|Modbus TCP|10.0.0.1");
        row("Specify Request switches", 30203, "", "page 5; check checkBox_3=1; check checkBox_5=1",
            "on:checkBox_4=1, on:lineEdit_slaveid6=0, on:lineEdit_functioncode6=1, on:bt_RequestAdd=1");
        row("Specify Request switched off", 30203, "requests=1", "page 5; check checkBox_4=1; check checkBox_3=0",
            "on:checkBox_4=0, on:lineEdit_slaveid6=0, on:bt_RequestAdd=0, requests=1");
        row("slave ID with a letter, then beyond a byte", 30203, "", "page 5; type lineEdit_slaveid6=12a; type lineEdit_slaveid6=256",
            "text:lineEdit_slaveid6=0", "5053; 5053");
        row("slave ID 255, empty left alone", 30203, "", "page 5; type lineEdit_slaveid6=255; type lineEdit_functioncode6=16",
            "text:lineEdit_slaveid6=255, text:lineEdit_functioncode6=16");
        row("function code 7 is 1", 30203, "", "page 5; type lineEdit_functioncode6=7", "text:lineEdit_functioncode6=1");
        row("function code emptied is 1", 30203, "", "page 5; type lineEdit_functioncode6=", "text:lineEdit_functioncode6=1");
        row("the 36th master", 30203, "masters=35", "page 5; ip frame_17=10.0.0.9; click bt_MasterAdd",
            "masters=36, master36.ip=10.0.0.9, master36.serial2=0, row:pag6_Master.35=36|Modbus TCP|10.0.0.9, saved=1");
        row("the 37th master refused", 30103, "masters=36", "page 5; ip frame_17=10.0.0.9; click bt_MasterAdd", "masters=36, saved=0", "5025");
        row("packed model: the fifth master refused", 130400, "masters=4", "page 5; ip frame_17=10.0.0.9; click bt_MasterAdd", "masters=4", "5025");
        row("master without address", 30203, "masters=1", "page 5; ip frame_17=10.1; click bt_MasterAdd; ip frame_17=0.0.0.0; click bt_MasterAdd",
            "masters=1, saved=0", "5035; 5035");
        row("Modify of a master", 30203, "master1.ip=10.0.0.1", "page 5; row pag6_Master=0; ip frame_17=10.0.0.2; click bt_MasterModify",
            "master1.ip=10.0.0.2, saved=1");
        row("Modify of a master to 0.0.0.0", 30203, "master1.ip=10.0.0.1", "page 5; row pag6_Master=0; ip frame_17=0.0.0.0; click bt_MasterModify",
            "master1.ip=10.0.0.1, saved=0", "5038");
        row("a master activated shows its address", 30203, "master1.ip=10.0.0.1", "page 5; activate pag6_Master=0", "text:frame_17=10.0.0.1");
        row("Delete of the current master", 30203, "masters=2, master2.ip=10.0.0.2", "page 5; current pag6_Master=0; click bt_MasterDelete",
            "masters=1, master1.ip=10.0.0.2, row:pag6_Master.0=1|Modbus TCP|10.0.0.2, saved=1");
        row("Delete without a current row", 30203, "masters=2", "page 5; click bt_MasterDelete", "masters=2, saved=0");
        row("request of a slave ID alone", 30203, "", "page 5; check checkBox_3=1; check checkBox_4=1; set lineEdit_slaveid6=5; click bt_RequestAdd",
            "row:pag6_Request.0=1|5|, req1.slaveOn=1, req1.slave=5, req1.funcOn=0, req1.func=, saved=1");
        row("incomplete request: nothing", 30203, "", "page 5; check checkBox_3=1; check checkBox_4=1; set lineEdit_functioncode6=3; "
            "click bt_RequestAdd", "requests=0, saved=0");
        row("the 37th request refused", 30203, "requests=36", "page 5; check checkBox_5=1; set lineEdit_functioncode6=3; click bt_RequestAdd",
            "requests=36", "5025");
        row("a request activated fills the form", 30203, "req1.slaveOn=1, req1.slave=7, req1.funcOn=1, req1.func=3", "page 5; activate pag6_Request=0",
            "checked:checkBox_4=1, text:lineEdit_slaveid6=7, checked:checkBox_5=1, text:lineEdit_functioncode6=3, on:lineEdit_functioncode6=1");
        row("Modify of a request's switch alone", 30103, "req1.slaveOn=1, req1.slave=7, req1.funcOn=1, req1.func=3",
            "page 5; activate pag6_Request=0; check checkBox_5=0; click bt_RequestModify", "req1.funcOn=0, req1.slave=7, saved=1");
        row("Delete of the current request", 30203, "requests=2, req2.slave=9", "page 5; current pag6_Request=0; click bt_RequestDelete",
            "requests=1, req1.slave=9, saved=1");
        // Advanced page
        row("entry shows the stored values", 130200, "highPort=1502, serialDelay=70, password=pw1, keepAlive=0, alive=40, range2.on=1, "
            "range2.low=10.0.0.1, range2.high=10.0.0.9", "page 6", "text:lineEdit_Port7=1502, checked:checkBox_6=0, on:lineEdit_Port7=1, "
            "text:lineEdit_DelayTime=70, text:lineEdit_PassWord=pw1, text:lineEdit_SureWord=pw1, checked:checkBox_7=0, text:lineEdit_TcpAlive=40, "
            "checked:checkBox_9=1, on:frame_28=1, text:frame_28=10.0.0.1, text:frame_30=10.0.0.9, checked:checkBox_8=0, on:frame_24=0, saved=0");
        row("entry with port 502: default box checked", 130200, "", "page 6", "checked:checkBox_6=1, on:lineEdit_Port7=0, on:lineEdit_DelayTime=1");
        row("master mode: port 502, fixed", 130200, "mode=3, highPort=1502", "page 6",
            "highPort=502, text:lineEdit_Port7=502, on:lineEdit_Port7=0, on:checkBox_6=0, on:lineEdit_DelayTime=0");
        row("port 18801 is 502", 130200, "", "page 6; check checkBox_6=0; type lineEdit_Port7=18801; page 5", "text:lineEdit_Port7=502, highPort=502");
        row("port 18800 is 502", 130200, "", "page 6; check checkBox_6=0; type lineEdit_Port7=18800; page 5", "highPort=502");
        row("own port", 130200, "", "page 6; check checkBox_6=0; type lineEdit_Port7=1502; page 5", "highPort=1502, saved=1");
        row("emptied port is 502", 130200, "highPort=1502", "page 6; type lineEdit_Port7=; page 5", "highPort=502, saved=1");
        row("Use Default Port puts 502 back", 130200, "highPort=1502", "page 6; check checkBox_6=1; page 5", "highPort=502, on:lineEdit_Port7=0");
        row("retyped password differs", 130200, "password=old1", "page 6; set lineEdit_PassWord=abc1; type lineEdit_SureWord=abc2",
            "text:lineEdit_PassWord=, text:lineEdit_SureWord=, password=old1", "5042");
        row("differing password stored empty on leaving", 130200, "password=old1", "page 6; set lineEdit_PassWord=abc1; type lineEdit_SureWord=abc2; "
            "page 5", "password=, saved=1", "5042");
        row("unconfirmed password not stored", 130200, "password=old1", "page 6; set lineEdit_PassWord=abc1; page 5", "password=, saved=1");
        row("confirmed password stored", 130200, "password=old1", "page 6; set lineEdit_PassWord=abc1; type lineEdit_SureWord=abc1; page 5",
            "password=abc1, saved=1");
        row("retype without a new password", 130200, "password=old1", "page 6; set lineEdit_PassWord=; type lineEdit_SureWord=abc",
            "password=old1", "Please enter a new PassWord");
        row("delay and alive time 65535, keep-alive off", 130200, "", "page 6; set lineEdit_DelayTime=65535; set lineEdit_TcpAlive=65535; "
            "check checkBox_7=0; page 5", "serialDelay=65535, alive=65535, keepAlive=0, saved=1");
        row("delay 65536 and alive time 0 keep the stored values", 130200, "serialDelay=100, alive=20", "page 6; set lineEdit_DelayTime=65536; "
            "set lineEdit_TcpAlive=0; page 5", "serialDelay=100, alive=20, saved=0");
        row("emptied and mistyped fields keep the stored values", 130200, "serialDelay=100, alive=20", "page 6; set lineEdit_DelayTime=1x; "
            "set lineEdit_TcpAlive=; page 5", "serialDelay=100, alive=20, saved=0");
        row("range with both addresses stored on", 130200, "", "page 6; check checkBox_13=1; ip frame_44=10.0.0.1; ip frame_46=10.0.0.9; page 5",
            "range6.on=1, range6.low=10.0.0.1, range6.high=10.0.0.9, saved=1");
        row("range with an incomplete end stored off", 130200, "", "page 6; check checkBox_8=1; ip frame_24=10.0.0.1; ip frame_26=10.0; page 5",
            "range1.on=0, range1.low=10.0.0.1, range1.high=, saved=1");
        row("range switched off stored off", 130200, "range3.on=1, range3.low=10.0.0.1, range3.high=10.0.0.9", "page 6; check checkBox_10=0; page 5",
            "range3.on=0");
        row("factory settings of a two-port gateway", 130200, "mode=2, name=Old, ipMode=0, s16.baud=7, alive=20, maps=2, masters=1, requests=1",
            "page 6; yes; click bt_ReNewAll", "mode=0, name=KX500-DL-2RS, ipMode=1, ip=192.168.0.10, mask=255.255.255.0, gateway=192.168.0.1, "
            "dns1=0.0.0.0, s16.baud=3, s16.char=10, alive=8, highPort=502, maps=0, masters=0, requests=0, saved=0", "5011");
        row("factory settings of a fixed-layout gateway", 30203, "alive=20", "page 6; yes; click bt_ReNewAll",
            "name=KX500-EN-2RS485(Modbus TCP), alive=30", "5011");
        row("factory settings declined", 130200, "name=Old, maps=2", "page 6; click bt_ReNewAll", "name=Old, maps=2", "5011");
    }

    void pageRules()
    {
        QFETCH(int, model);
        QFETCH(QString, config);
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        QFETCH(QString, messages);
        installModel(model);
        ConfigFields::apply(*pConfigure, g_commMode, config);
        IsSave = IsTrue = false;
        spy.clear();
        ed = new Config;
        for (const QString &step : steps.split(QStringLiteral("; "), Qt::SkipEmptyParts))
            act(step);
        QStringList seen;
        for (const QString &key : ConfigFields::split(expected))
            seen << key.section('=', 0, 0) + '=' + now(key.section('=', 0, 0));
        QCOMPARE(seen, ConfigFields::split(expected));
        QStringList shown;
        for (const QString &m : messages.split(QStringLiteral("; "), Qt::SkipEmptyParts))
            shown << (m.toUInt() ? GetStr(m.toUInt()) : m);
        QCOMPARE(spy.texts(), shown);
    }

    // OK stores the shown page and offers the choice; in a master mode without mappings it stops.
    void okAndTheChoiceAfterIt()
    {
        struct OkCase { int mode; QString choice; int prompts; }; // no choice: OK refused
        for (const OkCase &c : std::initializer_list<OkCase>{
            {3, "", 1}, // ASCII master without mapping stops
            {0, "bt_cancel", 1}, // cancelled choice keeps the close prompt
            {0, "bt_ok", 0}, // saved choice clears the changes
        }) {
            installModel(130200, c.mode);
            spy.clear();
            IsSave = true;
            QPointer<Config> editor = new Config;
            QSignalSpy save(editor.data(), &Config::signal_save);
            editor->show();
            editor->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(4);
            editor->findChild<QLineEdit *>("lineEdit_resptimeout")->setText("1200");
            editor->findChild<QPushButton *>("bt_ok")->click();
            QCOMPARE(spy.texts(), c.choice.isEmpty() ? said(4312) : QStringList());
            Dialog_Load *choice = GatewayBench::visible<Dialog_Load>().value(0);
            QCOMPARE(choice != nullptr, !c.choice.isEmpty());
            if (choice) { // the shown page is stored first
                QCOMPARE(pConfigure->m_serial[0].m_respTimeout, 1200);
                choice->findChild<QPushButton *>(c.choice)->click();
            }
            QCOMPARE(save.count(), 1 - c.prompts);
            GatewayBench::ModalAnswerer answer([](QWidget *m) {
                auto *prompt = qobject_cast<Dialog_Save *>(m);
                if (prompt)
                    prompt->findChild<QPushButton *>("bt_no")->click();
                return prompt != nullptr;
            });
            editor->findChild<QPushButton *>("bt_cancel")->click();
            QCOMPARE(answer.handled(), c.prompts);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(editor.isNull());
        }
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
