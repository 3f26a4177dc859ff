#include "discovery/discoveryanswer.h"

#include <QtTest>

Q_DECLARE_METATYPE(Discovery::AnswerStatus)

// Decoding of the 68-byte discovery answer into a device list entry.
class TstDiscoveryAnswer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void request();
    void field_data();
    void field();
    void status_data();
    void status();
    void failedParseLeavesRecord();
    void hexText_data();
    void hexText();
};

namespace {

// HW-P04, firmware 2.1, MAC 00-1a-2b-3c-4d-5e, 192.168.1.10, password set,
// name "GW-Hall", remote configuration allowed.
const QByteArray kAnswer = QByteArray::fromHex(
    "000000030000003c0001fd6000000000000000000000000000020001001a2b3c4d5e0000c0a8010a00000001"
    "47572d48616c6c0000000000000000000000000000000001");

// The answer with `hex` written at `offset`.
QByteArray patched(int offset, const char *hex)
{
    QByteArray a = kAnswer;
    const QByteArray bytes = QByteArray::fromHex(hex);
    a.replace(offset, bytes.size(), bytes);
    return a;
}

} // namespace

void TstDiscoveryAnswer::request()
{
    QCOMPARE(Discovery::request().toHex(), QByteArray("0000000300000000"));
}

void TstDiscoveryAnswer::field_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");

    QTest::newRow("number is the running number given") << kAnswer << int(CEquipment::Number) << "7";

    QTest::newRow("firmware 00 01 00 0A is 1.10") << patched(24, "0001000a") << int(CEquipment::Firmware) << "1.10";
    QTest::newRow("firmware numbers are unsigned 16-bit")
        << patched(24, "ffff0100") << int(CEquipment::Firmware) << "65535.256";

    QTest::newRow("MAC as lowercase hex joined by -") << kAnswer << int(CEquipment::MacAddress) << "00-1a-2b-3c-4d-5e";
    QTest::newRow("MAC keeps leading zeros and high bytes")
        << patched(28, "0a0bfe80ff01") << int(CEquipment::MacAddress) << "0a-0b-fe-80-ff-01";

    QTest::newRow("IP in dotted order") << kAnswer << int(CEquipment::IpAddress) << "192.168.1.10";
    QTest::newRow("IP bytes above 127 are not negative")
        << patched(36, "ff80000a") << int(CEquipment::IpAddress) << "255.128.0.10";

    QTest::newRow("name ends at the first zero byte") << patched(44, "4142004344") << int(CEquipment::Name) << "AB";
    QTest::newRow("name of 20 bytes without zero taken whole")
        << patched(44, "3132333435363738393031323334353637383930") << int(CEquipment::Name)
        << "12345678901234567890";
    QTest::newRow("name does not run into the configuration flag")
        << patched(44, "414141414141414141414141414141414141414100000001") << int(CEquipment::Name)
        << "AAAAAAAAAAAAAAAAAAAA";
    QTest::newRow("name is Latin-1") << patched(44, "4de97472650000") << int(CEquipment::Name)
                                     << QString::fromLatin1("M\xe9tre");
    QTest::newRow("empty name") << patched(44, "00") << int(CEquipment::Name) << "";

    QTest::newRow("password flag 1 is Encryption") << kAnswer << int(CEquipment::PasswordSetting) << "Encryption";
    QTest::newRow("password flag 2 is None") << patched(40, "00000002") << int(CEquipment::PasswordSetting) << "None";
    QTest::newRow("password flag 0 is None") << patched(40, "00000000") << int(CEquipment::PasswordSetting) << "None";
    QTest::newRow("password flag is big-endian")
        << patched(40, "01000000") << int(CEquipment::PasswordSetting) << "None";

    QTest::newRow("configuration flag 1 allows") << kAnswer << int(CEquipment::Status) << "Allow configuration";
    QTest::newRow("configuration flag 0 prohibits")
        << patched(64, "00000000") << int(CEquipment::Status) << "Prohibit configuration";
    QTest::newRow("configuration flag is big-endian")
        << patched(64, "01000000") << int(CEquipment::Status) << "Prohibit configuration";
    QTest::newRow("configuration flag 257 prohibits")
        << patched(64, "00000101") << int(CEquipment::Status) << "Prohibit configuration";

    QTest::newRow("model 30103") << patched(9, "007597") << int(CEquipment::Model) << "NTC-P01DL";
    QTest::newRow("model 30203") << patched(9, "0075fb") << int(CEquipment::Model) << "KX500-EN-2RS485(Modbus TCP)";
    QTest::newRow("model 130100") << patched(9, "01fc34") << int(CEquipment::Model) << "KX500-DL-RS";
    QTest::newRow("model 130200") << patched(9, "01fc98") << int(CEquipment::Model) << "KX500-DL-2RS";
    QTest::newRow("model 130400") << kAnswer << int(CEquipment::Model) << "HW-P04";
    QTest::newRow("model 130800") << patched(9, "01fef0") << int(CEquipment::Model) << "HW-P08";
    QTest::newRow("model 131600") << patched(9, "020210") << int(CEquipment::Model) << "HW-P16";
    QTest::newRow("model code is 24 bits, byte 8 is not part of it")
        << patched(8, "ff01fd60") << int(CEquipment::Model) << "HW-P04";
    QTest::newRow("unknown model is Other equipment") << patched(9, "0f423f") << int(CEquipment::Model)
                                                      << "Other equipment";
    QTest::newRow("model code 0 is Other equipment") << patched(9, "000000") << int(CEquipment::Model)
                                                     << "Other equipment";
    QTest::newRow("unknown model ignores the name bytes")
        << patched(9, "ffffff") << int(CEquipment::Name) << "Unsupported equipment";
    QTest::newRow("unknown model still reports its address")
        << patched(9, "ffffff") << int(CEquipment::IpAddress) << "192.168.1.10";
}

