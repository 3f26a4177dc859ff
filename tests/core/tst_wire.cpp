// Bytes and texts the tool exchanges: message table, discovery answers, command frames, Modbus requests and replies.
#include "config/frames.h"
#include "diagnostics/modbusrequest.h"
#include "discovery/discoveryanswer.h"
#include "messages/messagetable.h"

#include <QtTest>

#include <thread>

using namespace ModbusRequest;

Q_DECLARE_METATYPE(Inputs)

namespace {
// HW-P04, firmware 2.1, MAC 00-1a-2b-3c-4d-5e, 192.168.1.10, password set, "GW-Hall", configuration allowed.
const QByteArray kAnswer = QByteArray::fromHex(
    "000000030000003c0001fd6000000000000000000000000000020001001a2b3c4d5e0000c0a8010a00000001"
    "47572d48616c6c0000000000000000000000000000000001");

QByteArray patched(int offset, const char *hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return QByteArray(kAnswer).replace(offset, bytes.size(), bytes);
}
QByteArray hex(const char *h) { return QByteArray::fromHex(h); }
} // namespace

class TestWire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messages()
    {
        // The very first lookups race each other: every thread must see the complete table.
        QString seen[4];
        std::thread threads[4];
        for (int i = 0; i < 4; ++i)
            threads[i] = std::thread([&seen, i] { seen[i] = GetStr(4302); });
        for (int i = 0; i < 4; ++i) {
            threads[i].join();
            QCOMPARE(seen[i], QStringLiteral("Port16_Data_Bits"));
        }
        const QList<std::pair<unsigned int, QString>> rows{{4047, "Transmission_Mode\t\t"}, {4048, "RTU_Master\n"},
            {4066, "Port1_Data_BitS\t"}, {4143, "Port2_Data_BitS"}, {1007, "5 command data can only be \" 00 00 \"or \" ff 00 \""},
            {4309, "This is the advanced function. If you only configure  basic parameters, you don't need to configure the following parameters."},
            {5042, "Two input passwords are inconsistent , please try again !"}, {4191, "Port3_Baud_Rate\t"},
            {4220, "Port10_Check_Bit\t"}, {4246, "Port16_Data_Bits\t"}, {4247, "Port3_Baud_Rate"}, {4250, "Port3_Data_Bits"},
            {4303, "Port%1_Time_Interval_between_Characters\t"}, {1023, "Start Adress"}, {0, {}}, {1008, {}}, {4315, {}}, {0xFFFFFFFFu, {}}};
        for (const auto &[id, text] : rows) {
            QCOMPARE(GetStr(id), text);
            QCOMPARE(GetStr(id).isNull(), text.isNull());
        }
        // A lost row or range entry shows in the count of what a lookup finds.
        int found = 0;
        for (unsigned int id = 0; id < 20000; ++id)
            found += !GetEnglishStr(id).isNull();
        QCOMPARE(found, 340);
        QCOMPARE(GetMessageIds().size(), 340);
    }

    void discoveryAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");
        using C = CEquipment;
        const auto row = [](const char *name, int offset, const char *bytes, int column, const QString &expected) {
            QTest::newRow(name) << patched(offset, bytes) << column << expected;
        };
        row("running number", 0, "", C::Number, "7");
        row("30103", 9, "007597", C::Model, "NTC-P01DL");
        row("30203", 9, "0075fb", C::Model, "KX500-EN-2RS485(Modbus TCP)");
        row("130100", 9, "01fc34", C::Model, "KX500-DL-RS");
        row("130200", 9, "01fc98", C::Model, "KX500-DL-2RS");
        row("130400, byte 8 not part of the code", 8, "ff01fd60", C::Model, "HW-P04");
        row("130800", 9, "01fef0", C::Model, "HW-P08");
        row("131600", 9, "020210", C::Model, "HW-P16");
        row("code outside the table", 9, "0f423f", C::Model, "Other equipment");
        row("its name is not taken", 9, "ffffff", C::Name, "Unsupported equipment");
        row("firmware of two 16-bit numbers", 24, "ffff0100", C::Firmware, "65535.256");
        row("firmware 1.10", 24, "0001000a", C::Firmware, "1.10");
        row("MAC", 28, "0a0bfe80ff01", C::MacAddress, "0a-0b-fe-80-ff-01");
        row("address in dotted order", 36, "ff80000a", C::IpAddress, "255.128.0.10");
        row("name to its zero", 44, "4142004344", C::Name, "AB");
        row("name of 20 bytes without a zero", 44, "414141414141414141414141414141414141414100000001", C::Name, QString(20, 'A'));
        row("Latin-1 name", 44, "4de97472650000", C::Name, QString::fromLatin1("M\xe9tre"));
        row("20 high Latin-1 bytes", 44, "80819fa0a9c4d6dcdfe9f1f8feff4175746f2d31", C::Name,
            QString::fromLatin1(QByteArray::fromHex("80819fa0a9c4d6dcdfe9f1f8feff4175746f2d31")));
        row("password word 1", 40, "00000001", C::PasswordSetting, "Encryption");
        row("password word 01000000", 40, "01000000", C::PasswordSetting, "None");
        row("password word 00000101", 40, "00000101", C::PasswordSetting, "None");
        row("password word 2", 40, "00000002", C::PasswordSetting, "None");
        row("configuration word 1", 64, "00000001", C::Status, "Allow configuration");
        row("configuration word 00000101", 64, "00000101", C::Status, "Prohibit configuration");
        row("configuration word 01000000", 64, "01000000", C::Status, "Prohibit configuration");
        row("configuration word 0", 64, "00000000", C::Status, "Prohibit configuration");
    }

    void discoveryAnswer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, column);
        QFETCH(QString, expected);
        CEquipment e;
        QCOMPARE(Discovery::parseAnswer(answer, 7, e), Discovery::AnswerStatus::Ok);
        QCOMPARE(e.field(column), expected);
    }

    void discoveryRefusals()
    {
        using S = Discovery::AnswerStatus;
        QCOMPARE(Discovery::request().toHex(), QByteArray("0000000300000000"));
        const QList<std::pair<QByteArray, S>> rows{{patched(4, "ffffffffff"), S::Ok}, {kAnswer.left(67), S::WrongLength},
            {kAnswer + QByteArray(1, '\0'), S::WrongLength}, {Discovery::request(), S::WrongLength},
            {patched(0, "00000004"), S::WrongHeader}, {patched(0, "01000003"), S::WrongHeader}};
        for (const auto &[datagram, status] : rows) {
            CEquipment e;
            e.m_ip = QStringLiteral("10.0.0.1"); // a refused datagram leaves the record as it was
            QCOMPARE(Discovery::parseAnswer(datagram, 1, e), status);
            QCOMPARE(e.m_ip, status == S::Ok ? QString("192.168.1.10") : QString("10.0.0.1"));
        }
    }

    void commandFrames()
    {
        const QByteArray pw = hex("000000070000001c54616c76656e6f72"); // "Talvenor"
        const QList<std::pair<QByteArray, QByteArray>> rows{
            {Frames::locateFrame(), hex("000000090000000854616c76656e6f72")},
            {Frames::readConfigRequest(), hex("0000000500000000")},
            {Frames::header(6, 0x01020304u), hex("0000000601020304")},
            {Frames::passwordFrame(QString()), pw + QByteArray(20, '\0')},
            {Frames::passwordFrame(QString(64, 'z')), pw + QByteArray(20, 'z')},
            // U+00E9 is C3 A9: the cut to 20 bytes never ends half-way through it.
            {Frames::passwordFrame(QString(19, 'a') + QChar(0xE9)), pw + QByteArray(19, 'a') + QByteArray(1, '\0')}};
        for (const auto &[frame, expected] : rows)
            QCOMPARE(frame.toHex(' '), expected.toHex(' '));
        const QList<std::pair<QByteArray, bool>> replies{{hex("0000000700000008ffffffffffffffff"), true},
            {hex("0000000700000008"), true}, {hex("00000007000000090000000000000000"), false}, {hex("00000007"), false},
            {hex("01000007000000080000000000000000"), false}};
        for (const auto &[reply, accepted] : replies) {
            std::array<unsigned char, Frames::ReplySize> buffer{};
            std::copy(reply.begin(), reply.end(), buffer.begin());
            QCOMPARE(Frames::passwordAccepted(reply), accepted);
            QCOMPARE(Frames::passwordAccepted(buffer), accepted);
        }
        Frames::Header h;
        QVERIFY(Frames::parseHeader(hex("0000000dffffffff"), &h) && h.length == 0xffffffffu && h.command == 13);
        QVERIFY(!Frames::parseHeader(hex("00000005000004"), &h) && !Frames::parseHeader(hex("00010005000004b8"), &h));
    }

    void modbusFrame_data()
    {
        QTest::addColumn<Inputs>("inputs"); // transaction, unit, function code, start address, quantity, data
        QTest::addColumn<uint>("messageId");
        QTest::addColumn<QByteArray>("frame");
        // Each code's quantity limit is the clamp table's below; two rows show the frame takes it.
        const QByteArray fill254(254, 'Z'), fill250(250, 'Y');
        QTest::newRow("1: 2000 coils") << Inputs{0x1234, 0x11, 1, 0x13, 2000, {}} << 0u << hex("1234000000061101001307d0");
        QTest::newRow("1: 2001 coils are 2000") << Inputs{1, 1, 1, 0, 2001, {}} << 0u << hex("00010000000601010000 07d0");
        QTest::newRow("2: unit id's low 8 bits") << Inputs{1, 300, 2, 0, 2000, {}} << 0u << hex("0001000000062c02000007d0");
        QTest::newRow("3: 127 registers") << Inputs{2, 1, 3, 7, 127, {}} << 0u << hex("00020000000601030007007f");
        QTest::newRow("3: 128 registers are 127") << Inputs{2, 1, 3, 7, 128, {}} << 0u << hex("00020000000601030007007f");
        QTest::newRow("4: 127 input registers") << Inputs{0xfffe, 255, 4, 0xffff, 127, {}} << 0u << hex("fffe00000006ff04ffff007f");
        QTest::newRow("5: ff is on") << Inputs{3, 1, 5, 0xac, 1, hex("ff12")} << 0u << hex("000300000006010500acff00");
        QTest::newRow("5: 00 is off") << Inputs{3, 1, 5, 0xac, 1, hex("00")} << 0u << hex("000300000006010500ac0000");
        QTest::newRow("5: another byte refused") << Inputs{3, 1, 5, 0, 1, hex("12")} << 1004u << QByteArray();
        QTest::newRow("5: no data") << Inputs{0, 1, 5, 0, 1, {}} << 1010u << QByteArray();
        QTest::newRow("6: one byte is the low byte") << Inputs{9, 1, 6, 1, 1, hex("2a")} << 0u << hex("00090000000601060001002a");
        QTest::newRow("6: the first two of three bytes") << Inputs{9, 1, 6, 1, 1, hex("12345678")} << 0u << hex("000900000006010600011234");
        QTest::newRow("6: no data") << Inputs{9, 1, 6, 1, 1, {}} << 1011u << QByteArray();
        QTest::newRow("15: 10 coils take 2 of 3 bytes") << Inputs{4, 1, 15, 0x13, 10, hex("ff0377")} << 0u << hex("000400000009010f0013000a02ff03");
        QTest::newRow("15: 8 coils take 1 byte") << Inputs{4, 1, 15, 0, 8, hex("ff03")} << 0u << hex("000400000008010f0000000801ff");
        QTest::newRow("15: 9 coils take 2 bytes") << Inputs{4, 1, 15, 0, 9, hex("ff03")} << 0u << hex("000400000009010f0000000902ff03");
        QTest::newRow("15: 2000 coils, length above 255") << Inputs{4, 1, 15, 0, 2000, fill250} << 0u << hex("000400000101010f000007d0fa") + fill250;
        QTest::newRow("15: too few bytes") << Inputs{0, 1, 15, 0, 10, hex("ff")} << 1013u << QByteArray();
        QTest::newRow("15: no data") << Inputs{0, 1, 15, 0, 10, {}} << 1012u << QByteArray();
        QTest::newRow("16: 2 registers") << Inputs{5, 1, 16, 1, 2, hex("00010002")} << 0u << hex("00050000000b0110000100020400010002");
        QTest::newRow("16: 127 registers, length above 255") << Inputs{0x0102, 1, 16, 0, 127, fill254} << 0u << hex("01020000010501100000007ffe") + fill254;
        QTest::newRow("16: 3 bytes for 2 registers") << Inputs{0, 1, 16, 0, 2, hex("000100")} << 1015u << QByteArray();
        QTest::newRow("16: 5 bytes for 2 registers") << Inputs{0, 1, 16, 0, 2, hex("0001000200")} << 1015u << QByteArray();
        QTest::newRow("16: no data") << Inputs{0, 1, 16, 0, 2, {}} << 1014u << QByteArray();
    }

    void modbusFrame()
    {
        QFETCH(Inputs, inputs);
        QFETCH(uint, messageId);
        QFETCH(QByteArray, frame);
        const Built built = buildRequest(inputs);
        QCOMPARE(built.messageId, messageId);
        QCOMPARE(built.frame.toHex(' '), frame.toHex(' '));
    }

    void modbusDataText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::addColumn<uint>("messageId");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("pairs, any case, trailing blank") << "01 ab FF " << 16 << 0u << hex("01abff");
        QTest::newRow("empty") << "" << 3 << 0u << QByteArray();
        QTest::newRow("a letter beyond f") << "g" << 6 << 1001u << QByteArray();
        QTest::newRow("0x") << "0x" << 6 << 1001u << QByteArray();
        QTest::newRow("one character") << "a" << 6 << 1002u << QByteArray();
        QTest::newRow("no blanks") << "0a0b" << 16 << 1003u << QByteArray();
        QTest::newRow("blank where a digit belongs") << "f  00" << 6 << 1003u << QByteArray();
        QTest::newRow("a lone last digit") << "0a 0" << 6 << 1003u << QByteArray();
        QTest::newRow("5: ff 00") << "ff 00" << 5 << 0u << hex("ff00");
        QTest::newRow("5: 00 00 and a blank") << "00 00 " << 5 << 0u << hex("0000");
        QTest::newRow("5: one pair") << "ff" << 5 << 1004u << QByteArray();
        QTest::newRow("5: three pairs") << "ff 00 00" << 5 << 1004u << QByteArray();
        QTest::newRow("5: 0 then not 0") << "0f 00" << 5 << 1005u << QByteArray();
        QTest::newRow("5: f then not f") << "fe 00" << 5 << 1006u << QByteArray();
        QTest::newRow("5: neither 0 nor f") << "10 00" << 5 << 1007u << QByteArray();
        QTest::newRow("6 takes what 5 refuses") << "10 00" << 6 << 0u << hex("1000");
    }

    void modbusDataText()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        QFETCH(uint, messageId);
        QFETCH(QByteArray, bytes);
        const DataText data = parseDataText(text, code);
        QCOMPARE(data.messageId, messageId);
        QCOMPARE(data.bytes.toHex(), bytes.toHex());
    }

    void modbusQuantityCounterAndReplies()
    {
        QCOMPARE(int(conversion('a', '9')), 0xa9);
        QCOMPARE(int(conversion('F', 'F')), 0); // only lowercase digits count
        // function code, typed, after clamping
        const QList<std::tuple<int, QString, QString>> quantities{{1, "2000", "2000"}, {1, "2001", "2000"}, {2, "2001", "2000"},
            {15, "2001", "2000"}, {3, "127", "127"}, {3, "128", "127"}, {4, "128", "127"}, {16, "128", "127"}, {5, "5000", "5000"},
            {6, "5000", "5000"}, {1, "99999999999999999999", "2000"}, {6, "-3", "0"}, {3, "-1", "0"}, {3, "x", "x"}};
        for (const auto &[code, typed, clamped] : quantities)
            QVERIFY2(clampQuantity(code, typed) == clamped, qPrintable(QStringLiteral("%1 %2").arg(code).arg(typed)));
        QCOMPARE(QList<int>({functionCodeForIndex(0), functionCodeForIndex(5), functionCodeForIndex(6), functionCodeForIndex(7), functionCodeForIndex(8)}),
                 QList<int>({1, 6, 15, 16, 0}));
        QList<int> sent;
        for (int counter = 65533, i = 0; i < 4; ++i, counter = sent.last() + 1)
            sent << transIdToSend(counter);
        QCOMPARE(sent, (QList<int>{65533, 65534, 0, 1}));
        QCOMPARE(transIdToSend(65535) + transIdToSend(-1), 0);
        // reply, code, verdict message, hex text, declared whole length
        const QList<std::tuple<QByteArray, int, unsigned int, QString, int>> replies{{QByteArray(), 3, 1016, "", -1},
            {hex("000000000005010302000a"), 3, 1018, "01 03 02 00 0a ", 11},
            {hex("000000000003018302"), 3, 1017, "01 83 02 ", 9}, {hex("0000000000020105"), 5, 1018, "01 05 ", 8},
            {hex("0001000000010f"), 15, 1017, "0f ", 7}, {hex("000000000000"), 3, 1017, "", 6},
            {hex("0000000000"), 3, 1017, "", -1}, {hex("0000000001050103"), 3, 1018, "01 03 ", 6 + 261}};
        for (const auto &[reply, code, id, text, declared] : replies) {
            QCOMPARE(verdictMessageId(judgeReply(reply, code)), id);
            QCOMPARE(replyHexText(reply), text);
            QCOMPARE(declaredReplyLength(reply), declared);
        }
    }
};

QTEST_APPLESS_MAIN(TestWire)
#include "tst_wire.moc"
