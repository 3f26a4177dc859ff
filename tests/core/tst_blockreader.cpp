#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/modelcatalogue.h"

#include <QtTest>

namespace {

// A zeroed block with a command-5 header, patched with "offset hex, offset hex, ...".
QByteArray block(int length, const QString &patches)
{
    QByteArray b(length, '\0');
    b[3] = 5;
    b[6] = static_cast<char>(((length - 8) >> 8) & 0xFF);
    b[7] = static_cast<char>((length - 8) & 0xFF);
    for (const QString &patch : patches.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList parts = patch.trimmed().split(QLatin1Char(' '));
        const int offset = parts.takeFirst().toInt();
        const QByteArray bytes = QByteArray::fromHex(parts.join(QString()).toLatin1());
        b.replace(offset, bytes.size(), bytes);
    }
    return b;
}

// Named parts of a configuration as text, so that table rows can name them.
QString part(const CConfigure &c, int commMode, const QString &names)
{
    const CAdvance &a = c.m_advance;
    QStringList out;
    for (const QString &name : names.split(QLatin1Char(' '))) {
        if (name == "header") out << QString::number(commMode) << c.m_name << QString::number(c.m_ipMode);
        if (name == "addresses") out << QStringList{c.m_ip, c.m_mask, c.m_gateway, c.m_dns1, c.m_dns2}.join(' ');
        if (name.startsWith("serial")) {
            const CSerialPort &p = c.m_serial[name.mid(6).toInt()];
            out << QStringLiteral("%1,%2,%3,%4|%5,%6,%7").arg(p.m_baudRate).arg(p.m_parityCheck).arg(p.m_stopBit)
                       .arg(p.m_dataBits).arg(p.m_charInterval).arg(p.m_respTimeout).arg(p.m_delayPolls);
        }
        if (name == "counts")
            out << QStringLiteral("%1,%2,%3").arg(c.m_idMaps.size()).arg(c.m_masters.size()).arg(c.m_requests.size());
        for (const CIDMap *m : name == "maps" ? c.m_idMaps : QList<CIDMap *>())
            out << QStringLiteral("%1:%2 s%3 %4-%5 %6%7").arg(m->m_ip, m->m_port).arg(m->m_serialIndex).arg(m->m_idMin)
                       .arg(m->m_idMax).arg(m->m_negative ? '-' : '+').arg(m->m_offset);
        for (const CSpecifiedMaster *m : name == "masters" ? c.m_masters : QList<CSpecifiedMaster *>())
            out << m->m_ip + (m->m_serial2 ? " s2" : " s1");
        for (const CSpecifiedRequest *r : name == "requests" ? c.m_requests : QList<CSpecifiedRequest *>())
            out << QStringLiteral("%1 %2 %3 %4").arg(r->m_slaveIdOn).arg(r->m_slaveId).arg(r->m_functionOn)
                       .arg(r->m_functionCode);
        if (name == "advance") out << QStringLiteral("%1 %2 %3").arg(a.m_password, a.m_highPort).arg(a.m_serialDelay);
        for (int i = 0; name == "ranges" && i < CAdvance::RangeCount; ++i)
            out << QStringLiteral("%1 %2 %3").arg(a.m_limitOn[i]).arg(a.m_limitLow[i], a.m_limitHigh[i]);
    }
    return out.join(QStringLiteral("; "));
}

} // namespace

class TestBlockReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsingRules_data();
    void parsingRules();
    void truncatedBlocksStayInBounds_data();
    void truncatedBlocksStayInBounds();
    void hostileCountsStayBounded();
    void keepAlive_data();
    void keepAlive();
};

// Values the writer never produces; the round trip in tst_blockwriter covers the rest.
void TestBlockReader::parsingRules_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("patches");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("expected");
    QTest::newRow("mode 4 is RTU slave, name without zero, assignment 3 is DHCP, all-ones addresses") << 30203
        << "11 04, 12 4142434445464748494a4b4c4d4e4f5051525354, 32 00000003, 36 ffffffff ffffffff ffffffff ffffffff ffffffff"
        << "header addresses" << "0; ABCDEFGHIJKLMNOPQRST; 1; 192.168.0.10 255.255.255.0 192.168.0.1 0.0.0.0 0.0.0.0";
    QTest::newRow("port 2 of NTC-P01DL: baud only") << 30103 << "64 00004b0008020200" << "serial1" << "4,0,0,0|1,300,0";
    QTest::newRow("baud 600, parity 5, stop byte 3; timings at their limits, port 2's just outside") << 30203
        << "56 0000025808050300, 652 00007530 0000ea60 0000ea60 00007531 0000012b 0000ea61" << "serial0 serial1"
        << "3,0,0,8|30000,60000,60000; 3,0,0,0|1,300,0";
    QTest::newRow("fixed maps: all-ones address, index 2, ids 10-5, ids 10-250") << 30203
        << "72 00000003, 76 ffffffff000001f6000000020a14010f, 92 7f00000100000001000000010a050002, "
           "108 7f00000100000001000000000afa00f8"
        << "maps" << "0.0.0.0:502 s0 10-20 -15; 127.0.0.1:1 s1 0-0 +2; 127.0.0.1:1 s0 0-0 +0";
    QTest::newRow("packed maps: index 15 kept, 16 is 0") << 130100
        << "64 00000002, 68 01020304000001f60000000f00f700f7, 84 01020304000001f60000001000f700f8" << "maps"
        << "1.2.3.4:502 s15 0-247 +247; 1.2.3.4:502 s0 0-247 +0";
    QTest::newRow("masters 1 is port 2, 2 port 1; requests code 7 is 1, flags 2 off") << 30203
        << "676 00000002, 680 ffffffff00000001 0a00000200000002, 968 00000002, 972 01f70107 02030210" << "masters requests"
        << "0.0.0.0 s2; 10.0.0.2 s1; 1 247 1 1; 0 3 0 16";
    QTest::newRow("port 0 is 502, delay 65536 is 0; ranges: value 2 off, all-ones end, last slot") << 30203
        << "1116 41424300, 1140 00010000 00000002 0a000001 0a000002 00000001 0a000001 ffffffff, "
           "1204 00000001 0a000001 0a0000ff"
        << "advance ranges" << "ABC 502 0; 0  ; 1 0.0.0.0 0.0.0.0; 0  ; 0  ; 0  ; 1 10.0.0.1 10.0.0.255";
    QTest::newRow("counts above 36 are 36") << 30203 << "72 00000100, 676 ffffffff, 968 00000025" << "counts" << "36,36,36";
    // HW-P04 packed: ranges start at 176, each in its own slot.
    QTest::newRow("packed ranges keep their slots") << 130400 << "200 00000001 c0a80001 c0a800ff" << "ranges"
        << "0  ; 0  ; 1 192.168.0.1 192.168.0.255; 0  ; 0  ; 0  ";
}