void TstDiscoveryAnswer::field()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, column);
    QFETCH(QString, expected);
    QCOMPARE(answer.size(), Discovery::AnswerSize);
    CEquipment e;
    QCOMPARE(Discovery::parseAnswer(answer, 7, e), Discovery::AnswerStatus::Ok);
    QCOMPARE(e.field(column), expected);
}

void TstDiscoveryAnswer::status_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<Discovery::AnswerStatus>("status");

    QTest::newRow("valid answer") << kAnswer << Discovery::AnswerStatus::Ok;
    QTest::newRow("bytes 4..8 are not interpreted") << patched(4, "ffffffffff") << Discovery::AnswerStatus::Ok;
    QTest::newRow("one byte short") << kAnswer.left(67) << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("one byte long") << kAnswer + QByteArray(1, '\0') << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("empty datagram") << QByteArray() << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("our own request echoed") << QByteArray::fromHex("0000000300000000")
                                            << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("length checked before header") << QByteArray::fromHex("00000004") << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("command 4") << patched(0, "00000004") << Discovery::AnswerStatus::WrongHeader;
    QTest::newRow("first byte not zero") << patched(0, "01000003") << Discovery::AnswerStatus::WrongHeader;
    QTest::newRow("third byte not zero") << patched(0, "00000103") << Discovery::AnswerStatus::WrongHeader;
    QTest::newRow("all zero") << QByteArray(68, '\0') << Discovery::AnswerStatus::WrongHeader;
}

void TstDiscoveryAnswer::status()
{
    QFETCH(QByteArray, datagram);
    QFETCH(Discovery::AnswerStatus, status);
    CEquipment e;
    QCOMPARE(Discovery::parseAnswer(datagram, 1, e), status);
}

void TstDiscoveryAnswer::failedParseLeavesRecord()
{
    CEquipment e;
    e.m_ip = QStringLiteral("10.0.0.1");
    e.m_name = QStringLiteral("kept");
    QCOMPARE(Discovery::parseAnswer(patched(0, "00000004"), 3, e), Discovery::AnswerStatus::WrongHeader);
    QCOMPARE(Discovery::parseAnswer(kAnswer.left(60), 3, e), Discovery::AnswerStatus::WrongLength);
    QCOMPARE(e.m_ip, QStringLiteral("10.0.0.1"));
    QCOMPARE(e.m_name, QStringLiteral("kept"));
    QVERIFY(e.m_number.isNull());
}

void TstDiscoveryAnswer::hexText_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("isNull");

    const QByteArray mac = QByteArray::fromHex("001a2b3c4d5e");
    QTest::newRow("whole range with separator") << mac << 6 << 0 << "-" << "00-1a-2b-3c-4d-5e" << false;
    QTest::newRow("no separator when empty") << mac << 3 << 0 << "" << "001a2b" << false;
    QTest::newRow("longer separator") << mac << 3 << 1 << ", " << "1a, 2b" << false;
    QTest::newRow("single byte has no separator") << mac << 2 << 1 << "-" << "1a" << false;
    QTest::newRow("end is exclusive") << QByteArray::fromHex("ff0a09") << 2 << 0 << ":" << "ff:0a" << false;
    QTest::newRow("start equal to end is empty") << mac << 2 << 2 << "-" << "" << false;
    QTest::newRow("start after end is null") << mac << 1 << 4 << "-" << "" << true;
}

void TstDiscoveryAnswer::hexText()
{
    QFETCH(QByteArray, data);
    QFETCH(int, end);
    QFETCH(int, start);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QFETCH(bool, isNull);
    const QString text =
        uncharToQstring(reinterpret_cast<const unsigned char *>(data.constData()), end, start, separator);
    QCOMPARE(text, expected);
    QCOMPARE(text.isNull(), isNull);
}

QTEST_APPLESS_MAIN(TstDiscoveryAnswer)
#include "tst_discoveryanswer.moc"
