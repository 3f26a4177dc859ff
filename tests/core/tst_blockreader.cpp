#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/modelcatalogue.h"

#include <QtTest>

namespace {

// An all-zero block of the given length with a command-5 header.
QByteArray emptyBlock(int length)
{
    QByteArray b(length, '\0');
    b[3] = 5;
    b[6] = static_cast<char>(((length - 8) >> 8) & 0xFF);
    b[7] = static_cast<char>((length - 8) & 0xFF);
    return b;
}

// Applies "offset hex, offset hex, ..." to a block.
QByteArray patched(QByteArray block, const QString &patches)
{
    for (const QString &patch : patches.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList parts = patch.trimmed().split(QLatin1Char(' '));
        const int offset = parts.takeFirst().toInt();
        const QByteArray bytes = QByteArray::fromHex(parts.join(QString()).toLatin1());
        if (block.size() < offset + bytes.size())
            block.resize(offset + bytes.size());
        block.replace(offset, bytes.size(), bytes);
    }
    return block;
}

QString serialText(const CSerialPort &p)
{
    return QStringLiteral("%1,%2,%3,%4|%5,%6,%7").arg(p.m_baudRate).arg(p.m_parityCheck).arg(p.m_stopBit)
        .arg(p.m_dataBits).arg(p.m_charInterval).arg(p.m_respTimeout).arg(p.m_delayPolls);
}

// One named part of a configuration as text, so that table rows can name it.
QString part(const CConfigure &c, int commMode, const QString &name)
{
    const CAdvance &a = c.m_advance;
    if (name == "commMode") return QString::number(commMode);
    if (name == "name") return c.m_name;
    if (name == "ipMode") return QString::number(c.m_ipMode);
    if (name == "addresses") return QStringList{c.m_ip, c.m_mask, c.m_gateway, c.m_dns1, c.m_dns2}.join(' ');
    if (name == "serial0") return serialText(c.m_serial[0]);
    if (name == "serial1") return serialText(c.m_serial[1]);
    if (name == "serial3") return serialText(c.m_serial[3]);
    if (name == "counts")
        return QStringLiteral("%1,%2,%3").arg(c.m_idMaps.size()).arg(c.m_masters.size()).arg(c.m_requests.size());
    if (name == "idmap0") {
        if (c.m_idMaps.isEmpty()) return QStringLiteral("none");
        const CIDMap &m = *c.m_idMaps.first();
        return QStringLiteral("%1:%2 s%3 %4-%5 %6%7").arg(m.m_ip, m.m_port).arg(m.m_serialIndex).arg(m.m_idMin)
            .arg(m.m_idMax).arg(m.m_negative ? '-' : '+').arg(m.m_offset);
    }
    if (name == "master0") {
        if (c.m_masters.isEmpty()) return QStringLiteral("none");
        return c.m_masters.first()->m_ip + (c.m_masters.first()->m_serial2 ? " s2" : " s1");
    }
    if (name == "request0") {
        if (c.m_requests.isEmpty()) return QStringLiteral("none");
        const CSpecifiedRequest &r = *c.m_requests.first();
        return QStringLiteral("%1 %2 %3 %4").arg(r.m_slaveIdOn).arg(r.m_slaveId).arg(r.m_functionOn).arg(r.m_functionCode);
    }
    if (name == "advance") return QStringLiteral("%1 %2 %3").arg(a.m_password, a.m_highPort).arg(a.m_serialDelay);
    if (name.startsWith("range")) {
        const int i = name.mid(5).toInt();
        return QStringLiteral("%1 %2 %3").arg(a.m_limitOn[i]).arg(a.m_limitLow[i], a.m_limitHigh[i]);
    }
    return QStringLiteral("unknown part ") + name;
}

} // namespace

class TestBlockReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsingRules_data();
    void parsingRules();
    void packedLength_data();
    void packedLength();
    void foreignHeaderChangesNothing();
    void truncatedBlocksStayInBounds_data();
    void truncatedBlocksStayInBounds();
    void hostileCountsStayBounded();
    void keepAlive_data();
    void keepAlive();
};

