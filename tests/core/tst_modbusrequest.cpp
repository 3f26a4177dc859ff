#include "diagnostics/modbusrequest.h"

#include <QtTest>

using namespace ModbusRequest;

class TestModbusRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frame_data();
    void frame();
    void longWrites_data();
    void longWrites();
    void refusedFrame_data();
    void refusedFrame();
    void dataText_data();
    void dataText();
    void conversionTable_data();
    void conversionTable();
    void clamp_data();
    void clamp();
    void counterNeverSends65535_data();
    void counterNeverSends65535();
    void judgement_data();
    void judgement();
    void hexText_data();
    void hexText();
};

static Inputs inputs(int tid, int unit, int code, int start, int quantity, const char *dataHex = "")
{
    Inputs in;
    in.transId = tid;
    in.unitId = unit;
    in.functionCode = code;
    in.startAddress = start;
    in.quantity = quantity;
    in.data = QByteArray::fromHex(dataHex);
    return in;
}

void TestModbusRequest::frame_data()
{
    QTest::addColumn<int>("tid");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("dataText");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("read holding registers, first send")
        << 0 << 1 << 3 << 0 << 10 << "" << QByteArray::fromHex("00000000000601030000000a");
    QTest::newRow("read coils: transaction, unit, address, quantity big-endian")
        << 0x1234 << 0x11 << 1 << 0x0013 << 0x0025 << "" << QByteArray::fromHex("123400000006110100130025");
    QTest::newRow("read discrete inputs") << 7 << 2 << 2 << 0x00c4 << 0x0016 << ""
                                          << QByteArray::fromHex("000700000006020200c40016");
    QTest::newRow("read input registers at high address") << 0xfffe << 255 << 4 << 0xffff << 127 << ""
                                                        << QByteArray::fromHex("fffe00000006ff04ffff007f");
    QTest::newRow("unit id keeps its low 8 bits") << 1 << 300 << 3 << 0 << 1 << ""
                                                  << QByteArray::fromHex("000100000006" "2c0300000001");
    QTest::newRow("write coil on") << 3 << 1 << 5 << 0x00ac << 1 << "ff 00"
                                   << QByteArray::fromHex("000300000006010500acff00");
    QTest::newRow("write coil off") << 3 << 1 << 5 << 0x00ac << 1 << "00 00"
                                    << QByteArray::fromHex("000300000006010500ac0000");
    QTest::newRow("write coil: second pair does not change the value") << 3 << 1 << 5 << 1 << 1 << "ff 12"
                                                                       << QByteArray::fromHex("00030000000601050001ff00");
    QTest::newRow("write coil in capitals") << 0 << 1 << 5 << 0 << 1 << "FF 00"
                                            << QByteArray::fromHex("00000000000601050000ff00");
    QTest::newRow("write register from one byte") << 9 << 1 << 6 << 1 << 1 << "2a"
                                                  << QByteArray::fromHex("0009000000060106" "0001002a");
    QTest::newRow("write register from two bytes") << 9 << 1 << 6 << 1 << 1 << "12 34"
                                                   << QByteArray::fromHex("000900000006010600011234");
    QTest::newRow("write register ignores a third byte") << 9 << 1 << 6 << 1 << 1 << "12 34 56"
                                                         << QByteArray::fromHex("000900000006010600011234");
    QTest::newRow("write 10 coils sends only the two bytes needed") << 4 << 1 << 15 << 0x13 << 10 << "ff 03 77"
                                                                   << QByteArray::fromHex("000400000009010f0013000a02ff03");
    QTest::newRow("write 8 coils takes one byte") << 4 << 1 << 15 << 0 << 8 << "a5"
                                                  << QByteArray::fromHex("000400000008010f0000000801a5");
    QTest::newRow("write 2 registers: byte count 4, length 11") << 5 << 1 << 16 << 1 << 2 << "00 01 00 02"
                                                                << QByteArray::fromHex("00050000000b011000010002040001" "0002");
    QTest::newRow("write 1 register with trailing space") << 5 << 1 << 16 << 0 << 1 << "ab cd "
                                                          << QByteArray::fromHex("000500000009011000000001" "02abcd");
}

void TestModbusRequest::frame()
{
    QFETCH(int, tid);
    QFETCH(int, unit);
    QFETCH(int, code);
    QFETCH(int, start);
    QFETCH(int, quantity);
    QFETCH(QString, dataText);
    QFETCH(QByteArray, expected);

    const DataText data = parseDataText(dataText, code);
    QVERIFY2(data.ok(), qPrintable(QString::number(data.messageId)));
    Inputs in = inputs(tid, unit, code, start, quantity);
    in.data = data.bytes;
    const Built built = buildRequest(in);
    QVERIFY(built.ok());
    QCOMPARE(built.frame.toHex(' '), expected.toHex(' '));
    QCOMPARE(declaredReplyLength(built.frame), built.frame.size());
}

