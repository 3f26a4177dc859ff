#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/modelcatalogue.h"

#include <QtTest>

#include <functional>

namespace {

using Tweak = std::function<void(CConfigure &, int &commMode)>;

// A valid configuration with every address set, lists filled as asked.
void fill(CConfigure &c, int code, int idMaps, int masters, int requests)
{
    c.m_modelCode = code;
    c.m_name = "GW";
    c.m_ip = "192.168.0.10";
    c.m_mask = "255.255.255.0";
    c.m_gateway = "192.168.0.1";
    c.m_dns1 = "8.8.8.8";
    c.m_dns2 = "0.0.0.0";
    c.m_advance.m_highPort = "502";
    for (int i = 0; i < idMaps; ++i) {
        auto *m = new CIDMap;
        m->m_ip = QStringLiteral("10.0.1.%1").arg(i);
        m->m_port = QString::number(500 + i);
        m->m_idMin = i % 200;
        m->m_idMax = i % 200 + 10;
        c.m_idMaps.append(m);
    }
    for (int i = 0; i < masters; ++i) {
        auto *m = new CSpecifiedMaster;
        m->m_ip = QStringLiteral("10.0.2.%1").arg(i);
        m->m_serial2 = i % 2;
        c.m_masters.append(m);
    }
    for (int i = 0; i < requests; ++i) {
        auto *r = new CSpecifiedRequest;
        r->m_slaveId = QString::number(i + 1);
        r->m_functionCode = "3";
        c.m_requests.append(r);
    }
}

QString serialDump(const CSerialPort &p)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(p.m_baudRate).arg(p.m_parityCheck).arg(p.m_stopBit)
        .arg(p.m_dataBits).arg(p.m_charInterval).arg(p.m_respTimeout).arg(p.m_delayPolls);
}

// Everything the block carries, as lines, for whole-configuration comparisons.
QStringList dump(const CConfigure &c, int commMode, int ports)
{
    QStringList d;
    d << QStringLiteral("mode %1 name %2 ipMode %3").arg(commMode).arg(c.m_name).arg(c.m_ipMode);
    d << QStringList{c.m_ip, c.m_mask, c.m_gateway, c.m_dns1, c.m_dns2}.join(' ');
    for (int n = 0; n < ports; ++n)
        d << QStringLiteral("port%1 ").arg(n + 1) + serialDump(c.m_serial[n]);
    for (const CIDMap *m : c.m_idMaps)
        d << QStringLiteral("map %1 %2 %3 %4 %5 %6 %7").arg(m->m_ip, m->m_port).arg(m->m_serialIndex).arg(m->m_idMin)
                 .arg(m->m_idMax).arg(m->m_negative).arg(m->m_offset);
    for (const CSpecifiedMaster *m : c.m_masters)
        d << QStringLiteral("master %1 %2").arg(m->m_ip).arg(m->m_serial2);
    for (const CSpecifiedRequest *r : c.m_requests)
        d << QStringLiteral("request %1 %2 %3 %4").arg(r->m_slaveIdOn).arg(r->m_slaveId).arg(r->m_functionOn)
                 .arg(r->m_functionCode);
    const CAdvance &a = c.m_advance;
    d << QStringLiteral("advance %1 %2 %3").arg(a.m_password, a.m_highPort).arg(a.m_serialDelay);
    for (int i = 0; i < CAdvance::RangeCount; ++i)
        d << QStringLiteral("range %1 %2 %3").arg(a.m_limitOn[i]).arg(a.m_limitLow[i], a.m_limitHigh[i]);
    return d;
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
    void configurationChanges_data();
    void configurationChanges();
    void allOnesAddressStopsTheBuild_data();
    void allOnesAddressStopsTheBuild();
    void hwP04FirmwareLimit_data();
    void hwP04FirmwareLimit();
    void refusesBlockLongerThanAGatewayTakes();
    void keepAliveFrame_data();
    void keepAliveFrame();
    void roundTrip_data();
    void roundTrip();
};