void TestBlockReader::parsingRules_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("patches");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("expected");

    // Fixed layout (1216 bytes).
    QTest::newRow("all-ones addresses get their replacements") << 30203
        << "36 ffffffff, 40 ffffffff, 44 ffffffff, 48 ffffffff, 52 ffffffff" << "addresses"
        << "192.168.0.10 255.255.255.0 192.168.0.1 0.0.0.0 0.0.0.0";
    QTest::newRow("zero address stays, dotted order kept") << 30203 << "40 c0a80164, 44 0a000001" << "addresses"
        << "0.0.0.0 192.168.1.100 10.0.0.1 0.0.0.0 0.0.0.0";
    QTest::newRow("mode 3 kept") << 30203 << "11 03" << "commMode" << "3";
    QTest::newRow("mode 4 is RTU slave") << 30203 << "11 04" << "commMode" << "0";
    QTest::newRow("name ends at zero byte") << 30203 << "12 47572d3100414243" << "name" << "GW-1";
    QTest::newRow("name without zero takes 20 chars") << 30203
        << "12 4142434445464748494a4b4c4d4e4f5051525354, 32 00000002" << "name" << "ABCDEFGHIJKLMNOPQRST";
    QTest::newRow("address assignment 3 reads DHCP") << 30203 << "32 00000003" << "ipMode" << "1";
    QTest::newRow("address assignment BOOTP kept") << 30203 << "32 00000002" << "ipMode" << "2";
    QTest::newRow("baud 600 reads 9600, stop byte 0 one stop bit") << 30203 << "56 0000025808020000" << "serial0"
        << "3,2,0,8|1,300,0";
    QTest::newRow("baud 230400, parity 4, two stop bits") << 30203 << "56 0003840007040200" << "serial0"
        << "8,4,1,7|1,300,0";
    QTest::newRow("parity 5 and stop byte 3 fall back") << 30203 << "56 000004b008050300" << "serial0"
        << "0,0,0,8|1,300,0";
    QTest::newRow("port 2 of NTC-P01DL keeps only its baud") << 30103 << "64 00004b0008020200" << "serial1"
        << "4,0,0,0|1,300,0";
    QTest::newRow("port 2 of NTC-P02DL read in full") << 30203 << "64 00004b0008020200" << "serial1"
        << "4,2,1,8|1,300,0";
    QTest::newRow("timings inside their ranges") << 30203 << "652 00007530 0000ea60 0000ea60" << "serial0"
        << "3,0,0,0|30000,60000,60000";
    QTest::newRow("timings outside their ranges") << 30203 << "652 00007531 0000012b 0000ea61" << "serial0"
        << "3,0,0,0|1,300,0";
    QTest::newRow("ID map: all-ones address, fixed index 2 is 0") << 30203
        << "72 00000001, 76 ffffffff000001f6000000020a14010f" << "idmap0" << "0.0.0.0:502 s0 10-20 -15";
    QTest::newRow("ID map: ids 10 and 5 read as 0 and 0") << 30203 << "72 00000001, 76 7f00000100000001000000010a050002"
        << "idmap0" << "127.0.0.1:1 s1 0-0 +2";
    QTest::newRow("ID map: ids 10 and 250 read as 0 and 0") << 30203
        << "72 00000001, 76 7f00000100000001000000000afa00f8" << "idmap0" << "127.0.0.1:1 s0 0-0 +0";
    QTest::newRow("ID map: packed index 15 kept") << 130100 << "64 00000001, 68 01020304000001f60000000f00f700f7"
        << "idmap0" << "1.2.3.4:502 s15 0-247 +247";
    QTest::newRow("ID map: packed index 16 is 0") << 130100 << "64 00000001, 68 01020304000001f60000001000f700f8"
        << "idmap0" << "1.2.3.4:502 s0 0-247 +0";
    QTest::newRow("master on port 2, all-ones address") << 30203 << "676 00000001, 680 ffffffff00000001" << "master0"
        << "0.0.0.0 s2";
    QTest::newRow("master value 2 is port 1") << 30203 << "676 00000001, 680 0a00000200000002" << "master0"
        << "10.0.0.2 s1";
    QTest::newRow("request with function code 7 reads 1") << 30203 << "968 00000001, 972 01f70107" << "request0"
        << "1 247 1 1";
    QTest::newRow("request with function code 16, flags 2 are off") << 30203 << "968 00000001, 972 02030210"
        << "request0" << "0 3 0 16";
    QTest::newRow("port 0 reads 502, delay beyond 65535 reads 0") << 30203 << "1116 41424300, 1140 00010000"
        << "advance" << "ABC 502 0";
    QTest::newRow("port and delay kept") << 30203 << "1136 0000fde8 0000ffff" << "advance" << " 65000 65535";
    QTest::newRow("active range with all-ones end becomes 0.0.0.0") << 30203 << "1156 00000001 0a000001 ffffffff"
        << "range1" << "1 0.0.0.0 0.0.0.0";
    QTest::newRow("range value 2 is off and empty") << 30203 << "1144 00000002 0a000001 0a000002" << "range0"
        << "0  ";
    QTest::newRow("last range of the fixed block") << 30203 << "1204 00000001 0a000001 0a0000ff" << "range5"
        << "1 10.0.0.1 10.0.0.255";
    QTest::newRow("fixed counts above 36 taken as 36") << 30203 << "72 00000100, 676 ffffffff, 968 00000025" << "counts"
        << "36,36,36";
    // Packed layout of HW-P04: P1 = 88, timings at 92, P3 = 140, P4 = 144, P5 = 148.
    QTest::newRow("packed port 4 serial and timing records") << 130400 << "80 0001c20008010100, 128 00000005 000003e8 00000000"
        << "serial3" << "7,1,0,8|5,1000,0";
    QTest::newRow("packed ranges keep their slots") << 130400 << "200 00000001 c0a80001 c0a800ff" << "range2"
        << "1 192.168.0.1 192.168.0.255";
}

