#include "diagnostics/modbusrequest.h"

#include <QtTest>

using namespace ModbusRequest;

Q_DECLARE_METATYPE(Inputs)

class TestModbusRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frame_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<uint>("messageId");
        QTest::addColumn<QByteArray>("expected");

        const auto hex = [](const char *h) { return QByteArray::fromHex(h); };
        // Inputs: transaction, unit, function code, start address, quantity, data.
        QTest::newRow("read coils: transaction, unit, address, quantity big-endian")
            << Inputs{0x1234, 0x11, 1, 0x13, 0x25, {}} << 0u << hex("123400000006110100130025");
        QTest::newRow("read input registers at the highest address")
            << Inputs{0xfffe, 255, 4, 0xffff, 127, {}} << 0u << hex("fffe00000006ff04ffff007f");
        QTest::newRow("unit id keeps its low 8 bits")
            << Inputs{1, 300, 3, 0, 1, {}} << 0u << hex("0001000000062c0300000001");
        QTest::newRow("write coil on") << Inputs{3, 1, 5, 0xac, 1, hex("ff")} << 0u << hex("000300000006010500acff00");
        QTest::newRow("write coil off") << Inputs{3, 1, 5, 0xac, 1, hex("00")} << 0u << hex("000300000006010500ac0000");
        QTest::newRow("write coil: second byte does not change the value")
            << Inputs{3, 1, 5, 1, 1, hex("ff12")} << 0u << hex("00030000000601050001ff00");
        QTest::newRow("write register from one byte")
            << Inputs{9, 1, 6, 1, 1, hex("2a")} << 0u << hex("00090000000601060001002a");
        QTest::newRow("write register ignores a third byte")
            << Inputs{9, 1, 6, 1, 1, hex("123456")} << 0u << hex("000900000006010600011234");
        QTest::newRow("write 10 coils sends only the two bytes needed")
            << Inputs{4, 1, 15, 0x13, 10, hex("ff0377")} << 0u << hex("000400000009010f0013000a02ff03");
        QTest::newRow("write 8 coils takes one byte")
            << Inputs{4, 1, 15, 0, 8, hex("a5")} << 0u << hex("000400000008010f0000000801a5");
        QTest::newRow("write 2 registers: byte count 4, length 11")
            << Inputs{5, 1, 16, 1, 2, hex("00010002")} << 0u << hex("00050000000b01100001000204" "00010002");
        const QByteArray fill254(254, 'Z'), fill250(250, 'Z');
        QTest::newRow("127 registers: the length needs both its bytes")
            << Inputs{0x0102, 1, 16, 0, 127, fill254} << 0u << hex("01020000010501100000007ffe") + fill254;
        QTest::newRow("2000 coils: the length needs both its bytes")
            << Inputs{0x0102, 1, 15, 0, 2000, fill250} << 0u << hex("010200000101010f000007d0fa") + fill250;
        QTest::newRow("write coil without data") << Inputs{0, 1, 5, 0, 1, {}} << 1010u << QByteArray();
        QTest::newRow("write register without data") << Inputs{0, 1, 6, 0, 1, {}} << 1011u << QByteArray();
        QTest::newRow("write coils without data") << Inputs{0, 1, 15, 0, 1, {}} << 1012u << QByteArray();
        QTest::newRow("10 coils need two bytes") << Inputs{0, 1, 15, 0, 10, hex("ff")} << 1013u << QByteArray();
        QTest::newRow("write registers without data") << Inputs{0, 1, 16, 0, 1, {}} << 1014u << QByteArray();
        QTest::newRow("2 registers, three bytes") << Inputs{0, 1, 16, 0, 2, hex("000100")} << 1015u << QByteArray();
        QTest::newRow("2 registers, six bytes") << Inputs{0, 1, 16, 0, 2, hex("000100020003")} << 1015u << QByteArray();
    }

    void frame()
    {
        QFETCH(Inputs, in);
        QFETCH(uint, messageId);
        QFETCH(QByteArray, expected);

        const Built built = buildRequest(in);
        QCOMPARE(built.messageId, messageId);
        QCOMPARE(built.frame.toHex(' '), expected.toHex(' '));
    }

    void dataText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::addColumn<uint>("messageId");
        QTest::addColumn<QString>("bytes");

        QTest::newRow("empty text is no data") << "" << 3 << 0u << "";
        QTest::newRow("pairs in any case separated by spaces") << "01 ab FF" << 16 << 0u << "01abff";
        QTest::newRow("trailing space") << "01 02 " << 16 << 0u << "0102";
        QTest::newRow("one pair") << "7f" << 6 << 0u << "7f";
        QTest::newRow("not hex") << "0x" << 6 << 1001u << "";
        QTest::newRow("illegal character checked before the length") << "g" << 6 << 1001u << "";
        QTest::newRow("single character") << "a" << 6 << 1002u << "";
        QTest::newRow("single character checked before the coil layout") << "f" << 5 << 1002u << "";
        QTest::newRow("no spaces") << "0a0b" << 16 << 1003u << "";
        QTest::newRow("lone last digit") << "ff 0" << 6 << 1003u << "";
        QTest::newRow("space in place of a digit") << "f  00" << 6 << 1003u << "";
        QTest::newRow("coil off with trailing space") << "00 00 " << 5 << 0u << "0000";
        QTest::newRow("coil: one pair only") << "ff" << 5 << 1004u << "";
        QTest::newRow("coil: three pairs") << "ff 00 00" << 5 << 1004u << "";
        QTest::newRow("coil: 0 not followed by 0") << "0f 00" << 5 << 1005u << "";
        QTest::newRow("coil: f not followed by f") << "fe 00" << 5 << 1006u << "";
        QTest::newRow("coil: first digit neither 0 nor f") << "10 00" << 5 << 1007u << "";
        QTest::newRow("same text accepted for another code") << "10 00" << 6 << 0u << "1000";
    }

    void dataText()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        QFETCH(uint, messageId);
        QFETCH(QString, bytes);

        const DataText data = parseDataText(text, code);
        QCOMPARE(data.messageId, messageId);
        QCOMPARE(QString::fromLatin1(data.bytes.toHex()), bytes);
    }

    void conversionTable()
    {
        QCOMPARE(int(conversion('a', '9')), 0xa9);
        QCOMPARE(int(conversion('f', 'f')), 0xff);
        // Only lowercase digits count; anything else is 0.
        QCOMPARE(int(conversion('F', 'F')), 0x00);
        QCOMPARE(int(conversion('g', '1')), 0x01);
    }

    void clamp_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("code 2 at 2000 kept") << 2 << "2000" << "2000";
        QTest::newRow("code 15 just above") << 15 << "2001" << "2000";
        QTest::newRow("code 4 at 127 kept") << 4 << "127" << "127";
        QTest::newRow("code 16 just above") << 16 << "128" << "127";
        QTest::newRow("code 5 not clamped") << 5 << "5000" << "5000";
        QTest::newRow("too long for int still clamped") << 1 << "99999999999999999999" << "2000";
        QTest::newRow("leading zeros kept below limit") << 3 << "007" << "007";
        QTest::newRow("empty kept") << 3 << "" << "";
        QTest::newRow("negative becomes 0") << 6 << "-3" << "0";
    }

    void clamp()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(clampQuantity(code, text), expected);
    }

    void counterNeverSends65535_data()
    {
        QTest::addColumn<int>("counter");
        QTest::addColumn<QList<int>>("sent");

        QTest::newRow("first sends") << 0 << QList<int>{0, 1, 2};
        QTest::newRow("wrap after 65534") << 65533 << QList<int>{65533, 65534, 0, 1};
        QTest::newRow("counter left at 65535") << 65535 << QList<int>{0, 1};
    }

    void counterNeverSends65535()
    {
        QFETCH(int, counter);
        QFETCH(QList<int>, sent);

        QList<int> got;
        for (int i = 0; i < sent.size(); ++i) {
            got << transIdToSend(counter);
            counter = got.last() + 1;
        }
        QCOMPARE(got, sent);
    }

    void judgement_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<uint>("messageId");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("declared"); // whole length, from the length field

        const auto hex = [](const char *h) { return QByteArray::fromHex(h); };
        QTest::newRow("nothing") << QByteArray() << 3 << 1016u << "" << -1;
        QTest::newRow("matching function code, shown from the unit id on, zero filled, lowercase")
            << hex("000000000005010302000a") << 3 << 1018u << "01 03 02 00 0a " << 11;
        QTest::newRow("exception reply") << hex("000000000003018302") << 3 << 1017u << "01 83 02 " << 9;
        QTest::newRow("another function code") << hex("00000000000501040200") << 3 << 1017u << "01 04 02 00 " << 11;
        QTest::newRow("exactly 8 bytes, code matches") << hex("0000000000020105") << 5 << 1018u << "01 05 " << 8;
        QTest::newRow("7 bytes: no function code") << hex("0001000000010f") << 15 << 1017u << "0f " << 7;
        QTest::newRow("6 bytes show nothing") << hex("000000000000") << 3 << 1017u << "" << 6;
        QTest::newRow("5 bytes: no length yet") << hex("0000000000") << 3 << 1017u << "" << -1;
        QTest::newRow("length above 255") << hex("0000000001050103") << 3 << 1018u << "01 03 " << 6 + 261;
    }

    void judgement()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        QFETCH(uint, messageId);
        QFETCH(QString, text);
        QFETCH(int, declared);
        QCOMPARE(verdictMessageId(judgeReply(reply, code)), messageId);
        QCOMPARE(replyHexText(reply), text);
        QCOMPARE(declaredReplyLength(reply), declared);
    }
};

QTEST_APPLESS_MAIN(TestModbusRequest)
#include "tst_modbusrequest.moc"
