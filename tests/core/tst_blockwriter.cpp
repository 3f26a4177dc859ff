#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"

#include <QtTest>

#include <functional>

namespace {

using Tweak = std::function<void(CConfigure &, int &commMode)>;

// A valid configuration with every address set, lists filled as asked.
void fill(CConfigure &c, int code, int idMaps, int masters, int requests)
{
    c.m_modelCode = code;
    static_cast<CEthernet &>(c) = {"GW", 0, "192.168.0.10", "255.255.255.0", "192.168.0.1", "8.8.8.8", "0.0.0.0"};
    c.m_advance.m_highPort = "502";
    for (int i = 0; i < idMaps; ++i)
        c.m_idMaps.append(new CIDMap{QStringLiteral("10.0.1.%1").arg(i), QString::number(500 + i), 0, i % 200, i % 200 + 10,
                                     false, 0});
    for (int i = 0; i < masters; ++i)
        c.m_masters.append(new CSpecifiedMaster{QStringLiteral("10.0.2.%1").arg(i), i % 2 == 1});
    for (int i = 0; i < requests; ++i)
        c.m_requests.append(new CSpecifiedRequest{false, QString::number(i + 1), false, "3"});
}

} // namespace

Q_DECLARE_METATYPE(Tweak)

class TestBlockWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lengths_data();
    void lengths();
    void fieldBytes_data();
    void fieldBytes();
    void outcome_data();
    void outcome();
    void roundTrip_data();
    void roundTrip();
};

void TestBlockWriter::lengths_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("entries"); // in each of the three lists
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<int>("length"); // 0: too long to build
    QTest::addColumn<QByteArray>("counts"); // the three count fields
    QTest::addColumn<bool>("cut"); // only 4 ID mappings go out
    QTest::newRow("fixed, 40 entries cut to 36") << 30103 << 40 << 2 << "2.1" << 1216 << QByteArray("000000240000002400000024")
                                                 << false;
    QTest::newRow("HW-P04, 2 of each: 168 + 80 + 32 + 16 + 8") << 130400 << 2 << 0 << "2.1" << 304
                                                               << QByteArray("000000020000000200000002") << false;
    QTest::newRow("HW-P08, 1 of each, RTU master: 168 + 160 + 16") << 130800 << 1 << 1 << "2.1" << 344
                                                                   << QByteArray("000000010000000000000000") << false;
    QTest::newRow("16 ports, 36 of each: too long") << 131600 << 36 << 0 << "2.1" << 0 << QByteArray() << false;
    const QByteArray four = "000000040000000000000000", six = "000000060000000000000000";
    QTest::newRow("HW-P04 1.1 with 6 maps sends 4") << 130400 << 6 << 1 << "1.1" << 312 << four << true;
    QTest::newRow("HW-P04 1.1 with exactly 4") << 130400 << 4 << 1 << "1.1" << 312 << four << false;
    QTest::newRow("HW-P04 2.0 sends all 6") << 130400 << 6 << 1 << "2.0" << 344 << six << false;
    QTest::newRow("HW-P02 1.1 is not limited") << 130200 << 6 << 1 << "1.1" << 304 << six << false;
}

void TestBlockWriter::lengths()
{
    QFETCH(int, code);
    QFETCH(int, entries);
    QFETCH(int, mode);
    QFETCH(QString, firmware);
    QFETCH(int, length);
    QFETCH(QByteArray, counts);
    QFETCH(bool, cut);
    CConfigure c;
    fill(c, code, entries, entries, entries);
    QCOMPARE(BlockWriter::cutsIdMaps(c, firmware), cut);
    const BlockWriter::Result r = BlockWriter::build(c, mode, firmware);
    QCOMPARE(r.code, int(length ? BlockWriter::Built : BlockWriter::TooLong));
    QCOMPARE(QList<int>({r.block.size(), r.idMapsCut, c.m_idMaps.size()}), QList<int>({length, cut, entries}));
    if (length == 0)
        return;
    QCOMPARE(r.block.left(8).toHex(), "00000006" + QByteArray::number(length - 8, 16).rightJustified(8, '0'));
    const bool fixed = Catalogue::layout(code) == BlockLayout::Fixed;
    const int ports = fixed ? 2 : Catalogue::serialPorts(code);
    const int p3 = fixed ? 676 : 60 + 8 * ports + 16 * counts.mid(0, 8).toInt(nullptr, 16) + 12 * ports;
    const int p4 = fixed ? 968 : p3 + 4 + 8 * counts.mid(8, 8).toInt(nullptr, 16);
    QCOMPARE((r.block.mid(56 + 8 * ports, 4) + r.block.mid(p3, 4) + r.block.mid(p4, 4)).toHex(), counts);
}