void TestBlockWriter::lengths_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("idMaps");
    QTest::addColumn<int>("masters");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("counts"); // the three count fields
    QTest::newRow("fixed, empty lists: 1216") << 30203 << 0 << 0 << 0 << 1216 << QByteArray::fromHex("000000000000000000000000");
    QTest::newRow("fixed, full lists: 1216") << 30103 << 36 << 36 << 36 << 1216 << QByteArray::fromHex("000000240000002400000024");
    QTest::newRow("fixed, 40 entries cut to 36") << 30203 << 40 << 37 << 50 << 1216 << QByteArray::fromHex("000000240000002400000024");
    QTest::newRow("HW-P04, 2 maps, 1 master: 288") << 130400 << 2 << 1 << 0 << 288 << QByteArray::fromHex("000000020000000100000000");
    QTest::newRow("HW-P08, 1 map: 344") << 130800 << 1 << 0 << 0 << 344 << QByteArray::fromHex("000000010000000000000000");
    QTest::newRow("outside model writes 16 ports") << 0 << 0 << 0 << 0 << 488 << QByteArray::fromHex("000000000000000000000000");
    QTest::newRow("HW-P04 with 36 maps, firmware 2.1") << 130400 << 36 << 0 << 0 << 824 << QByteArray::fromHex("000000240000000000000000");
}

void TestBlockWriter::lengths()
{
    QFETCH(int, code);
    QFETCH(int, idMaps);
    QFETCH(int, masters);
    QFETCH(int, requests);
    QFETCH(int, length);
    QFETCH(QByteArray, counts);
    CConfigure c;
    fill(c, code, idMaps, masters, requests);
    const BlockWriter::Result r = BlockWriter::build(c, 0, "2.1");
    QCOMPARE(r.code, int(BlockWriter::Built));
    QCOMPARE(r.block.size(), length);
    QCOMPARE(r.block.left(8), QByteArray::fromHex("00000006") + QByteArray::fromHex(QByteArray::number(length - 8, 16).rightJustified(8, '0')));
    const bool fixed = Catalogue::layout(code) == BlockLayout::Fixed;
    const int ports = fixed ? 2 : Catalogue::serialPorts(code);
    const int p1 = 56 + 8 * ports;
    const int shownMaps = fixed ? qMin(idMaps, 36) : idMaps;
    const int p3 = fixed ? 676 : p1 + 4 + 16 * shownMaps + 12 * ports;
    const int p4 = fixed ? 968 : p3 + 4 + 8 * masters;
    QCOMPARE(r.block.mid(p1, 4) + r.block.mid(p3, 4) + r.block.mid(p4, 4), counts);
}