void TestBlockReader::parsingRules()
{
    QFETCH(int, code);
    QFETCH(QString, patches);
    QFETCH(QString, part);
    QFETCH(QString, expected);
    CConfigure c;
    c.m_modelCode = code;
    const int length = Catalogue::layout(code) == BlockLayout::Fixed ? 1216 : 168 + 20 * Catalogue::serialPorts(code);
    const BlockReader::Result r = BlockReader::read(block(length, patches), c);
    QVERIFY(r.length > 0);
    QCOMPARE(::part(c, r.commMode, part), expected);
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
// A foreign header changes nothing.
void TestBlockReader::truncatedBlocksStayInBounds()
{
    QFETCH(int, code);
    CConfigure source;
    source.m_modelCode = code;
    for (int i = 0; i < 3; ++i) {
        source.m_idMaps.append(new CIDMap{"10.0.0.1", "502", 0, 0, 5, false, 0});
        source.m_masters.append(new CSpecifiedMaster{"10.0.0.2", false});
        source.m_requests.append(new CSpecifiedRequest);
    }
    const BlockWriter::Result built = BlockWriter::build(source, 0, "2.1");
    QCOMPARE(built.code, int(BlockWriter::Built));
    const QByteArray full = built.block;
    const int ports = Catalogue::layout(code) == BlockLayout::Fixed ? 2 : Catalogue::serialPorts(code);
    const int firstMap = 56 + 8 * ports + 4;
    for (int length = 0; length <= full.size(); ++length) {
        QByteArray prefix(full.constData(), length); // exactly `length` bytes, so ASan sees any read past it
        if (length >= 4)
            prefix[3] = 5;
        CConfigure c;
        c.m_modelCode = code;
        const BlockReader::Result r = BlockReader::read(prefix, c);
        QCOMPARE(r.length < 0, length < 4);
        if (length >= 4) {
            QCOMPARE(r.truncated, length < full.size());
            QCOMPARE(c.m_idMaps.size(), qBound(0, (length - firstMap) / 16, 3));
        }
    }
    QCOMPARE(BlockReader::read(full, source).length, -1); // still the writer's command-6 header
    QCOMPARE(source.m_idMaps.size(), 3);
    QCOMPARE(source.m_idMaps.first()->m_idMax, 5);
}

void TestBlockReader::hostileCountsStayBounded()
{
    // Counts of 2^32-1 in a short packed block: nothing past its end is taken, the length does not wrap.
    CConfigure c;
    c.m_modelCode = 130100;
    const BlockReader::Result r = BlockReader::readPacked(block(188, "64 ffffffff"), c);
    QVERIFY(r.truncated);
    QCOMPARE(r.length, std::numeric_limits<int>::max());
    QCOMPARE(c.m_idMaps.size(), (188 - 68) / 16);
    QVERIFY(c.m_masters.isEmpty() && c.m_requests.isEmpty());
}

void TestBlockReader::keepAlive_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("on");
    QTest::addColumn<qulonglong>("seconds");
    const auto reply = [](const char *tail) { return QByteArray::fromHex(QByteArray("0000000d00000008") + tail); };
    QTest::newRow("199 hundredths truncate to 1 s") << 130400 << reply("00000002000000c7") << true << true << 1ull;
    QTest::newRow("all ones: default of NTC-P01DL") << 30103 << reply("00000000ffffffff") << true << false << 30ull;
    QTest::newRow("all ones: default of HW-P04") << 130400 << reply("00000001ffffffff") << true << true << 8ull;
    QTest::newRow("65535 s is the largest") << 130100 << reply("000000010063ff9c") << true << true << 65535ull;
    QTest::newRow("65536 s gives the default") << 30203 << reply("0000000100640000") << true << true << 30ull;
    QTest::newRow("short reply: missing bytes are zero") << 130400 << QByteArray::fromHex("0000000d0000") << true << false
                                                         << 0ull;
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
