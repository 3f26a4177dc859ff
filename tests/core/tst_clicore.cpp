// The core pieces the command-line tool stands on: address ranges, settings by ".inf" key and their differences, what
// a gateway reports after a write, the overrides of a write, and the decoded Modbus reply.
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "config/newconfigure.h"
#include "config/settinglist.h"
#include "config/settingoverride.h"
#include "diagnostics/modbusrequest.h"
#include "discovery/addressrange.h"
#include "messages/messagetable.h"

#include <QtTest>

#include <functional>

namespace {

// A new KX500-DL-2RS configuration with two ID mappings and a master bound to serial port 2.
void base(CConfigure &c)
{
    NewConfigure::fill(c, 130200, QStringLiteral("KX500-DL-2RS"));
    for (int i = 0; i < 2; ++i)
        c.m_idMaps.append(new CIDMap{"0.0.0.0", "502", i, 1, 10, false, 0});
    c.m_masters.append(new CSpecifiedMaster{"10.0.0.9", true});
}

QStringList keys(const QVector<SettingList::Difference> &differences)
{
    QStringList list;
    for (const SettingList::Difference &d : differences)
        list << d.key;
    return list;
}

QString valueOf(const SettingList::List &settings, const QString &key)
{
    for (const SettingList::Setting &s : settings)
        if (s.key == key)
            return s.value;
    return QStringLiteral("<absent>");
}

} // namespace

class TestCliCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addressRanges()
    {
        // ranges; addresses asked, first and last of them; or the start of the error
        const QList<std::tuple<QStringList, int, QString, QString>> rows{
            {{"10.1.2.0/24"}, 256, "10.1.2.0", "10.1.2.255"},
            {{"10.1.2.77/30"}, 4, "10.1.2.76", "10.1.2.79"}, // a block named by any of its addresses
            {{"10.1.2.10-10.1.2.60"}, 51, "10.1.2.10", "10.1.2.60"},
            {{"10.1.2.3/32", "10.1.2.3-10.1.2.3"}, 1, "10.1.2.3", "10.1.2.3"},
            {{"10.1.2.4/30", "10.1.2.2-10.1.2.5"}, 6, "10.1.2.4", "10.1.2.3"}, // each address asked once
            {{"10.0.0.0/20"}, 4096, "10.0.0.0", "10.0.15.255"},
            {{"10.0.0.0/20", "10.1.0.0/32"}, 0, "too many addresses: the ranges hold 4097", ""},
            {{"0.0.0.0/0"}, 0, "too many addresses: the ranges hold 4294967296", ""},
            {{"10.1.2.0/33"}, 0, "malformed range", ""}, {{"10.1.2.0/"}, 0, "malformed range", ""},
            {{"10.1.2/24"}, 0, "malformed range", ""}, {{"10.1.2.256/24"}, 0, "malformed range", ""},
            {{"10.1.2.1-"}, 0, "malformed range", ""}, {{"10.1.2.60-10.1.2.10"}, 0, "malformed range", ""},
            {{"10.1.2.0/24", "1.2.3.4-1.2.3.5-1.2.3.6"}, 0, "malformed range", ""}};
        for (const auto &[ranges, count, first, last] : rows) {
            const AddressRange::Parsed parsed = AddressRange::parse(ranges, 4096);
            QCOMPARE(parsed.addresses.size(), count);
            QVERIFY2(parsed.ok() == (count > 0) && parsed.error.startsWith(count > 0 ? QString() : first), qPrintable(parsed.error));
            if (count > 0)
                QCOMPARE(parsed.addresses.first().toString() + ' ' + parsed.addresses.last().toString(), first + ' ' + last);
        }
        const QList<std::pair<QString, QString>> addresses{{"192.168.0.10", "192.168.0.10"}, {"010.0.0.255", "10.0.0.255"},
            {"1.2.3", ""}, {"1.2.3.4.5", ""}, {"1.2..4", ""}, {"1.2.3.256", ""}, {"1.2.3.x", ""}, {"+1.2.3.4", ""}, {"1.2.3.4 ", ""}};
        for (const auto &[text, parsed] : addresses)
            QCOMPARE(AddressRange::parseAddress(text).toString(), parsed);
    }

    void settingDifferences()
    {
        using Change = std::function<void(CConfigure &)>;
        const QList<std::tuple<const char *, Change, QStringList>> cases{
            {"nothing changed", [](CConfigure &) {}, {}},
            {"name and baud rate of port 2, in file order",
             [](CConfigure &c) { c.m_serial[1].m_baudRate = 4, c.m_name = "Line2"; }, {"Ethernet_Name", "Port2_Baud_Rate"}},
            {"a port the model lacks is no setting", [](CConfigure &c) { c.m_serial[2].m_baudRate = 4; }, {}},
            {"a third ID mapping: the count and each of its fields",
             [](CConfigure &c) { c.m_idMaps.append(new CIDMap{"0.0.0.0", "502", 0, 1, 1, false, 0}); },
             {"ID_Mapping_Group_Number", "ID_Mapping3.Target_IP_address", "ID_Mapping3.Port", "ID_Mapping3.Serial_Index",
              "ID_Mapping3.Virtual_ID_Min", "ID_Mapping3.Virtual_ID_Max", "ID_Mapping3.Offset_Positive_or_Negative",
              "ID_Mapping3.Offset"}},
            {"the serial port of a master, which the file leaves out",
             [](CConfigure &c) { c.m_masters[0]->m_serial2 = false; }, {"Master1.The_Specified_Serial_Number_ID"}},
            {"IP range 6 switched on", [](CConfigure &c) { c.m_advance.m_limitOn[5] = true; }, {"IP_Range6.IP_Limit_Switch"}},
            {"timing, keep-alive and password",
             [](CConfigure &c) { c.m_serial[0].m_respTimeout = 500, c.m_advance.m_keepAlive = false, c.m_advance.m_password = "pw"; },
             {"Port1_Response_Timeout", "KeepAlive", "Password"}}};
        for (const auto &[what, change, expected] : cases) {
            CConfigure a, b;
            base(a), base(b);
            change(b);
            QVERIFY2(keys(SettingList::compare(SettingList::of(a, 0, "KX500-DL-2RS"), SettingList::of(b, 0, "KX500-DL-2RS"))) == expected, what);
        }
        CConfigure c;
        base(c);
        const QVector<SettingList::Difference> mode = SettingList::compare(SettingList::of(c, 0, "A"), SettingList::of(c, 3, "B"));
        QCOMPARE(keys(mode), (QStringList{"Device_Mode", "Transmission_Mode"}));
        QCOMPARE(mode[1].first + ' ' + mode[1].second, QStringLiteral("RTU_Slave ASCII_Master"));
        CConfigure fewer;
        base(fewer);
        clearEntries(fewer.m_masters);
        const QVector<SettingList::Difference> gone = SettingList::compare(SettingList::of(c, 0, "A"), SettingList::of(fewer, 0, "A"));
        QVERIFY(gone.size() == 3 && gone[1].inFirst && !gone[1].inSecond && gone[1].first == "10.0.0.9");
    }

    // Each setting is named by the file's key and has the value the file writes, entries by their number.
    void settingsAreTheFilesLines()
    {
        CConfigure c;
        base(c);
        c.m_modelCode = 30203;
        c.m_requests.append(new CSpecifiedRequest{true, "7", false, "16"});
        c.m_advance.m_limitOn[2] = true, c.m_advance.m_limitLow[2] = "10.0.0.1", c.m_advance.m_limitHigh[2] = "10.0.0.9";
        c.m_idMaps[1]->m_negative = true, c.m_serial[1].m_parityCheck = 3, c.m_serial[1].m_stopBit = 1, c.m_ipMode = 2;
        QHash<QString, QStringList> file;
        int lines = 0; // but the data bits, which the file writes as 8 whatever the configuration holds
        for (const QString &line : InfFile::write(c, 3, "KX500-EN-2RS485(Modbus TCP)").split('\n', Qt::SkipEmptyParts)) {
            file[line.section('\t', 0, 0)] << line.section('\t', -1);
            lines += !line.contains("_Data_Bit");
        }
        const SettingList::List settings = SettingList::of(c, 3, "KX500-EN-2RS485(Modbus TCP)");
        QCOMPARE(settings.size(), lines);
        for (const SettingList::Setting &s : settings) {
            const QString key = s.key.section('.', -1);
            const int entry = s.key.contains('.') ? s.key.section('.', 0, 0).remove(QRegularExpression("^\\D+")).toInt() - 1 : 0;
            if (key != "The_Specified_Serial_Number_ID") // the file leaves the binding out
                QVERIFY2(file.value(key).value(entry, "<absent>") == s.value, qPrintable(s.key + " " + s.value));
        }
    }

    void asWritten()
    {
        // Every model: a configuration as a read leaves it comes back from a write unchanged.
        for (const ModelInfo &model : Catalogue::models()) {
            CConfigure c;
            base(c);
            c.m_modelCode = model.code;
            const SettingList::List before = SettingList::of(c, 2, model.names.first());
            const SettingList::Written written = SettingList::asWritten(c, 2, "2.1", model.names.first());
            QVERIFY2(written.code == BlockWriter::Built && keys(SettingList::compare(before, written.settings)).isEmpty(),
                     qPrintable(keys(SettingList::compare(before, written.settings)).join(' ')));
        }
        // What a write changes or cuts: masters and requests in a master mode, a password "none", HW-P04 below 2.0.
        CConfigure c;
        base(c);
        c.m_advance.m_password = "none";
        SettingList::Written written = SettingList::asWritten(c, 1, "2.1", "KX500-DL-2RS");
        QCOMPARE(valueOf(written.settings, "Specifies_The_Number_of_The_Master_Group") + valueOf(written.settings, "Password"), QStringLiteral("0"));
        c.m_modelCode = 130400;
        for (int i = 0; i < 4; ++i)
            c.m_idMaps.append(new CIDMap{"0.0.0.0", "502", 0, 1, 1, false, 0});
        for (const auto &[firmware, maps] : QList<std::pair<QString, QString>>{{"1.9", "4"}, {"2.0", "6"}}) {
            written = SettingList::asWritten(c, 0, firmware, "HW-P04");
            QCOMPARE(valueOf(written.settings, "ID_Mapping_Group_Number"), maps);
            QCOMPARE(written.idMapsCut, maps == "4");
        }
        c.m_gateway = "255.255.255.255";
        written = SettingList::asWritten(c, 0, "2.1", "HW-P04");
        QVERIFY(written.code == BlockWriter::BadGateway && written.settings.isEmpty());
    }

    void overrides()
    {
        const QString name20(20, 'N');
        // model, key, value; the value the setting then has, or the start of the refusal
        const QList<std::tuple<int, QString, QString, QString>> rows{
            {130400, "Ethernet_Name", name20, name20}, {130400, "Ethernet_Name", "", ""},
            {130400, "Ethernet_Name", name20 + 'N', GetStr(5051)}, {130400, "Ethernet_Name", "Line 2", GetStr(5052)},
            {130400, "Ethernet_Name", "Line\t2", GetStr(5052)},
            {130400, "Assign_IP_Mode", "Manually_Assign", "Manually_Assign"}, {30103, "Assign_IP_Mode", "BOOTP", "BOOTP"},
            {130400, "Assign_IP_Mode", "BOOTP", "HW-P04 offers Manually_Assign, DHCP only"},
            {130400, "Assign_IP_Mode", "Static", "\"Static\" is no"},
            {130400, "IP_Address", "010.001.2.3", "10.1.2.3"}, {130400, "Subnet_Mask", "255.255.255.255", "255.255.255.255 cannot"},
            {130400, "Default_Gateway", "10.1.2", "\"10.1.2\" is no dotted"}, {130400, "Default_Gateway", "10.1.2.256", "\"10.1.2.256\" is no dotted"},
            {130400, "Port4_Baud_Rate", "230400", "230400"}, {130400, "Port5_Baud_Rate", "9600", "HW-P04 has serial ports 1 to 4"},
            {131600, "Port16_Stop_Bits", "2", "2"}, {131600, "Port17_Stop_Bits", "2", "HW-P16 has serial ports 1 to 16"},
            {130400, "Port1_Baud_Rate", "9601", "\"9601\" is no baud rate"}, {130400, "Port1_Stop_Bits", "3", "\"3\" is no"},
            {30203, "Port2_Check_Bit", "Space", "Space"}, {130200, "Port2_Check_Bit", "Mark", "KX500-DL-2RS offers None, Odd, Even only"},
            {130400, "Port0_Baud_Rate", "9600", "\"Port0_Baud_Rate\" is not a setting"},
            {130400, "DNS1", "10.0.0.1", "\"DNS1\" is not a setting"}, {130400, "ethernet_name", "x", "\"ethernet_name\" is not"}};
        for (const auto &[model, key, value, result] : rows) {
            CConfigure c;
            NewConfigure::fill(c, model, "Before");
            const SettingList::List before = SettingList::of(c, 0, "M");
            const QString refusal = SettingOverride::apply(c, key, value);
            if (refusal.isEmpty())
                QCOMPARE(valueOf(SettingList::of(c, 0, "M"), key), result);
            else
                QVERIFY2(refusal.startsWith(result) && SettingList::compare(before, SettingList::of(c, 0, "M")).isEmpty(),
                         qPrintable(key + ": " + refusal));
        }
    }

    void modbusReply()
    {
        using ModbusRequest::Inputs;
        // request (function, start address, quantity), reply; the lines it reads as
        const QList<std::tuple<Inputs, QByteArray, QStringList>> rows{
            {{0, 1, 3, 100, 2, {}}, "000000000007010304" "1000ffff", {"register 100: 4096", "register 101: 65535"}},
            {{0, 1, 4, 0, 2, {}}, "000000000005010402" "0102", {"input register 0: 258"}}, // only what the byte count announces
            {{0, 1, 1, 7, 10, {}}, "000000000005010102" "4d02", {"coil 7: 1", "coil 8: 0", "coil 9: 1", "coil 10: 1", "coil 11: 0",
                                                                  "coil 12: 0", "coil 13: 1", "coil 14: 0", "coil 15: 0", "coil 16: 1"}},
            {{0, 1, 2, 0, 3, {}}, "000000000004010201" "06", {"input 0: 0", "input 1: 1", "input 2: 1"}},
            {{0, 1, 5, 7, 1, {}}, "000000000006010500" "07ff00", {"coil 7 written: 1"}},
            {{0, 1, 6, 1, 1, {}}, "000000000006010600" "01002a", {"register 1 written: 42"}},
            {{0, 1, 16, 100, 2, {}}, "000000000006011000" "640002", {"2 registers written from 100"}},
            {{0, 1, 3, 0, 1, {}}, "000000000003018302", {"exception 2: Illegal Data Address"}},
            {{0, 1, 3, 0, 1, {}}, "00000000000301830b", {"exception 11: Gateway Target Device Failed to Respond"}},
            {{0, 1, 3, 0, 1, {}}, "000000000003010402", {}}, {{0, 1, 3, 0, 1, {}}, "0000000000020103", {}}};
        for (const auto &[request, reply, lines] : rows)
            QCOMPARE(ModbusRequest::decodeReply(QByteArray::fromHex(reply), request), lines);
    }
};

QTEST_APPLESS_MAIN(TestCliCore)
#include "tst_clicore.moc"