void TestBlockWriter::fieldBytes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Tweak>("tweak");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("address in dotted order") << 130100 << Tweak([](CConfigure &c, int &) { c.m_ip = "192.168.1.100"; })
        << 36 << QByteArray::fromHex("c0a80164");
    QTest::newRow("empty address is 0.0.0.0") << 130100 << Tweak([](CConfigure &c, int &) { c.m_dns1.clear(); })
        << 48 << QByteArray::fromHex("00000000");
    QTest::newRow("mode 5 written as 0") << 130100 << Tweak([](CConfigure &, int &m) { m = 5; }) << 8 << QByteArray::fromHex("00000000");
    QTest::newRow("mode 3 kept") << 30203 << Tweak([](CConfigure &, int &m) { m = 3; }) << 8 << QByteArray::fromHex("00000003");
    QTest::newRow("address assignment 3 written as 0") << 130100 << Tweak([](CConfigure &c, int &) { c.m_ipMode = 3; })
        << 32 << QByteArray::fromHex("00000000");
    QTest::newRow("BOOTP kept") << 30203 << Tweak([](CConfigure &c, int &) { c.m_ipMode = 2; }) << 32 << QByteArray::fromHex("00000002");
    QTest::newRow("long name cut to 20 bytes") << 130100
        << Tweak([](CConfigure &c, int &) { c.m_name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"; }) << 12
        << QByteArray("ABCDEFGHIJKLMNOPQRST") + QByteArray::fromHex("00000000");
    QTest::newRow("serial record: 230400 8E2") << 130100 << Tweak([](CConfigure &c, int &) {
        c.m_serial[0] = {8, 2, 1, 8, 10, 300, 0};
    }) << 56 << QByteArray::fromHex("0003840008020200");
    QTest::newRow("baud index 9 goes out as 1200") << 130100 << Tweak([](CConfigure &c, int &) { c.m_serial[0].m_baudRate = 9; })
        << 56 << QByteArray::fromHex("000004b0");
    QTest::newRow("fixed writes port 2 for NTC-P01DL too") << 30103 << Tweak([](CConfigure &c, int &) {
        c.m_serial[1] = {4, 1, 0, 7, 10, 300, 0};
    }) << 64 << QByteArray::fromHex("00004b0007010100");
    QTest::newRow("ID map entry") << 130100 << Tweak([](CConfigure &c, int &) {
        c.m_idMaps.append(new CIDMap{"10.1.2.3", "70000", 3, 5, 9, true, 300});
    }) << 68 << QByteArray::fromHex("0a01020300011170000000030509012c");
    QTest::newRow("timing record after the map") << 130100 << Tweak([](CConfigure &c, int &) {
        c.m_idMaps.append(new CIDMap{"10.1.2.3", "1", 0, 0, 1, false, 0});
        c.m_serial[0].m_charInterval = 30000;
        c.m_serial[0].m_respTimeout = 60000;
        c.m_serial[0].m_delayPolls = 7;
    }) << 84 << QByteArray::fromHex("000075300000ea6000000007");
    QTest::newRow("master and request entries") << 30203 << Tweak([](CConfigure &c, int &) {
        c.m_masters.append(new CSpecifiedMaster{"10.9.8.7", true});
        c.m_requests.append(new CSpecifiedRequest{true, "300", false, "16"});
    }) << 680 << QByteArray::fromHex("0a090807000000010000000000000000");
    QTest::newRow("request bytes use low byte of the id") << 30203 << Tweak([](CConfigure &c, int &) {
        c.m_requests.append(new CSpecifiedRequest{true, "300", false, "16"});
    }) << 968 << QByteArray::fromHex("00000001012c0010");
    QTest::newRow("password, port and delay") << 30203 << Tweak([](CConfigure &c, int &) {
        c.m_advance.m_password = "pw";
        c.m_advance.m_highPort = "1502";
        c.m_advance.m_serialDelay = 65535;
    }) << 1116 << QByteArray("pw") + QByteArray(18, '\0') + QByteArray::fromHex("000005de0000ffff");
    QTest::newRow("fixed: only range 3 active moves to slot 1") << 30203 << Tweak([](CConfigure &c, int &) {
        c.m_advance.m_limitOn[2] = true;
        c.m_advance.m_limitLow[2] = "10.0.0.1";
        c.m_advance.m_limitHigh[2] = "10.0.0.9";
        c.m_advance.m_limitLow[0] = "1.1.1.1"; // off: not written
    }) << 1144 << QByteArray::fromHex("000000010a0000010a000009") + QByteArray(60, '\0');
    QTest::newRow("packed: range 3 keeps slot 3") << 130100 << Tweak([](CConfigure &c, int &) {
        c.m_advance.m_limitOn[2] = true;
        c.m_advance.m_limitLow[2] = "10.0.0.1";
        c.m_advance.m_limitHigh[2] = "10.0.0.9";
    }) << 88 + 28 << QByteArray(24, '\0') + QByteArray::fromHex("000000010a0000010a000009") + QByteArray(36, '\0');
}

void TestBlockWriter::fieldBytes()
{
    QFETCH(int, code);
    QFETCH(Tweak, tweak);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    CConfigure c;
    fill(c, code, 0, 0, 0);
    int mode = 0;
    tweak(c, mode);
    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, int(BlockWriter::Built));
    QCOMPARE(r.block.mid(offset, bytes.size()).toHex(), bytes.toHex());
}

void TestBlockWriter::configurationChanges_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("listsLeft"); // masters and requests in the configuration afterwards
    QTest::addColumn<QString>("passwordLeft");
    QTest::newRow("RTU master drops masters and requests (fixed)") << 30203 << 1 << "x" << 0 << "x";
    QTest::newRow("ASCII master drops them (packed)") << 130200 << 3 << "x" << 0 << "x";
    QTest::newRow("slave mode keeps them") << 30203 << 2 << "x" << 3 << "x";
    QTest::newRow("lower-case none is no password") << 30203 << 0 << "none" << 3 << "";
    QTest::newRow("mixed-case NoNe is no password (packed)") << 130100 << 0 << "NoNe" << 3 << "";
    QTest::newRow("NONE1 is a real password") << 130100 << 0 << "NONE1" << 3 << "NONE1";
}

void TestBlockWriter::configurationChanges()
{
    QFETCH(int, code);
    QFETCH(int, mode);
    QFETCH(QString, password);
    QFETCH(int, listsLeft);
    QFETCH(QString, passwordLeft);
    CConfigure c;
    fill(c, code, 1, 3, 3);
    c.m_advance.m_password = password;
    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, int(BlockWriter::Built));
    QCOMPARE(c.m_masters.size(), listsLeft);
    QCOMPARE(c.m_requests.size(), listsLeft);
    QCOMPARE(c.m_advance.m_password, passwordLeft);
    QCOMPARE(c.m_idMaps.size(), 1);
    // What went out matches what is left.
    CConfigure back;
    back.m_modelCode = code;
    QVERIFY(BlockReader::read(QByteArray::fromHex("00000005") + r.block.mid(4), back).length > 0);
    QCOMPARE(back.m_masters.size(), listsLeft);
    QCOMPARE(back.m_requests.size(), listsLeft);
    QCOMPARE(back.m_advance.m_password, passwordLeft);
}