void TestModbusRequest::longWrites_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("byteCount");

    QTest::newRow("127 registers") << 16 << 127 << 254;
    QTest::newRow("2000 coils") << 15 << 2000 << 250;
    QTest::newRow("125 registers, the most a server accepts") << 16 << 125 << 250;
}

void TestModbusRequest::longWrites()
{
    QFETCH(int, code);
    QFETCH(int, quantity);
    QFETCH(int, byteCount);

    Inputs in = inputs(0x0102, 1, code, 0, quantity);
    for (int i = 0; i < byteCount; ++i)
        in.data.append(char(i));
    const Built built = buildRequest(in);
    QVERIFY(built.ok());
    const int length = 7 + byteCount;
    QVERIFY(length > 255);
    QCOMPARE(built.frame.size(), 6 + length);
    QCOMPARE(uchar(built.frame.at(4)), uchar(length >> 8));
    QCOMPARE(uchar(built.frame.at(5)), uchar(length & 0xFF));
    QCOMPARE(uchar(built.frame.at(12)), uchar(byteCount));
    QCOMPARE(built.frame.mid(13), in.data);
}

void TestModbusRequest::refusedFrame_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<uint>("messageId");

    QTest::newRow("write coil without data") << 5 << 1 << QByteArray() << 1010u;
    QTest::newRow("write register without data") << 6 << 1 << QByteArray() << 1011u;
    QTest::newRow("write coils without data") << 15 << 1 << QByteArray() << 1012u;
    QTest::newRow("10 coils need two bytes, one given") << 15 << 10 << QByteArray::fromHex("ff") << 1013u;
    QTest::newRow("write registers without data") << 16 << 1 << QByteArray() << 1014u;
    QTest::newRow("2 registers, three bytes") << 16 << 2 << QByteArray::fromHex("000100") << 1015u;
    QTest::newRow("2 registers, six bytes") << 16 << 2 << QByteArray::fromHex("000100020003") << 1015u;
}

void TestModbusRequest::refusedFrame()
{
    QFETCH(int, code);
    QFETCH(int, quantity);
    QFETCH(QByteArray, data);
    QFETCH(uint, messageId);

    Inputs in = inputs(0, 1, code, 0, quantity);
    in.data = data;
    const Built built = buildRequest(in);
    QCOMPARE(built.messageId, messageId);
    QVERIFY(built.frame.isEmpty());
}

void TestModbusRequest::dataText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<uint>("messageId");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty text is no data") << "" << 3 << 0u << QByteArray();
    QTest::newRow("pairs separated by spaces") << "01 ab FF" << 16 << 0u << QByteArray::fromHex("01abff");
    QTest::newRow("trailing space") << "01 02 " << 16 << 0u << QByteArray::fromHex("0102");
    QTest::newRow("one pair") << "7f" << 6 << 0u << QByteArray::fromHex("7f");
    QTest::newRow("not hex") << "0x" << 6 << 1001u << QByteArray();
    QTest::newRow("comma separator") << "12,34" << 16 << 1001u << QByteArray();
    QTest::newRow("illegal character checked before the layout") << "g" << 6 << 1001u << QByteArray();
    QTest::newRow("single character") << "a" << 6 << 1002u << QByteArray();
    QTest::newRow("single character, code 5") << "f" << 5 << 1002u << QByteArray();
    QTest::newRow("no spaces") << "0a0b" << 16 << 1003u << QByteArray();
    QTest::newRow("two spaces") << "01  02" << 16 << 1003u << QByteArray();
    QTest::newRow("lone last digit") << "ff 0" << 6 << 1003u << QByteArray();
    QTest::newRow("lone last digit after pairs") << "ff 00 1" << 16 << 1003u << QByteArray();
    QTest::newRow("space in place of a digit") << "f  00" << 6 << 1003u << QByteArray();
    QTest::newRow("spaces only") << "  " << 6 << 1003u << QByteArray();
    QTest::newRow("coil on in capitals") << "FF 00" << 5 << 0u << QByteArray::fromHex("ff00");
    QTest::newRow("coil off with trailing space") << "00 00 " << 5 << 0u << QByteArray::fromHex("0000");
    QTest::newRow("coil: one pair only") << "ff" << 5 << 1004u << QByteArray();
    QTest::newRow("coil: three pairs") << "ff 00 00" << 5 << 1004u << QByteArray();
    QTest::newRow("coil: empty") << "" << 5 << 1004u << QByteArray();
    QTest::newRow("coil: 0 not followed by 0") << "0f 00" << 5 << 1005u << QByteArray();
    QTest::newRow("coil: f not followed by f") << "fe 00" << 5 << 1006u << QByteArray();
    QTest::newRow("coil: first digit neither 0 nor f") << "10 00" << 5 << 1007u << QByteArray();
    QTest::newRow("same text accepted for another code") << "10 00" << 6 << 0u << QByteArray::fromHex("1000");
}

