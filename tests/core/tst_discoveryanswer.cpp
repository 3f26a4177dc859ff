#include "discovery/discoveryanswer.h"

#include <QtTest>

Q_DECLARE_METATYPE(Discovery::AnswerStatus)

class TstDiscoveryAnswer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void request();
    void field_data();
    void field();
    void status_data();
    void status();
    void hexText();
};

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

void fieldRow(const char *name, const QByteArray &answer, CEquipment::Column column, const QString &expected)
{
    QTest::newRow(name) << answer << int(column) << expected;
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
    fieldRow("running number", kAnswer, CEquipment::Number, "7");
    fieldRow("firmware unsigned", patched(24, "ffff0100"), CEquipment::Firmware, "65535.256");
    fieldRow("MAC zeros, high bytes", patched(28, "0a0bfe80ff01"), CEquipment::MacAddress, "0a-0b-fe-80-ff-01");
    fieldRow("IP bytes above 127", patched(36, "ff80000a"), CEquipment::IpAddress, "255.128.0.10");
    fieldRow("name ends at zero", patched(44, "4142004344"), CEquipment::Name, "AB");
    fieldRow("20-byte name stops before the flag", patched(44, "414141414141414141414141414141414141414100000001"),
             CEquipment::Name, "AAAAAAAAAAAAAAAAAAAA");
    fieldRow("name is Latin-1", patched(44, "4de97472650000"), CEquipment::Name, QString::fromLatin1("M\xe9tre"));
    fieldRow("password 1", kAnswer, CEquipment::PasswordSetting, "Encryption");
    fieldRow("password 2", patched(40, "00000002"), CEquipment::PasswordSetting, "None");
    fieldRow("password big-endian", patched(40, "01000000"), CEquipment::PasswordSetting, "None");
    fieldRow("configuration 1", kAnswer, CEquipment::Status, "Allow configuration");
    fieldRow("configuration big-endian", patched(64, "01000000"), CEquipment::Status, "Prohibit configuration");
    fieldRow("configuration 257", patched(64, "00000101"), CEquipment::Status, "Prohibit configuration");
    fieldRow("model 30203", patched(9, "0075fb"), CEquipment::Model, "KX500-EN-2RS485(Modbus TCP)");
    fieldRow("model 130400", kAnswer, CEquipment::Model, "HW-P04");
    fieldRow("model is 24 bits", patched(8, "ff01fd60"), CEquipment::Model, "HW-P04");
    fieldRow("unknown model", patched(9, "0f423f"), CEquipment::Model, "Other equipment");
    fieldRow("unknown model's name", patched(9, "ffffff"), CEquipment::Name, "Unsupported equipment");
    fieldRow("unknown model's address", patched(9, "ffffff"), CEquipment::IpAddress, "192.168.1.10");
}

void TstDiscoveryAnswer::field()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, column);
    QFETCH(QString, expected);
    CEquipment e;
    QCOMPARE(Discovery::parseAnswer(answer, 7, e), Discovery::AnswerStatus::Ok);
    QCOMPARE(e.field(column), expected);
}

void TstDiscoveryAnswer::status_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<Discovery::AnswerStatus>("status");
    QTest::newRow("valid") << kAnswer << Discovery::AnswerStatus::Ok;
    QTest::newRow("bytes 4..8 ignored") << patched(4, "ffffffffff") << Discovery::AnswerStatus::Ok;
    QTest::newRow("one byte short") << kAnswer.left(67) << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("one byte long") << kAnswer + QByteArray(1, '\0') << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("own request echoed") << Discovery::request() << Discovery::AnswerStatus::WrongLength;
    QTest::newRow("command 4") << patched(0, "00000004") << Discovery::AnswerStatus::WrongHeader;
    QTest::newRow("first byte") << patched(0, "01000003") << Discovery::AnswerStatus::WrongHeader;
    QTest::newRow("third byte") << patched(0, "00000103") << Discovery::AnswerStatus::WrongHeader;
}

void TstDiscoveryAnswer::status()
{
    QFETCH(QByteArray, datagram);
    QFETCH(Discovery::AnswerStatus, status);
    CEquipment e;
    e.m_ip = QStringLiteral("10.0.0.1");
    QCOMPARE(Discovery::parseAnswer(datagram, 1, e), status);
    // A refused datagram leaves the record as it was.
    QCOMPARE(e.m_ip, status == Discovery::AnswerStatus::Ok ? QString("192.168.1.10") : QString("10.0.0.1"));
    QCOMPARE(e.m_number.isNull(), status != Discovery::AnswerStatus::Ok);
}

void TstDiscoveryAnswer::hexText()
{
    const unsigned char mac[] = {0x00, 0x1a, 0x2b};
    const struct {
        int end, start;
        const char *separator;
        QString expected;
    } rows[] = {{3, 0, "", "001a2b"}, {3, 1, ", ", "1a, 2b"}, {2, 2, "-", ""}, {1, 3, "-", QString()}};
    for (const auto &r : rows) {
        const QString text = uncharToQstring(mac, r.end, r.start, QString::fromLatin1(r.separator));
        QCOMPARE(text, r.expected);
        QCOMPARE(text.isNull(), r.expected.isNull()); // null only when start is after end
    }
}

QTEST_APPLESS_MAIN(TstDiscoveryAnswer)
#include "tst_discoveryanswer.moc"