void TestBlockWriter::fieldBytes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Tweak>("tweak");
    QTest::addColumn<QString>("expected"); // "offset hex, offset hex"
    QTest::newRow("packed: mode 5 and assignment 3 go out as 0, name cut to 20, empty address is 0") << 130100
        << Tweak([](CConfigure &c, int &m) { m = 5; c.m_ipMode = 3; c.m_name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"; c.m_dns1.clear(); })
        << "8 00000000" + QString::fromLatin1(QByteArray("ABCDEFGHIJKLMNOPQRST").toHex())
               + "00000000c0a8000affffff00c0a8000100000000";
    QTest::newRow("fixed: both ports of NTC-P01DL, baud index 9 is 1200, master, request with the id's low byte, advance")
        << 30103 << Tweak([](CConfigure &c, int &) {
               c.m_serial[0] = {8, 2, 1, 8, 10, 300, 0};
               c.m_serial[1] = {9, 1, 0, 7, 10, 300, 0};
               c.m_masters.append(new CSpecifiedMaster{"10.9.8.7", true});
               c.m_requests.append(new CSpecifiedRequest{true, "300", false, "16"});
               c.m_advance = {"pw", "1502", 65535, true, 30, {}, {}, {}};
           })
        << "56 0003840008020200000004b007010100, 676 000000010a09080700000001, 968 00000001012c0010, "
           "1116 707700, 1136 000005de0000ffff";
    const Tweak range3 = [](CConfigure &c, int &) { // range 1 is off, so not written
        c.m_advance = {"", "502", 0, true, 30, {false, false, true}, {"1.1.1.1", "", "10.0.0.1"}, {"", "", "10.0.0.9"}};
    };
    const QString empty(24, QLatin1Char('0')), range = "000000010a0000010a000009";
    QTest::newRow("fixed: only range 3 active moves to slot 1") << 30203 << range3 << "1144 " + range + empty;
    QTest::newRow("packed: range 3 keeps slot 3") << 130100 << range3 << "116 " + empty + empty + range + empty;
}

void TestBlockWriter::fieldBytes()
{
    QFETCH(int, code);
    QFETCH(Tweak, tweak);
    QFETCH(QString, expected);
    CConfigure c;
    fill(c, code, 0, 0, 0);
    int mode = 0;
    tweak(c, mode);
    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, int(BlockWriter::Built));
    for (const QString &at : expected.split(QStringLiteral(", "))) {
        const QByteArray bytes = at.section(' ', 1).toLatin1();
        QCOMPARE(r.block.mid(at.section(' ', 0, 0).toInt(), bytes.size() / 2).toHex(), bytes);
    }
}

void TestBlockWriter::outcome_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Tweak>("tweak");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("listsLeft"); // masters and requests, in the configuration and in the block
    QTest::addColumn<QString>("passwordLeft");
    const auto password = [](const char *pw) { return Tweak([=](CConfigure &c, int &) { c.m_advance.m_password = pw; }); };
    const auto mode = [](int m) { return Tweak([=](CConfigure &, int &commMode) { commMode = m; }); };
    QTest::newRow("RTU master drops masters and requests (fixed)") << 30203 << mode(1) << 0 << 0 << "x";
    QTest::newRow("ASCII master drops them (packed)") << 130200 << mode(3) << 0 << 0 << "x";
    QTest::newRow("slave mode keeps them") << 30203 << mode(2) << 0 << 4 << "x";
    QTest::newRow("mixed-case NoNe is no password (packed)") << 130100 << password("NoNe") << 0 << 4 << "";
    QTest::newRow("NONE1 is a real password") << 130100 << password("NONE1") << 0 << 4 << "NONE1";
    const QString ones = "255.255.255.255";
    const QList<std::tuple<const char *, int, Tweak>> cases{
        {"ip", -1, [=](CConfigure &c, int &) { c.m_ip = ones; }},
        {"mask", -2, [=](CConfigure &c, int &) { c.m_mask = ones; }},
        {"gateway", -3, [=](CConfigure &c, int &) { c.m_gateway = ones; }},
        {"dns1", -4, [=](CConfigure &c, int &) { c.m_dns1 = ones; }},
        {"dns2", -5, [=](CConfigure &c, int &) { c.m_dns2 = ones; }},
        {"ID map", -6, [=](CConfigure &c, int &) { c.m_idMaps.last()->m_ip = ones; }},
        {"master", -7, [=](CConfigure &c, int &) { c.m_masters.last()->m_ip = ones; }},
        {"active range", -8, [=](CConfigure &c, int &) { c.m_advance.m_limitOn[4] = true; c.m_advance.m_limitHigh[4] = ones; }},
        {"inactive range is not written", 0, [=](CConfigure &c, int &) { c.m_advance.m_limitLow[4] = ones; }},
    };
    for (const int code : {30203, 130400}) {
        for (const auto &[name, result, tweak] : cases)
            QTest::addRow("all-ones %s (%d)", name, code) << code << tweak << result << 4 << "x";
        QTest::addRow("all-ones master dropped in master mode (%d)", code)
            << code << Tweak([=](CConfigure &c, int &m) { c.m_masters.last()->m_ip = ones; m = 1; }) << 0 << 0 << "x";
    }
}