void TestBlockWriter::allOnesAddressStopsTheBuild_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Tweak>("tweak");
    QTest::addColumn<int>("expected");
    const QString ones = "255.255.255.255";
    for (int code : {30203, 130400}) {
        const QString layout = code == 30203 ? " (fixed)" : " (packed)";
        QTest::newRow(qPrintable("ip" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_ip = ones; }) << -1;
        QTest::newRow(qPrintable("mask" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_mask = ones; }) << -2;
        QTest::newRow(qPrintable("gateway" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_gateway = ones; }) << -3;
        QTest::newRow(qPrintable("dns1" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_dns1 = ones; }) << -4;
        QTest::newRow(qPrintable("dns2" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_dns2 = ones; }) << -5;
        QTest::newRow(qPrintable("ID map" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_idMaps.last()->m_ip = ones; }) << -6;
        QTest::newRow(qPrintable("master" + layout)) << code << Tweak([=](CConfigure &c, int &) { c.m_masters.last()->m_ip = ones; }) << -7;
        QTest::newRow(qPrintable("active range" + layout)) << code << Tweak([=](CConfigure &c, int &) {
            c.m_advance.m_limitOn[4] = true;
            c.m_advance.m_limitLow[4] = "1.1.1.1";
            c.m_advance.m_limitHigh[4] = ones;
        }) << -8;
        QTest::newRow(qPrintable("inactive range is not written" + layout)) << code << Tweak([=](CConfigure &c, int &) {
            c.m_advance.m_limitLow[4] = ones;
        }) << 0;
        QTest::newRow(qPrintable("master dropped in master mode" + layout)) << code << Tweak([=](CConfigure &c, int &m) {
            c.m_masters.last()->m_ip = ones;
            m = 1;
        }) << 0;
    }
}

void TestBlockWriter::allOnesAddressStopsTheBuild()
{
    QFETCH(int, code);
    QFETCH(Tweak, tweak);
    QFETCH(int, expected);
    CConfigure c;
    fill(c, code, 2, 2, 0);
    int mode = 0;
    tweak(c, mode);
    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, expected);
    QCOMPARE(r.block.isEmpty(), expected != 0);
}

void TestBlockWriter::hwP04FirmwareLimit_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<int>("maps");
    QTest::addColumn<int>("written");
    QTest::addColumn<bool>("cut");
    QTest::newRow("HW-P04 1.1 with 6 maps sends 4") << 130400 << "1.1" << 6 << 4 << true;
    QTest::newRow("HW-P04 2.0 sends all 6") << 130400 << "2.0" << 6 << 6 << false;
    QTest::newRow("HW-P04 1.1 with exactly 4") << 130400 << "1.1" << 4 << 4 << false;
    QTest::newRow("HW-P02 1.1 is not limited here") << 130200 << "1.1" << 6 << 6 << false;
}

void TestBlockWriter::hwP04FirmwareLimit()
{
    QFETCH(int, code);
    QFETCH(QString, firmware);
    QFETCH(int, maps);
    QFETCH(int, written);
    QFETCH(bool, cut);
    CConfigure c;
    fill(c, code, maps, 0, 0);
    QCOMPARE(BlockWriter::cutsIdMaps(c, firmware), cut);
    const BlockWriter::Result r = BlockWriter::buildPacked(c, 0, firmware);
    QCOMPARE(r.code, int(BlockWriter::Built));
    QCOMPARE(r.idMapsCut, cut);
    const int ports = Catalogue::serialPorts(code);
    QCOMPARE(r.block.size(), 168 + 20 * ports + 16 * written);
    CConfigure back;
    back.m_modelCode = code;
    QVERIFY(!BlockReader::readPacked(QByteArray::fromHex("00000005") + r.block.mid(4), back).truncated);
    QCOMPARE(back.m_idMaps.size(), written);
    QCOMPARE(back.m_idMaps.last()->m_ip, c.m_idMaps.at(written - 1)->m_ip);
    QCOMPARE(c.m_idMaps.size(), maps); // the configuration keeps all of them
}