void TestBlockReader::parsingRules()
{
    QFETCH(int, code);
    QFETCH(QString, patches);
    QFETCH(QString, part);
    QFETCH(QString, expected);
    const bool fixed = Catalogue::layout(code) == BlockLayout::Fixed;
    const int ports = Catalogue::serialPorts(code);
    const QByteArray block = patched(emptyBlock(fixed ? 1216 : 168 + 20 * ports), patches);
    CConfigure c;
    c.m_modelCode = code;
    const BlockReader::Result r = BlockReader::read(block, c);
    QVERIFY(r.length > 0);
    QCOMPARE(::part(c, r.commMode, part), expected);
}

void TestBlockReader::packedLength_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("patches");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("counts");
    QTest::newRow("HW-P04, 2 maps, 1 master, 0 requests: 288") << 130400
        << "88 00000002, 92 0a0000010000000100000000010a0000, 108 0a0000020000000100000000010a0000, 172 00000001, "
           "176 0a00000900000000"
        << 288 << "2,1,0";
    QTest::newRow("HW-P08, 1 map: 344") << 130800 << "120 00000001, 124 0a000001000000010000000001020000, 340 00000000"
        << 344 << "1,0,0";
    QTest::newRow("outside model uses 16 ports: 488") << 0 << "" << 488 << "0,0,0";
}

void TestBlockReader::packedLength()
{
    QFETCH(int, code);
    QFETCH(QString, patches);
    QFETCH(int, length);
    QFETCH(QString, counts);
    const QByteArray block = patched(emptyBlock(length), patches);
    QCOMPARE(block.size(), length); // the fixture itself must not have grown
    CConfigure c;
    c.m_modelCode = code;
    const BlockReader::Result r = BlockReader::readPacked(block, c);
    QCOMPARE(r.length, length);
    QVERIFY(!r.truncated);
    QCOMPARE(part(c, 0, "counts"), counts);
}

void TestBlockReader::foreignHeaderChangesNothing()
{
    for (const int code : {30203, 130400}) {
        QByteArray block = emptyBlock(1216);
        block[3] = 6;
        CConfigure c;
        c.m_modelCode = code;
        c.m_name = "kept";
        c.m_idMaps.append(new CIDMap);
        const BlockReader::Result r = BlockReader::read(block, c);
        QCOMPARE(r.length, -1);
        QCOMPARE(c.m_name, QStringLiteral("kept"));
        QCOMPARE(c.m_idMaps.size(), 1);
        QCOMPARE(BlockReader::read(QByteArray::fromHex("000000"), c).length, -1);
    }
}

void TestBlockReader::truncatedBlocksStayInBounds_data()
{
    QTest::addColumn<int>("code");
    for (const ModelInfo &m : Catalogue::models())
        QTest::newRow(qPrintable(m.names.first())) << m.code;
    QTest::newRow("outside model") << 0;
}

