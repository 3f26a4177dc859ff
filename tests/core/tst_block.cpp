// The configuration block to and from a gateway, fixed and packed layouts, and the keep-alive settings: every
// rule of the reader and the writer as a row, and round trips that compare whole records field by field.
#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/modelcatalogue.h"
#include "support/roundtrip.h"

#include <QtTest>

#include <limits>
#include <memory>

using namespace ConfigFields;

namespace {
// A command-5 block with one entry in each list, patched with "offset hex, offset hex". Fixed layout (any model
// but 130100): serial records 56 and 64, mapping count 72 and entries from 76 (ip, port, serial, min, max, sign,
// offset), timing 652 and 664, master count 676 and entries from 680, request count 968 and entries from 972,
// password 1116, port 1136, delay 1140, ranges from 1144. Packed, 130100 (one port): serial 56, mapping count 64
// and entry 68, timing 84, master count 96 and entry 100, request count 108 and entry 112, password 116, port 136,
// delay 140, ranges from 144; 216 bytes. Given a size, the block has that many bytes and every count is zero.
QByteArray block(int model, const QString &patches, int size = 0)
{
    const bool packed = model == 130100;
    QByteArray b(size ? size : packed ? 216 : 1216, '\0');
    const QString counts = size ? "3 05" : packed ? "3 05, 64 00000001, 96 00000001, 108 00000001" : "3 05, 72 00000001, 676 00000001, 968 00000001";
    for (const QString &patch : split(counts) + split(patches)) {
        const QByteArray bytes = QByteArray::fromHex(patch.section(' ', 1).toLatin1());
        b.replace(patch.section(' ', 0, 0).toInt(), bytes.size(), bytes);
    }
    return b;
}

QString hex(const QByteArray &bytes, int offset, int length) { return QString::fromLatin1(bytes.mid(offset, length).toHex()); }

} // namespace