void TestBlockWriter::refusesBlockLongerThanAGatewayTakes()
{
    // 16 ports with 36 entries in each list would need 1496 bytes.
    CConfigure c;
    fill(c, 131600, 36, 36, 36);
    const BlockWriter::Result r = BlockWriter::build(c, 0, "2.1");
    QCOMPARE(r.code, int(BlockWriter::TooLong));
    QVERIFY(r.block.isEmpty());
    // In a master mode the masters and requests go, and the rest fits.
    const BlockWriter::Result master = BlockWriter::build(c, 1, "2.1");
    QCOMPARE(master.code, int(BlockWriter::Built));
    QCOMPARE(master.block.size(), 168 + 320 + 16 * 36);
}

void TestBlockWriter::keepAliveFrame_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<qulonglong>("seconds");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("30 s goes out as 0BB8") << true << 30ull << QByteArray::fromHex("0000000e000000080000000100000bb8");
    QTest::newRow("off, 0 s") << false << 0ull << QByteArray::fromHex("0000000e000000080000000000000000");
    QTest::newRow("only the low 32 bits of the hundredths") << true << 0x100000000ull
        << QByteArray::fromHex("0000000e000000080000000100000000");
}

void TestBlockWriter::keepAliveFrame()
{
    QFETCH(bool, on);
    QFETCH(qulonglong, seconds);
    QFETCH(QByteArray, frame);
    CAdvance a;
    a.m_keepAlive = on;
    a.m_aliveTime = seconds;
    QCOMPARE(BlockWriter::keepAliveFrame(a).toHex(), frame.toHex());
}

void TestBlockWriter::roundTrip_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("mode");
    for (const ModelInfo &m : Catalogue::models())
        QTest::newRow(qPrintable(m.names.first())) << m.code << 2;
    QTest::newRow("outside model") << 0 << 0;
    QTest::newRow("HW-P04 in RTU master mode") << 130400 << 1;
}

// What the writer sends, the reader turns back into the same configuration,
// for values the reader does not clamp.
void TestBlockWriter::roundTrip()
{
    QFETCH(int, code);
    QFETCH(int, mode);
    const ModelInfo &model = Catalogue::byCode(code);
    const bool fixed = model.layout == BlockLayout::Fixed;
    const int ports = fixed ? 2 : model.serialPorts;
    CConfigure c;
    fill(c, code, qMin(model.maxIdMaps, 4), qMin(model.maxMasters, 3), qMin(model.maxRequests, 2));
    c.m_name = "Line-7";
    c.m_ipMode = 2;
    for (int n = 0; n < ports; ++n) {
        const bool silent = code == 30103 && n == 1; // the block carries only port 2's baud rate here
        c.m_serial[n] = {n % 9, silent ? 0 : n % 5, silent ? 0 : n % 2, silent ? 0 : 8,
                         1 + 1000 * n, 300 + 100 * n, 50 * n};
    }
    for (int i = 0; i < c.m_idMaps.size(); ++i) {
        c.m_idMaps[i]->m_serialIndex = fixed ? i % 2 : i % ports;
        c.m_idMaps[i]->m_negative = i % 2;
        c.m_idMaps[i]->m_offset = 247 - i;
    }
    const QStringList codes = {"1", "2", "3", "4", "5", "6", "15", "16"};
    for (int i = 0; i < c.m_requests.size(); ++i) {
        c.m_requests[i]->m_slaveIdOn = true;
        c.m_requests[i]->m_functionCode = codes.at(i * 3 % codes.size());
    }
    c.m_advance.m_password = "secret";
    c.m_advance.m_highPort = "65535";
    c.m_advance.m_serialDelay = 1234;
    for (int i = 0; i < 3; ++i) { // active ranges first, so the fixed layout's packing keeps their slots
        c.m_advance.m_limitOn[i] = true;
        c.m_advance.m_limitLow[i] = QStringLiteral("172.16.%1.1").arg(i);
        c.m_advance.m_limitHigh[i] = QStringLiteral("172.16.%1.254").arg(i);
    }

    const BlockWriter::Result r = BlockWriter::build(c, mode, "2.1");
    QCOMPARE(r.code, int(BlockWriter::Built));
    QByteArray received = r.block;
    received[3] = 5;
    CConfigure back;
    back.m_modelCode = code;
    const BlockReader::Result read = BlockReader::read(received, back);
    QCOMPARE(read.length, r.block.size());
    QVERIFY(!read.truncated);
    QCOMPARE(dump(back, read.commMode, ports), dump(c, mode, ports));
}

QTEST_APPLESS_MAIN(TestBlockWriter)
#include "tst_blockwriter.moc"