// Every prefix of a full block is parsed without reading past it (ASan checks
// the reads); entries are taken only when they lie wholly inside the prefix.
void TestBlockReader::truncatedBlocksStayInBounds()
{
    QFETCH(int, code);
    CConfigure source;
    source.m_modelCode = code;
    for (int i = 0; i < 3; ++i) {
        auto *m = new CIDMap;
        m->m_ip = "10.0.0.1";
        m->m_port = "502";
        m->m_idMax = 5;
        source.m_idMaps.append(m);
        auto *s = new CSpecifiedMaster;
        s->m_ip = "10.0.0.2";
        source.m_masters.append(s);
        source.m_requests.append(new CSpecifiedRequest);
    }
    const BlockWriter::Result built = BlockWriter::build(source, 0, "2.1");
    QCOMPARE(built.code, int(BlockWriter::Built));
    const QByteArray full = built.block;
    const bool fixed = Catalogue::layout(code) == BlockLayout::Fixed;
    const int ports = fixed ? 2 : Catalogue::serialPorts(code);
    const int firstMap = 56 + 8 * ports + 4;
    for (int length = 0; length <= full.size(); ++length) {
        // A copy of exactly `length` bytes, so ASan sees any read past it.
        const QByteArray prefix(full.constData(), length);
        QByteArray withHeader = prefix;
        if (length >= 4)
            withHeader[3] = 5;
        CConfigure c;
        c.m_modelCode = code;
        const BlockReader::Result r = BlockReader::read(withHeader, c);
        if (length < 4) {
            QCOMPARE(r.length, -1);
            continue;
        }
        QCOMPARE(r.truncated, length < full.size());
        const int fitting = qBound(0, (length - firstMap) / 16, 3);
        QCOMPARE(c.m_idMaps.size(), fitting);
    }
}

void TestBlockReader::hostileCountsStayBounded()
{
    // Counts of 2^32-1 in a short packed block: nothing past the end is taken
    // and the reported length does not wrap.
    QByteArray block = patched(emptyBlock(188), "64 ffffffff");
    CConfigure c;
    c.m_modelCode = 130100;
    const BlockReader::Result r = BlockReader::readPacked(block, c);
    QVERIFY(r.truncated);
    QCOMPARE(r.length, std::numeric_limits<int>::max());
    QCOMPARE(c.m_idMaps.size(), (188 - 68) / 16);
    QVERIFY(c.m_masters.isEmpty());
    QVERIFY(c.m_requests.isEmpty());
}

void TestBlockReader::keepAlive_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("on");
    QTest::addColumn<qulonglong>("seconds");
    QTest::newRow("3000 hundredths are 30 s") << 130400 << QByteArray::fromHex("0000000d000000080000000100000bb8")
        << true << true << 30ull;
    QTest::newRow("199 hundredths truncate to 1 s") << 130400 << QByteArray::fromHex("0000000d0000000800000002000000c7")
        << true << true << 1ull;
    QTest::newRow("all ones is the default of NTC-P01DL") << 30103
        << QByteArray::fromHex("0000000d0000000800000000ffffffff") << true << false << 30ull;
    QTest::newRow("all ones is the default of HW-P04") << 130400
        << QByteArray::fromHex("0000000d0000000800000001ffffffff") << true << true << 8ull;
    QTest::newRow("65535 s is the largest") << 130100 << QByteArray::fromHex("0000000d00000008000000010063ff9c")
        << true << true << 65535ull;
    QTest::newRow("65536 s gives the default") << 30203 << QByteArray::fromHex("0000000d000000080000000100640000")
        << true << true << 30ull;
    QTest::newRow("short reply counts missing bytes as zero") << 130400 << QByteArray::fromHex("0000000d0000")
        << true << false << 0ull;
    QTest::newRow("wrong code changes nothing") << 130400 << QByteArray::fromHex("0000000e000000080000000000000064")
        << false << true << 77ull;
}

void TestBlockReader::keepAlive()
{
    QFETCH(int, code);
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    QFETCH(bool, on);
    QFETCH(qulonglong, seconds);
    CAdvance a;
    a.m_aliveTime = 77;
    QCOMPARE(BlockReader::readKeepAlive(reply, a, code), accepted);
    QCOMPARE(a.m_keepAlive, on);
    QCOMPARE(qulonglong(a.m_aliveTime), seconds);
}

QTEST_APPLESS_MAIN(TestBlockReader)
#include "tst_blockreader.moc"