// What a write does to the configuration and whether it builds; what went out matches what is left.
void TestBlockWriter::outcome()
{
    QFETCH(int, code);
    QFETCH(Tweak, tweak);
    QFETCH(int, result);
    QFETCH(int, listsLeft);
    QFETCH(QString, passwordLeft);
    CConfigure c;
    fill(c, code, 2, 2, 2);
    c.m_advance.m_password = "x";
    int mode = 0;
    tweak(c, mode);
    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, result);
    QCOMPARE(r.block.isEmpty(), result != 0);
    if (result != 0)
        return;
    CConfigure back;
    back.m_modelCode = code;
    QVERIFY(BlockReader::read(QByteArray::fromHex("00000005") + r.block.mid(4), back).length > 0);
    for (const CConfigure *after : {&c, &back}) {
        QCOMPARE(after->m_masters.size() + after->m_requests.size(), listsLeft);
        QCOMPARE(after->m_advance.m_password, passwordLeft);
        QCOMPARE(after->m_idMaps.size(), 2);
    }
}

void TestBlockWriter::roundTrip_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("mode");
    for (const ModelInfo &m : Catalogue::models())
        QTest::newRow(qPrintable(m.names.first())) << m.code << 2;
    QTest::newRow("outside model, RTU master") << 0 << 1;
}

// What the writer sends, the reader turns back into the same configuration, for values the reader does not
// clamp; compared as saved files, every field they carry on a line of its own.
void TestBlockWriter::roundTrip()
{
    QFETCH(int, code);
    QFETCH(int, mode);
    const ModelInfo &model = Catalogue::byCode(code);
    const int ports = model.layout == BlockLayout::Fixed ? 2 : model.serialPorts;
    CConfigure c;
    fill(c, code, qMin(model.maxIdMaps, 4), qMin(model.maxMasters, 3), qMin(model.maxRequests, 2));
    c.m_ipMode = 2;
    for (int n = 0; n < ports; ++n) {
        const bool silent = code == 30103 && n == 1; // the block carries only port 2's baud rate here
        c.m_serial[n] = {n % 9, silent ? 0 : n % 5, silent ? 0 : n % 2, silent ? 0 : 8, 1 + 1000 * n, 300 + 100 * n, 50 * n};
    }
    for (int i = 0; i < c.m_idMaps.size(); ++i)
        *c.m_idMaps[i] = {c.m_idMaps[i]->m_ip, c.m_idMaps[i]->m_port, i % ports, i, 10 + i, i % 2 == 1, 247 - i};
    const QStringList codes = {"1", "2", "3", "4", "5", "6", "15", "16"};
    for (int i = 0; i < c.m_requests.size(); ++i)
        *c.m_requests[i] = {true, c.m_requests[i]->m_slaveId, false, codes.at(i * 3 % codes.size())};
    // Active ranges first, so the fixed layout's packing keeps their slots.
    c.m_advance = {"secret", "65535", 1234, mode == 2, 45, {true, true, true}, {"172.16.0.1", "172.16.1.1", "172.16.2.1"},
                   {"172.16.0.254", "172.16.1.254", "172.16.2.254"}};
    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, int(BlockWriter::Built));
    CConfigure back;
    back.m_modelCode = code;
    const BlockReader::Result read = BlockReader::read(QByteArray::fromHex("00000005") + r.block.mid(4), back);
    QCOMPARE(read.length, r.block.size());
    QVERIFY(!read.truncated);
    QByteArray keepAlive = BlockWriter::keepAliveFrame(c.m_advance); // 4500 hundredths
    QCOMPARE(keepAlive.toHex(), QByteArray("0000000e00000008") + (mode == 2 ? "00000001" : "00000000") + "00001194");
    keepAlive[3] = 0x0d;
    QVERIFY(BlockReader::readKeepAlive(keepAlive, back.m_advance, code));
    QCOMPARE(InfFile::write(back, read.commMode, "M").split('\n'), InfFile::write(c, mode, "M").split('\n'));
}

QTEST_APPLESS_MAIN(TestBlockWriter)
#include "tst_blockwriter.moc"