void TestModbusRequest::dataText()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(uint, messageId);
    QFETCH(QByteArray, bytes);

    const DataText data = parseDataText(text, code);
    QCOMPARE(data.messageId, messageId);
    QCOMPARE(data.bytes.toHex(), bytes.toHex());
}

void TestModbusRequest::conversionTable_data()
{
    QTest::addColumn<char>("high");
    QTest::addColumn<char>("low");
    QTest::addColumn<int>("value");

    QTest::newRow("00") << '0' << '0' << 0x00;
    QTest::newRow("ff") << 'f' << 'f' << 0xff;
    QTest::newRow("a9") << 'a' << '9' << 0xa9;
    QTest::newRow("capitals count 0") << 'F' << 'F' << 0x00;
    QTest::newRow("other character counts 0") << 'g' << '1' << 0x01;
}

void TestModbusRequest::conversionTable()
{
    QFETCH(char, high);
    QFETCH(char, low);
    QFETCH(int, value);
    QCOMPARE(int(conversion(uchar(high), uchar(low))), value);
}

void TestModbusRequest::clamp_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("code 1 above 2000") << 1 << "5000" << "2000";
    QTest::newRow("code 2 at 2000 kept") << 2 << "2000" << "2000";
    QTest::newRow("code 15 just above") << 15 << "2001" << "2000";
    QTest::newRow("code 3 above 127") << 3 << "5000" << "127";
    QTest::newRow("code 4 at 127 kept") << 4 << "127" << "127";
    QTest::newRow("code 16 just above") << 16 << "128" << "127";
    QTest::newRow("code 5 not clamped") << 5 << "5000" << "5000";
    QTest::newRow("code 6 not clamped") << 6 << "70000" << "70000";
    QTest::newRow("too long for int still clamped") << 1 << "99999999999999999999" << "2000";
    QTest::newRow("leading zeros kept below limit") << 3 << "007" << "007";
    QTest::newRow("empty kept") << 3 << "" << "";
    QTest::newRow("negative becomes 0") << 6 << "-3" << "0";
}

void TestModbusRequest::clamp()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(clampQuantity(code, text), expected);
}

void TestModbusRequest::counterNeverSends65535_data()
{
    QTest::addColumn<int>("counter");
    QTest::addColumn<QList<int>>("sent");

    QTest::newRow("first sends") << 0 << QList<int>{0, 1, 2};
    QTest::newRow("wrap after 65534") << 65533 << QList<int>{65533, 65534, 0, 1};
    QTest::newRow("counter left at 65535") << 65535 << QList<int>{0, 1};
}

void TestModbusRequest::counterNeverSends65535()
{
    QFETCH(int, counter);
    QFETCH(QList<int>, sent);

    QList<int> got;
    for (int i = 0; i < sent.size(); ++i) {
        const int id = transIdToSend(counter);
        got << id;
        counter = id + 1;
    }
    QCOMPARE(got, sent);

    // A full turn of the counter.
    for (int i = 0; i < 70000; ++i) {
        const int id = transIdToSend(counter);
        QVERIFY(id >= 0 && id <= 65534);
        counter = id + 1;
    }
}

void TestModbusRequest::judgement_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<uint>("messageId");

    QTest::newRow("nothing") << QByteArray() << 3 << 1016u;
    QTest::newRow("matching function code") << QByteArray::fromHex("000000000005010302000a") << 3 << 1018u;
    QTest::newRow("exception reply") << QByteArray::fromHex("000000000003018302") << 3 << 1017u;
    QTest::newRow("another function code") << QByteArray::fromHex("000000000005010402000a") << 3 << 1017u;
    QTest::newRow("exactly 8 bytes, code matches") << QByteArray::fromHex("0000000000020105") << 5 << 1018u;
    QTest::newRow("7 bytes: no function code") << QByteArray::fromHex("00000000000101") << 3 << 1017u;
    QTest::newRow("6 bytes") << QByteArray::fromHex("000000000000") << 3 << 1017u;
    QTest::newRow("1 byte") << QByteArray::fromHex("03") << 3 << 1017u;
    QTest::newRow("code 16 reply") << QByteArray::fromHex("00050000000601100001" "0002") << 16 << 1018u;
}

void TestModbusRequest::judgement()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    QFETCH(uint, messageId);
    QCOMPARE(verdictMessageId(judgeReply(reply, code)), messageId);
}

void TestModbusRequest::hexText_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");

    QTest::newRow("from the unit id on, zero filled, lowercase")
        << QByteArray::fromHex("00010000000501030200ab") << "01 03 02 00 ab ";
    QTest::newRow("7 bytes show one") << QByteArray::fromHex("0001000000010f") << "0f ";
    QTest::newRow("6 bytes show nothing") << QByteArray::fromHex("000100000000") << "";
    QTest::newRow("empty shows nothing") << QByteArray() << "";
}

void TestModbusRequest::hexText()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QCOMPARE(replyHexText(reply), text);
}

QTEST_APPLESS_MAIN(TestModbusRequest)
#include "tst_modbusrequest.moc"
