// Bytes and texts the tool exchanges: message table, discovery answers, command frames, Modbus requests and replies.
#include "config/frames.h"
#include "diagnostics/modbusrequest.h"
#include "discovery/discoveryanswer.h"
#include "messages/messagetable.h"

#include <QtTest>

#include <thread>

using namespace ModbusRequest;

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

    void discoveryAnswer()
    {
        using C = CEquipment;
        const QList<std::tuple<QByteArray, int, QString>> fields{{kAnswer, C::Number, "7"},
            {patched(24, "ffff0100"), C::Firmware, "65535.256"}, {patched(28, "0a0bfe80ff01"), C::MacAddress, "0a-0b-fe-80-ff-01"},
            {patched(36, "ff80000a"), C::IpAddress, "255.128.0.10"}, {patched(44, "4142004344"), C::Name, "AB"},
            {patched(44, "414141414141414141414141414141414141414100000001"), C::Name, QString(20, 'A')},
            {patched(44, "4de97472650000"), C::Name, QString::fromLatin1("M\xe9tre")},
            {patched(44, "80819fa0a9c4d6dcdfe9f1f8feff4175746f2d31"), C::Name,
             QString::fromLatin1(QByteArray::fromHex("80819fa0a9c4d6dcdfe9f1f8feff4175746f2d31"))},
            {kAnswer, C::PasswordSetting, "Encryption"}, {patched(40, "01000000"), C::PasswordSetting, "None"},
            {patched(64, "00000101"), C::Status, "Prohibit configuration"},
            {patched(9, "0075fb"), C::Model, "KX500-EN-2RS485(Modbus TCP)"}, {patched(8, "ff01fd60"), C::Model, "HW-P04"},
            {patched(9, "0f423f"), C::Model, "Other equipment"}, {patched(9, "ffffff"), C::Name, "Unsupported equipment"}};
        for (const auto &[answer, column, expected] : fields) {
            CEquipment e;
            QCOMPARE(Discovery::parseAnswer(answer, 7, e), Discovery::AnswerStatus::Ok);
            QCOMPARE(e.field(column), expected);
        }
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

    void modbusFrame()
    {
        const QByteArray fill254(254, 'Z');
        // transaction, unit, function code, start address, quantity, data; message id; frame
        const QList<std::tuple<Inputs, unsigned int, QByteArray>> rows{
            {{0x1234, 0x11, 1, 0x13, 0x25, {}}, 0, hex("123400000006110100130025")},
            {{1, 300, 2, 0, 1, {}}, 0, hex("0001000000062c0200000001")}, // unit id keeps its low 8 bits
            {{2, 1, 3, 7, 2, {}}, 0, hex("000200000006010300070002")},
            {{0xfffe, 255, 4, 0xffff, 127, {}}, 0, hex("fffe00000006ff04ffff007f")},
            {{3, 1, 5, 0xac, 1, hex("ff12")}, 0, hex("000300000006010500acff00")}, {{3, 1, 5, 0xac, 1, hex("00")}, 0, hex("000300000006010500ac0000")},
            {{9, 1, 6, 1, 1, hex("2a")}, 0, hex("00090000000601060001002a")},
            {{4, 1, 15, 0x13, 10, hex("ff0377")}, 0, hex("000400000009010f0013000a02ff03")}, // only the bytes needed
            {{5, 1, 16, 1, 2, hex("00010002")}, 0, hex("00050000000b0110000100020400010002")},
            {{0x0102, 1, 16, 0, 127, fill254}, 0, hex("01020000010501100000007ffe") + fill254}, // length above 255
            {{0, 1, 5, 0, 1, {}}, 1010, {}}, {{0, 1, 15, 0, 10, hex("ff")}, 1013, {}}, {{0, 1, 16, 0, 2, hex("000100")}, 1015, {}}};
        for (const auto &[in, messageId, expected] : rows) {
            const Built built = buildRequest(in);
            QCOMPARE(built.messageId, messageId);
            QCOMPARE(built.frame.toHex(' '), expected.toHex(' '));
        }
    }

    void modbusTextsCounterAndReplies()
    {
        const QList<std::tuple<QString, int, unsigned int, QByteArray>> rows{{"01 ab FF ", 16, 0, "01abff"},
            {"g", 6, 1001, ""}, {"a", 6, 1002, ""}, {"0a0b", 16, 1003, ""}, {"f  00", 6, 1003, ""},
            {"ff", 5, 1004, ""}, {"0f 00", 5, 1005, ""}, {"fe 00", 5, 1006, ""}, {"10 00", 5, 1007, ""},
            {"10 00", 6, 0, "1000"}};
        for (const auto &[text, code, id, bytes] : rows) {
            const DataText data = parseDataText(text, code);
            QCOMPARE(QString::number(data.messageId) + ' ' + data.bytes.toHex(), QString::number(id) + ' ' + bytes);
        }
        QCOMPARE(int(conversion('a', '9')), 0xa9);
        QCOMPARE(int(conversion('F', 'F')), 0); // only lowercase digits count
        QCOMPARE(QStringList({clampQuantity(15, "2001"), clampQuantity(16, "128"), clampQuantity(5, "5000"),
                     clampQuantity(1, "99999999999999999999"), clampQuantity(6, "-3")}), QStringList({"2000", "127", "5000", "2000", "0"}));
        QList<int> sent;
        for (int counter = 65533, i = 0; i < 4; ++i, counter = sent.last() + 1)
            sent << transIdToSend(counter);
        QCOMPARE(sent, (QList<int>{65533, 65534, 0, 1}));
        QCOMPARE(transIdToSend(65535), 0);
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
        QCOMPARE(GetStr(1017), QStringLiteral("Error response"));
    }
};

QTEST_APPLESS_MAIN(TestWire)
#include "tst_wire.moc"