class TestBlock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reader_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("patches");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mode 1") << 30203 << "11 01" << "mode=1";
        QTest::newRow("mode 2, address assignment 1") << 30203 << "11 02, 32 00000001" << "mode=2, ipMode=1";
        QTest::newRow("mode 3, address assignment 2") << 30203 << "11 03, 32 00000002" << "mode=3, ipMode=2";
        QTest::newRow("mode 4 is 0, address assignment 3 is DHCP") << 30203 << "11 04, 32 00000003" << "mode=0, ipMode=1";
        QTest::newRow("name to its zero, addresses in dotted order") << 30203 << "12 4757002d, 36 0a000001 ffffff00 0a0000fe c8096364 00000000"
            << "name=GW, ip=10.0.0.1, mask=255.255.255.0, gateway=10.0.0.254, dns1=200.9.99.100, dns2=0.0.0.0";
        QTest::newRow("name of 20 bytes without a zero") << 30203 << "12 4142434445464748494a4b4c4d4e4f5051525354" << "name=ABCDEFGHIJKLMNOPQRST";
        QTest::newRow("all-ones addresses read as their defaults") << 30203 << "36 " + QString(40, 'f')
            << "ip=192.168.0.10, mask=255.255.255.0, gateway=192.168.0.1, dns1=0.0.0.0, dns2=0.0.0.0";
        QTest::newRow("1200 and 2400") << 30203 << "56 000004b0, 64 00000960" << "s1.baud=0, s2.baud=1";
        QTest::newRow("4800 and 9600") << 30203 << "56 000012c0, 64 00002580" << "s1.baud=2, s2.baud=3";
        QTest::newRow("19200 and 38400") << 30203 << "56 00004b00, 64 00009600" << "s1.baud=4, s2.baud=5";
        QTest::newRow("57600 and 115200") << 30203 << "56 0000e100, 64 0001c200" << "s1.baud=6, s2.baud=7";
        QTest::newRow("230400; 600 is 9600") << 30203 << "56 00038400, 64 00000258" << "s1.baud=8, s2.baud=3";
        QTest::newRow("data bits as sent, parity 4, two stop bits") << 30203 << "60 070402" << "s1.data=7, s1.parity=4, s1.stop=1";
        QTest::newRow("parity 5, stop-bit bytes 1 and 3") << 30203 << "61 0501, 70 03" << "s1.parity=0, s1.stop=0, s2.stop=0";
        QTest::newRow("port 2 of the two-port fixed model") << 30203 << "64 00004b00 08 02 02" << "s2.baud=4, s2.data=8, s2.parity=2, s2.stop=1";
        QTest::newRow("port 2 of the one-port fixed model: baud only") << 30103 << "64 00004b00 08 02 02" << "s2.baud=4, s2.data=0, s2.parity=0, s2.stop=0";
        QTest::newRow("time between characters 1 and 30000") << 30203 << "652 00000001, 664 00007530" << "s1.char=1, s2.char=30000";
        QTest::newRow("time between characters 0 and 30001 are 1") << 30203 << "652 00000000, 664 00007531" << "s1.char=1, s2.char=1";
        QTest::newRow("response timeout 300 and 60000") << 30203 << "656 0000012c, 668 0000ea60" << "s1.resp=300, s2.resp=60000";
        QTest::newRow("response timeout 6001; 299 is 300") << 30203 << "656 00001771, 668 0000012b" << "s1.resp=6001, s2.resp=300";
        QTest::newRow("response timeout 60001 is 300") << 30203 << "668 0000ea61" << "s2.resp=300";
        QTest::newRow("delay between polls 60000; 60001 is 0") << 30203 << "660 0000ea60, 672 0000ea61" << "s1.delay=60000, s2.delay=0";
        QTest::newRow("mapping fields at their offsets") << 30203 << "76 0a000001 000001f6 00000001 05 05 01 f7"
            << "map1.ip=10.0.0.1, map1.port=502, map1.serial=1, map1.min=5, map1.max=5, map1.neg=1, map1.offset=247";
        QTest::newRow("all-ones target, port of 32 bits, serial index 2, sign byte 2, offset 248") << 30203
            << "76 ffffffff 00010000 00000002 00 f7 02 f8"
            << "map1.ip=0.0.0.0, map1.port=65536, map1.serial=0, map1.min=0, map1.max=247, map1.neg=0, map1.offset=0";
        QTest::newRow("serial index 00000101 is 0") << 30203 << "84 00000101" << "map1.serial=0";
        QTest::newRow("virtual IDs 247-247") << 30203 << "88 f7f7" << "map1.min=247, map1.max=247";
        QTest::newRow("virtual ID 248 is 0, then below the first: 0-0") << 30203 << "88 05f8" << "map1.min=0, map1.max=0";
        QTest::newRow("virtual IDs 10-5 are 0-0") << 30203 << "88 0a05" << "map1.min=0, map1.max=0";
        QTest::newRow("lists of 0") << 30203 << "72 00000000, 676 00000000, 968 00000000" << "maps=0, masters=0, requests=0";
        QTest::newRow("lists of 36") << 30203 << "72 00000024, 676 00000024, 968 00000024" << "maps=36, masters=36, requests=36";
        QTest::newRow("lists of 37 and 2^32-1 are 36") << 30203 << "72 00000025, 676 ffffffff, 968 00000025" << "maps=36, masters=36, requests=36";
        QTest::newRow("master on serial 2") << 30203 << "680 0a000201 00000001" << "master1.ip=10.0.2.1, master1.serial2=1";
        QTest::newRow("master flag 00000101, all-ones address") << 30203 << "680 ffffffff 00000101" << "master1.ip=0.0.0.0, master1.serial2=0";
        QTest::newRow("request filters on, slave 255, codes 1-6, 15, 16 kept") << 30203
            << "968 00000008, 972 01ff0101 00000002 00000003 00000004 00000005 00000006 0000000f 00000010"
            << "req1.slaveOn=1, req1.slave=255, req1.funcOn=1, req1.func=1, req2.func=2, req3.func=3, req4.func=4, "
               "req5.func=5, req6.func=6, req7.func=15, req8.func=16";
        QTest::newRow("filter bytes 2 off; codes 0, 7, 14, 17, 255 are 1") << 30203 << "968 00000005, 972 02000200 00000007 0000000e 00000011 000000ff"
            << "req1.slaveOn=0, req1.funcOn=0, req1.func=1, req2.func=1, req3.func=1, req4.func=1, req5.func=1";
        QTest::newRow("password, port 65535, delay 65535") << 30203 << "1116 707700, 1136 0000ffff 0000ffff" << "password=pw, highPort=65535, serialDelay=65535";
        QTest::newRow("port 0 is 502, delay 65536 is 0") << 30203 << "1140 00010000" << "highPort=502, serialDelay=0";
        QTest::newRow("first and last range on") << 30203 << "1144 00000001 0a000001 0a000009, 1204 00000001 c0a80001 c0a800ff"
            << "range1.on=1, range1.low=10.0.0.1, range1.high=10.0.0.9, range2.on=0, range6.on=1, range6.low=192.168.0.1, range6.high=192.168.0.255";
        QTest::newRow("range switch 00000101 is off, addresses dropped") << 30203 << "1144 00000101 0a000001 0a000009" << "range1.on=0, range1.low=, range1.high=";
        QTest::newRow("an all-ones range end makes both 0.0.0.0") << 30203 << "1156 00000001 0a000001 ffffffff" << "range2.on=1, range2.low=0.0.0.0, range2.high=0.0.0.0";
        QTest::newRow("packed serial record") << 130100 << "56 0001c200 08 03 02" << "s1.baud=7, s1.data=8, s1.parity=3, s1.stop=1";
        QTest::newRow("packed mapping, serial index 15") << 130100 << "68 0a000001 000001f6 0000000f 0a 14 01 05"
            << "map1.ip=10.0.0.1, map1.port=502, map1.serial=15, map1.min=10, map1.max=20, map1.neg=1, map1.offset=5";
        QTest::newRow("packed serial index 16 is 0") << 130100 << "76 00000010" << "map1.serial=0";
        QTest::newRow("packed timing, master, request and tail after the entries") << 130100
            << "84 0000001e 0000ea60 00000019, 100 0a000201 00000001, 112 01070110, 116 7177, 136 000005de"
            << "s1.char=30, s1.resp=60000, s1.delay=25, master1.ip=10.0.2.1, master1.serial2=1, req1.slaveOn=1, req1.slave=7, "
               "req1.funcOn=1, req1.func=16, password=qw, highPort=1502";
        QTest::newRow("packed ranges keep their slots") << 130100 << "168 00000001 c0a80001 c0a800ff"
            << "range1.on=0, range3.on=1, range3.low=192.168.0.1, range3.high=192.168.0.255";
    }

    void reader()
    {
        QFETCH(int, model);
        QFETCH(QString, patches);
        QFETCH(QString, expected);
        CConfigure c;
        c.m_modelCode = model;
        const BlockReader::Result r = BlockReader::read(block(model, patches), c);
        QVERIFY(r.length > 0 && !r.truncated);
        QCOMPARE(pick(c, r.commMode, expected), split(expected));
    }

    // A packed block may announce more entries than any model holds (64 mappings, 128 masters, 230 requests): 36
    // are taken, and what follows a list is still read where its count puts it.
    void packedListsStopAt36()
    {
        const QList<std::pair<QString, QString>> rows{{"64 00000040", "maps=36"}, {"80 00000080", "masters=36, requests=0"},
                                                      {"84 000000e6, 1008 4142", "requests=36, password=AB"}};
        for (const auto &[patches, expected] : rows) {
            CConfigure c;
            c.m_modelCode = 130100;
            const BlockReader::Result r = BlockReader::read(block(130100, patches, 1216), c);
            QVERIFY(r.length > 0 && !r.truncated);
            QCOMPARE(pick(c, r.commMode, expected), split(expected));
        }
    }

    // Unchanged by a block that is not a command-5 answer; a short block gives only the entries that arrived whole.
    void readerRefusalsAndShortBlocks()
    {
        for (const QByteArray &header : {QByteArray::fromHex("00000006"), QByteArray::fromHex("01000005"), QByteArray::fromHex("000000")}) {
            CConfigure c;
            int mode = 0;
            apply(c, mode, "model=30203, name=kept, maps=2, s1.resp=999");
            const QStringList before = describe(c, 0);
            QCOMPARE(BlockReader::read(header + QByteArray(1212, '\0'), c).length, -1);
            QCOMPARE(describe(c, 0), before);
        }
        CConfigure c; // counts of 2^32-1 in a short packed block: nothing past its end is taken, the length does not wrap
        c.m_modelCode = 130100;
        const BlockReader::Result r = BlockReader::read(block(130100, "64 ffffffff").left(188), c);
        QVERIFY(r.truncated && r.length == std::numeric_limits<int>::max() && c.m_idMaps.size() == (188 - 68) / 16);
    }

    void keepAliveReply_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("reply"); // after 0000000d 00000008 000000
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("on, 3000 hundredths") << 130400 << "01 00000bb8" << true << "keepAlive=1, alive=30";
        QTest::newRow("on byte 2, 199 hundredths") << 130400 << "02 000000c7" << true << "keepAlive=1, alive=1";
        QTest::newRow("off, 65535 s kept") << 130400 << "00 0063ff9c" << true << "keepAlive=0, alive=65535";
        QTest::newRow("65536 s: the packed model's default") << 130400 << "01 00640000" << true << "alive=8";
        QTest::newRow("65536 s: the fixed model's default") << 30203 << "01 00640000" << true << "alive=30";
        QTest::newRow("all-ones: default") << 130100 << "01 ffffffff" << true << "alive=8";
        QTest::newRow("-99 hundredths: default") << 130100 << "01 ffffff9d" << true << "alive=8";
        QTest::newRow("short reply: missing bytes are zero") << 130400 << "-" << true << "keepAlive=0, alive=0";
        QTest::newRow("code 14 refused, nothing changed") << 130400 << "e" << false << "keepAlive=1, alive=77";
    }

    void keepAliveReply()
    {
        QFETCH(int, model);
        QFETCH(QString, reply);
        QFETCH(bool, accepted);
        QFETCH(QString, expected);
        QByteArray bytes = QByteArray::fromHex("0000000d00000008000000" + reply.toLatin1());
        if (reply == "-")
            bytes = bytes.left(6);
        if (reply == "e")
            bytes = QByteArray::fromHex("0000000e000000080000000100000bb8");
        CConfigure c;
        c.m_advance.m_aliveTime = 77;
        QCOMPARE(BlockReader::readKeepAlive(bytes, c.m_advance, model), accepted);
        QCOMPARE(pick(c, 0, expected), split(expected));
    }

    void keepAliveFrame()
    {
        const QList<std::tuple<bool, quint64, QByteArray>> rows{{true, 30, "0000000e000000080000000100000bb8"},
            {false, 0, "0000000e000000080000000000000000"}, {true, 65535, "0000000e00000008000000010063ff9c"},
            {true, 42949673, "0000000e000000080000000100000004"}}; // 4294967300 hundredths: the low 32 bits
        for (const auto &[on, seconds, frame] : rows) {
            CAdvance a;
            a.m_keepAlive = on;
            a.m_aliveTime = seconds;
            QCOMPARE(BlockWriter::keepAliveFrame(a).toHex(), frame);
        }
    }

    // From a configuration with one entry in each list and empty addresses (sent as zeros). What the reader's
    // rows pin and the round trips carry (every mode, address, baud rate, entry field) is not restated here:
    // the rows are the writer's own rules (clamps, cuts, refusals, the fixed layout's packing, widths).
    void writer_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("bytes"); // "offset hex, ..."
        QTest::addColumn<QString>("after"); // fields of the configuration after the build
        const QString zeros12(24, '0');
        QTest::newRow("fixed header, mode 0") << 30203 << "" << 0 << "0 00000006 000004b8 000000 00" << "";
        QTest::newRow("packed header") << 130100 << "" << 0 << "0 00000006 000000d0" << "";
        QTest::newRow("mode 4 is sent as 0") << 30203 << "mode=4" << 0 << "8 00000000" << "";
        QTest::newRow("mode -1 is sent as 0") << 30203 << "mode=-1" << 0 << "8 00000000" << "";
        QTest::newRow("address assignment 1, which 3 would read as too") << 30203 << "ipMode=1" << 0 << "32 00000001" << "";
        QTest::newRow("address assignment 3 is sent as 0") << 30203 << "ipMode=3" << 0 << "32 00000000" << "";
        QTest::newRow("name cut to 20 bytes") << 30203 << "name=ABCDEFGHIJKLMNOPQRSTUV" << 0
            << "12 4142434445464748494a4b4c4d4e4f5051525354 00000000" << "name=ABCDEFGHIJKLMNOPQRSTUV";
        QTest::newRow("name of 19 and its zero") << 30203 << "name=ABCDEFGHIJKLMNOPQRS" << 0 << "12 4142434445464748494a4b4c4d4e4f50515253 00" << "";
        QTest::newRow("9600, which any unknown rate reads as, and 38400") << 30203 << "s1.baud=3, s2.baud=5" << 0 << "56 00002580, 64 00009600" << "";
        QTest::newRow("baud index 9 and -1 are 1200") << 30203 << "s1.baud=9, s2.baud=-1" << 0 << "56 000004b0, 64 000004b0" << "";
        QTest::newRow("line bytes as set, two and one stop bits") << 30203 << "s1.data=8, s1.parity=4, s1.stop=1, s2.data=7, s2.parity=3, s2.stop=0"
            << 0 << "60 08 04 02 00, 68 07 03 01 00" << "";
        QTest::newRow("timing sent unclamped") << 30203 << "s1.char=30000, s1.resp=60000, s1.delay=60000, s2.resp=70000" << 0
            << "652 00007530 0000ea60 0000ea60, 668 00011170" << "";
        QTest::newRow("request on, slave id's low byte") << 30203 << "req1.slaveOn=1, req1.slave=300, req1.funcOn=1, req1.func=6" << 0 << "968 00000001 01 2c 01 06" << "";
        QTest::newRow("password, port 65535, delay 65535") << 30203 << "password=pw, highPort=65535, serialDelay=65535" << 0
            << "1116 707700, 1136 0000ffff 0000ffff" << "";
        QTest::newRow("password NoNe goes as zeros and is emptied") << 30203 << "password=NoNe" << 0 << "1116 " + QString(40, '0') << "password=";
        QTest::newRow("password NONEX is a password") << 30203 << "password=NONEX" << 0 << "1116 4e4f4e455800" << "password=NONEX";
        QTest::newRow("lists of 37: 36 sent, the record keeps 37") << 30203 << "maps=37, map37.ip=10.0.0.37, masters=37, requests=37, req37.slave=9"
            << 0 << "72 00000024, 652 00000000, 676 00000024, 968 00000024, 1116 0000" << "maps=37, masters=37, requests=37";
        QTest::newRow("RTU master drops masters and requests") << 30203 << "mode=1, masters=2, requests=2" << 0 << "676 00000000, 968 00000000" << "masters=0, requests=0";
        QTest::newRow("ASCII master drops masters and requests") << 30203 << "mode=3, masters=2, requests=2" << 0 << "676 00000000, 968 00000000" << "masters=0, requests=0";
        QTest::newRow("ASCII slave keeps them") << 30203 << "mode=2, masters=2, requests=2" << 0 << "676 00000002, 968 00000002" << "masters=2, requests=2";
        const QString ranges = "range3.on=1, range3.low=10.0.0.1, range3.high=10.0.0.9, range5.on=1, range5.low=10.0.1.1, range5.high=10.0.1.9, range1.low=1.1.1.1";
        QTest::newRow("fixed layout packs active ranges to the front") << 30203 << ranges << 0
            << "1144 00000001 0a000001 0a000009 00000001 0a000101 0a000109 " + zeros12 << "";
        QTest::newRow("packed layout keeps each range's slot") << 130100 << ranges << 0
            << "144 " + zeros12 + zeros12 + " 00000001 0a000001 0a000009 " + zeros12 + " 00000001 0a000101 0a000109" << "";
        const QString ones = "255.255.255.255";
        QTest::newRow("all-ones IP address") << 130100 << "ip=" + ones << -1 << "" << "";
        QTest::newRow("all-ones subnet mask") << 30203 << "mask=" + ones << -2 << "" << "";
        QTest::newRow("all-ones gateway") << 30203 << "gateway=" + ones << -3 << "" << "";
        QTest::newRow("all-ones DNS 1") << 30203 << "dns1=" + ones << -4 << "" << "";
        QTest::newRow("all-ones DNS 2") << 130100 << "dns2=" + ones << -5 << "" << "";
        QTest::newRow("all-ones mapping target") << 130100 << "map1.ip=" + ones << -6 << "" << "";
        QTest::newRow("all-ones master") << 30203 << "master1.ip=" + ones << -7 << "" << "";
        QTest::newRow("all-ones end of an active range") << 130100 << "range4.on=1, range4.low=1.1.1.1, range4.high=" + ones << -8 << "" << "";
        QTest::newRow("all-ones start of an active range") << 30203 << "range6.on=1, range6.low=" + ones << -8 << "" << "";
        QTest::newRow("all-ones in a range that is off: not sent") << 30203 << "range2.low=" + ones << 0 << "1144 " + zeros12 << "";
        QTest::newRow("all-ones master dropped in master mode") << 30203 << "mode=1, master1.ip=" + ones << 0 << "676 00000000" << "";
    }

    void writer()
    {
        QFETCH(int, model);
        QFETCH(QString, edits);
        QFETCH(int, code);
        QFETCH(QString, bytes);
        QFETCH(QString, after);
        CConfigure c;
        int mode = 0;
        apply(c, mode, QStringLiteral("model=%1, maps=1, masters=1, requests=1, ").arg(model) + edits);
        const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
        QCOMPARE(r.code, code);
        QCOMPARE(r.block.isEmpty(), code != 0);
        for (const QString &at : split(bytes)) {
            const QByteArray expected = QByteArray::fromHex(at.section(' ', 1).toLatin1());
            QCOMPARE(hex(r.block, at.section(' ', 0, 0).toInt(), expected.size()), QString::fromLatin1(expected.toHex()));
        }
        QCOMPARE(pick(c, mode, after), split(after));
    }

    // Length and header per layout and list sizes; HW-P04 below firmware 2.0 sends 4 mappings; no block beyond 1216 bytes.
    void writerLengths_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("lists"); // mappings, masters, requests
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<int>("length"); // 0: refused as too long
        QTest::addColumn<int>("mapsSent");
        QTest::newRow("fixed, 40 of each: always 1216") << 30103 << "maps=40, masters=40, requests=40" << "2.1" << 1216 << 36;
        QTest::newRow("1 port") << 130100 << "maps=1, masters=1, requests=1" << "2.1" << 216 << 1;
        QTest::newRow("2 ports") << 130200 << "maps=1, masters=1, requests=1" << "2.1" << 236 << 1;
        QTest::newRow("4 ports, 2 mappings, 1 master") << 130400 << "maps=2, masters=1" << "2.1" << 288 << 2;
        QTest::newRow("8 ports, 1 mapping") << 130800 << "maps=1" << "2.1" << 344 << 1;
        QTest::newRow("16 ports") << 131600 << "maps=1, masters=1, requests=1" << "2.1" << 516 << 1;
        QTest::newRow("outside the catalogue: 16 ports") << 0 << "maps=1, masters=1, requests=1" << "2.1" << 516 << 1;
        QTest::newRow("HW-P04 firmware 1.9, 5 mappings: 4 sent") << 130400 << "maps=5" << "1.9" << 168 + 80 + 64 << 4;
        QTest::newRow("HW-P04 firmware 2.0, 5 mappings") << 130400 << "maps=5" << "2.0" << 168 + 80 + 80 << 5;
        QTest::newRow("HW-P04 firmware 1.1, 4 mappings") << 130400 << "maps=4" << "1.1" << 168 + 80 + 64 << 4;
        QTest::newRow("two-port model, firmware 1.1, 6 mappings") << 130200 << "maps=6" << "1.1" << 168 + 40 + 96 << 6;
        QTest::newRow("exactly 1216 bytes") << 131600 << "maps=36, masters=19" << "2.1" << 1216 << 36;
        QTest::newRow("1220 bytes: refused") << 131600 << "maps=36, masters=19, requests=1" << "2.1" << 0 << 0;
    }

    void writerLengths()
    {
        QFETCH(int, model);
        QFETCH(QString, lists);
        QFETCH(QString, firmware);
        QFETCH(int, length);
        QFETCH(int, mapsSent);
        CConfigure c;
        int mode = 0;
        apply(c, mode, QStringLiteral("model=%1, ").arg(model) + lists);
        const int maps = c.m_idMaps.size();
        const BlockWriter::Result r = BlockWriter::build(c, 0, firmware);
        QCOMPARE(r.code, int(length ? BlockWriter::Built : BlockWriter::TooLong));
        QCOMPARE(r.block.size(), length);
        QCOMPARE(r.idMapsCut, model == 130400 && mapsSent < maps);
        QCOMPARE(BlockWriter::cutsIdMaps(c, firmware), r.idMapsCut);
        QCOMPARE(c.m_idMaps.size(), maps); // the configuration keeps every mapping
        if (length) {
            QCOMPARE(hex(r.block, 0, 8), QStringLiteral("00000006%1").arg(length - 8, 8, 16, QLatin1Char('0')));
            CConfigure back;
            back.m_modelCode = model;
            QCOMPARE(BlockReader::read(QByteArray(r.block).replace(3, 1, "\x05"), back).length, length);
            QCOMPARE(back.m_idMaps.size(), mapsSent);
        }
    }

    // What the writer sends, the reader turns back into the same record, field by field, and the block built
    // from that record is the same block; any prefix of it is read without a byte past its end, taking only
    // the entries that arrived whole.
    void roundTrip_data() { RoundTrip::addRows(); }

    void roundTrip()
    {
        const auto c = RoundTrip::record(true);
        QFETCH(int, model);
        QFETCH(int, mode);
        QFETCH(int, entries);
        const BlockWriter::Result r = BlockWriter::build(*c, mode, "2.1");
        QCOMPARE(r.code, 0);
        QCOMPARE(c->m_masters.size() + c->m_requests.size() == 0, mode % 2 == 1 || entries == 0);
        CConfigure back;
        back.m_modelCode = model;
        const BlockReader::Result read = BlockReader::read(QByteArray(r.block).replace(3, 1, "\x05"), back);
        QVERIFY(read.length == r.block.size() && !read.truncated);
        QVERIFY(BlockReader::readKeepAlive(BlockWriter::keepAliveFrame(c->m_advance).replace(3, 1, "\x0d"), back.m_advance, model));
        const int ports = Catalogue::layout(model) == BlockLayout::Fixed ? 2 : Catalogue::serialPorts(model);
        QCOMPARE(describe(back, read.commMode, ports), describe(*c, mode, ports));
        QCOMPARE(BlockWriter::build(back, read.commMode, "2.1").block.toHex(), r.block.toHex());
        for (int length = 0; mode == 0 && length < r.block.size(); ++length) {
            CConfigure cut;
            cut.m_modelCode = model;
            QByteArray prefix = r.block.left(length);
            if (length >= 4)
                prefix[3] = 5;
            const BlockReader::Result part = BlockReader::read(prefix, cut);
            QCOMPARE(part.length < 0 || !part.truncated, length < 4);
            QCOMPARE(cut.m_idMaps.size(), qBound(0, (length - 60 - 8 * ports) / 16, c->m_idMaps.size()));
        }
    }
};

QTEST_APPLESS_MAIN(TestBlock)
#include "tst_block.moc"
