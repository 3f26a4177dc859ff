// Configuration blocks to and from a gateway, the ".inf" file, and the model catalogue.
#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "messages/messagetable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <limits>

namespace {
using Cfg = const CConfigure &;
using Check = std::function<bool(Cfg)>;
using Tweak = std::function<void(CConfigure &)>;

// A zeroed block with a command-5 header, patched with "offset hex, offset hex, ...".
QByteArray block(int length, const QString &patches)
{
    QByteArray b(length, '\0');
    b[3] = 5;
    for (const QString &patch : patches.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QByteArray bytes = QByteArray::fromHex(patch.trimmed().section(' ', 1).toLatin1());
        b.replace(patch.trimmed().section(' ', 0, 0).toInt(), bytes.size(), bytes);
    }
    return b;
}

// A valid configuration with every address set and lists filled as asked.
CConfigure *filled(int code, int idMaps, int masters, int requests)
{
    auto *c = new CConfigure;
    c->m_modelCode = code;
    static_cast<CEthernet &>(*c) = {"GW", 0, "192.168.0.10", "255.255.255.0", "192.168.0.1", "8.8.8.8", "0.0.0.0"};
    c->m_advance.m_highPort = "502";
    for (int i = 0; i < idMaps; ++i)
        c->m_idMaps.append(new CIDMap{QStringLiteral("10.0.1.%1").arg(i), QString::number(500 + i), 0, i, i + 10, false, 0});
    for (int i = 0; i < masters; ++i)
        c->m_masters.append(new CSpecifiedMaster{QStringLiteral("10.0.2.%1").arg(i), i % 2 == 1});
    for (int i = 0; i < requests; ++i)
        c->m_requests.append(new CSpecifiedRequest{false, QString::number(i + 1), false, "3"});
    return c;
}

// What a written block reads back as, through the reader's command-5 header.
BlockReader::Result readBack(const QByteArray &written, CConfigure &back, int code)
{
    back.m_modelCode = code;
    return BlockReader::read(QByteArray::fromHex("00000005") + written.mid(4), back);
}
} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Values the writer never produces; the round trips below cover the rest.
    void readerRules()
    {
        const QList<std::tuple<int, QString, Check>> rows{
            {30203, "11 04, 32 00000003, 36 ffffffffffffffffffffffffffffffffffffffff", [](Cfg c) { // all-ones: defaults
                 return c.m_ipMode == 1 && c.m_ip == "192.168.0.10" && c.m_mask == "255.255.255.0" && c.m_dns2 == "0.0.0.0"; }},
            {30203, "72 00000001, 76 ffffffff000001f6000000020a05010f", [](Cfg c) { const CIDMap &m = *c.m_idMaps.first();
                 return m.m_ip == "0.0.0.0" && m.m_serialIndex == 0 && m.m_idMin == 0 && m.m_idMax == 0; }},
            {130100, "64 00000001, 68 01020304000001f60000001000f700f8",
             [](Cfg c) { return c.m_idMaps.first()->m_serialIndex == 0 && c.m_idMaps.first()->m_offset == 0; }},
            {30203, "72 00000100, 676 ffffffff, 968 00000025",
             [](Cfg c) { return c.m_idMaps.size() == 36 && c.m_masters.size() == 36 && c.m_requests.size() == 36; }},
            {130400, "200 00000001 c0a80001 c0a800ff", [](Cfg c) { // packed ranges keep their slots
                 return c.m_advance.m_limitOn[2] && c.m_advance.m_limitHigh[2] == "192.168.0.255" && !c.m_advance.m_limitOn[0]; }},
            // Whole packed blocks announcing 64 ID mappings, 128 masters, 230 requests: 36 taken, the rest skipped.
            {130100, "64 00000040", [](Cfg c) { return c.m_idMaps.size() == 36; }},
            {130100, "80 00000080", [](Cfg c) { return c.m_masters.size() == 36 && c.m_requests.isEmpty(); }},
            {130100, "84 000000e6, 1008 4142", [](Cfg c) { return c.m_requests.size() == 36 && c.m_advance.m_password == "AB"; }}};
        for (const auto &[code, patches, check] : rows) {
            CConfigure c;
            c.m_modelCode = code;
            const BlockReader::Result r = BlockReader::read(block(Block::MaxSize, patches), c);
            QVERIFY(r.length > 0 && !r.truncated);
            QVERIFY2(check(c), qPrintable(patches));
        }
        // Counts of 2^32-1 in a short packed block: nothing past its end is taken, the length does not wrap.
        CConfigure c;
        c.m_modelCode = 130100;
        const BlockReader::Result r = BlockReader::readPacked(block(188, "64 ffffffff"), c);
        QVERIFY(r.truncated);
        QCOMPARE(r.length, std::numeric_limits<int>::max());
        QCOMPARE(c.m_idMaps.size(), (188 - 68) / 16);
        const auto reply = [](const char *tail) { return QByteArray::fromHex(QByteArray("0000000d00000008") + tail); };
        const QList<std::tuple<int, QByteArray, bool, bool, int>> answers{ // keep-alive: model, reply, accepted, on, seconds
            {130400, reply("00000002000000c7"), true, true, 1}, {130400, reply("00000001ffffffff"), true, true, 8}, {130100, reply("000000010063ff9c"), true, true, 65535},
            {30203, reply("0000000100640000"), true, true, 30}, {130400, QByteArray::fromHex("0000000d0000"), true, false, 0},
            {130400, QByteArray::fromHex("0000000e000000080000000000000064"), false, true, 77}};
        for (const auto &[code, bytes, accepted, on, seconds] : answers) {
            CAdvance a; // keep-alive on by default
            a.m_aliveTime = 77;
            QCOMPARE(BlockReader::readKeepAlive(bytes, a, code), accepted);
            QCOMPARE(QString("%1 %2").arg(a.m_keepAlive).arg(a.m_aliveTime), QString("%1 %2").arg(on).arg(seconds));
        }
    }

    void writerLengths()
    {
        // model, entries in each list, mode, firmware, length (0: too long), ID mappings sent
        const QList<std::tuple<int, int, int, QString, int, int>> rows{{30103, 40, 2, "2.1", 1216, 36},
            {130400, 2, 0, "2.1", 304, 2}, {130800, 1, 1, "2.1", 344, 1}, {131600, 36, 0, "2.1", 0, 0},
            {130400, 6, 1, "1.1", 312, 4}, {130400, 6, 1, "2.0", 344, 6}, {130200, 6, 1, "1.1", 304, 6}};
        for (const auto &[code, entries, mode, firmware, length, sent] : rows) {
            std::unique_ptr<CConfigure> c(filled(code, entries, entries, entries));
            const bool cut = code == 130400 && firmware == "1.1";
            QCOMPARE(BlockWriter::cutsIdMaps(*c, firmware), cut);
            const BlockWriter::Result r = BlockWriter::build(*c, mode, firmware);
            QCOMPARE(r.code, int(length ? BlockWriter::Built : BlockWriter::TooLong));
            QCOMPARE(QList<int>({r.block.size(), r.idMapsCut, c->m_idMaps.size()}), QList<int>({length, cut, entries}));
            CConfigure back;
            QVERIFY(length == 0 || r.block.left(8).toHex() == "00000006" + QByteArray::number(length - 8, 16).rightJustified(8, '0'));
            QVERIFY(length == 0 || (readBack(r.block, back, code).length == length && back.m_idMaps.size() == sent));
        }
    }

    void writerBytes()
    {
        const auto range3 = [](CConfigure &c) { c.m_advance = {"", "502", 0, true, 30, {false, false, true}, {"1.1.1.1", "", "10.0.0.1"}, {"", "", "10.0.0.9"}}; };
        const QString empty(24, QLatin1Char('0')), range = "000000010a0000010a000009";
        const QList<std::tuple<int, Tweak, QString>> rows{
            {130100, [](CConfigure &c) { c.m_ipMode = 3; c.m_name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"; c.m_dns1.clear(); },
             "8 00000000" + QString::fromLatin1(QByteArray("ABCDEFGHIJKLMNOPQRST").toHex()) + "00000000c0a8000affffff00c0a8000100000000"},
            {30103, [](CConfigure &c) { c.m_serial[1] = {9, 1, 0, 7, 10, 300, 0}; c.m_advance = {"pw", "1502", 65535, true, 30, {}, {}, {}};
                 c.m_requests.append(new CSpecifiedRequest{true, "300", false, "16"}); }, // baud index 9 is 1200, the id's low byte
             "64 000004b007010100, 968 00000001012c0010, 1116 707700, 1136 000005de0000ffff"},
            {30203, range3, "1144 " + range + empty}, // the fixed layout packs active ranges to the front
            {130100, range3, "116 " + empty + empty + range + empty}};
        for (const auto &[code, tweak, expected] : rows) {
            std::unique_ptr<CConfigure> c(filled(code, 0, 0, 0));
            tweak(*c);
            const BlockWriter::Result r = BlockWriter::build(*c, 0, "2.1");
            for (const QString &at : expected.split(QStringLiteral(", "))) { // fails on an empty block too
                const QByteArray bytes = at.section(' ', 1).toLatin1();
                QCOMPARE(r.block.mid(at.section(' ', 0, 0).toInt(), bytes.size() / 2).toHex(), bytes);
            }
        }
    }

    // All-ones addresses refuse the write, each with its own code; master modes drop masters and requests.
    void writerRefusals()
    {
        const QString ones = "255.255.255.255";
        const QList<std::tuple<int, int, Tweak>> cases{{-1, 0, [=](CConfigure &c) { c.m_ip = ones; }},
            {-2, 0, [=](CConfigure &c) { c.m_mask = ones; }}, {-5, 0, [=](CConfigure &c) { c.m_dns2 = ones; }},
            {-6, 0, [=](CConfigure &c) { c.m_idMaps.last()->m_ip = ones; }}, {-7, 0, [=](CConfigure &c) { c.m_masters.last()->m_ip = ones; }},
            {-8, 0, [=](CConfigure &c) { c.m_advance.m_limitOn[4] = true; c.m_advance.m_limitHigh[4] = ones; }},
            {0, 0, [=](CConfigure &c) { c.m_advance.m_limitLow[4] = ones; }}, {0, 1, [=](CConfigure &c) { c.m_masters.last()->m_ip = ones; }},
            {0, 3, [](CConfigure &c) { c.m_advance.m_password = "NoNe"; }}}; // inactive range and dropped master not written
        for (const int code : {30203, 130400}) {
            for (const auto &[result, mode, tweak] : cases) {
                std::unique_ptr<CConfigure> c(filled(code, 2, 2, 2));
                tweak(*c);
                const BlockWriter::Result r = BlockWriter::build(*c, mode, "2.1");
                QVERIFY(r.code == result && r.block.isEmpty() == (result != 0));
                CConfigure back; // what went out matches what is left; any case of "none" is no password
                QVERIFY(result != 0 || readBack(r.block, back, code).length > 0);
                QCOMPARE(back.m_advance.m_password + c->m_advance.m_password, QString());
                const int left = c->m_masters.size() + c->m_requests.size() + back.m_masters.size() + back.m_requests.size();
                QCOMPARE(left, mode % 2 ? 0 : result == 0 ? 8 : 4);
            }
        }
    }

    // What the writer sends the reader turns back into the same configuration, and a saved file loads back
    // as it was, compared as saved files, also with a name and password that read as keys. A blank in the
    // name or password is written up to it, as a blank would shift every later setting. Every prefix of a block is read without reading past it (ASan checks
    // the reads), taking only entries wholly inside it.
    void roundTrips()
    {
        for (const ModelInfo &model : Catalogue::models() + QList<ModelInfo>{Catalogue::byCode(0)}) {
            const int code = model.code;
            const int ports = model.layout == BlockLayout::Fixed ? 2 : model.serialPorts, mode = code % 3 ? 2 : 1;
            std::unique_ptr<CConfigure> c(filled(code, qMin(model.maxIdMaps, 4), qMin(model.maxMasters, 3), 2));
            c->m_ipMode = ports % 3;
            const bool keyWords = code == 0; // a name and a password that read as keys of the file
            c->m_name = keyWords ? "Assign_IP_Mode" : code % 2 ? "GW 1" : "GW\t1";
            for (int n = 0; n < ports; ++n) {
                const bool silent = code == 30103 && n == 1; // the block carries only port 2's baud rate here
                c->m_serial[n] = {n % 9, silent ? 0 : n % 5, silent ? 0 : n % 2, silent ? 0 : 8, 1 + 1000 * n, 300 + 100 * n, 50 * n};
            }
            for (int i = 0; i < c->m_idMaps.size(); ++i)
                *c->m_idMaps[i] = {c->m_idMaps[i]->m_ip, c->m_idMaps[i]->m_port, i % ports, i, 10 + i, i % 2 == 1, 247 - i};
            c->m_idMaps.last()->m_serialIndex = ports - 1;
            *c->m_requests[1] = {true, "2", false, "15"};
            c->m_advance = {keyWords ? "Password" : "p w", "65535", 1234, mode == 2, 45, {true, true}, {"172.16.0.1", "172.16.1.1"}, {"172.16.0.9", "172.16.1.9"}};
            const BlockWriter::Result r = BlockWriter::build(*c, mode, "2.1");
            CConfigure back;
            const BlockReader::Result read = readBack(r.block, back, code);
            QCOMPARE(read.length, r.block.size());
            for (int length = 0; length < r.block.size(); ++length) {
                QByteArray prefix(r.block.constData(), length);
                if (length >= 4)
                    prefix[3] = 5;
                CConfigure cut;
                cut.m_modelCode = code;
                const BlockReader::Result part = BlockReader::read(prefix, cut);
                QCOMPARE(part.length < 0 || !part.truncated, length < 4);
                QCOMPARE(cut.m_idMaps.size(), qBound(0, (length - 60 - 8 * ports) / 16, c->m_idMaps.size()));
            }
            QCOMPARE(BlockReader::read(r.block, *c).length, -1); // the writer's command-6 header changes nothing
            const QByteArray keepAlive = BlockWriter::keepAliveFrame(c->m_advance); // 4500 hundredths
            QCOMPARE(keepAlive.toHex(), QByteArray("0000000e00000008") + (mode == 2 ? "00000001" : "00000000") + "00001194");
            QVERIFY(BlockReader::readKeepAlive(QByteArray(keepAlive).replace(3, 1, "\x0d"), back.m_advance, code));
            const QString text = InfFile::write(*c, mode, "HW-P04");
            QCOMPARE(InfFile::write(back, read.commMode, "HW-P04").split('\n'), text.split('\n'));
            const QString lastPort = QStringLiteral("Port%1_Baud_Rate").arg(Catalogue::serialPorts(code)); // and none beyond
            QVERIFY(text.contains(lastPort) && !text.contains(QStringLiteral("Port%1_Baud_Rate").arg(Catalogue::serialPorts(code) + 1)));
            CConfigure loaded;
            loaded.m_modelCode = code;
            const InfFile::ReadResult fileRead = InfFile::read(text, loaded);
            QCOMPARE(fileRead.status, InfFile::Status::Ok);
            QCOMPARE(loaded.m_name + '|' + loaded.m_advance.m_password, QString(keyWords ? "Assign_IP_Mode|Password" : "GW|p"));
            c->m_name = loaded.m_name;
            c->m_advance.m_password = loaded.m_advance.m_password;
            QCOMPARE(InfFile::write(loaded, fileRead.commMode, "HW-P04").split('\n'), InfFile::write(*c, mode, "HW-P04").split('\n'));
        }
    }

    // Values the reader corrects, list counts against entries held and block size, files unopened, unwritten, too large.
    void infFiles()
    {
        using S = InfFile::Status;
        const QList<int> few{2, 1, 1};
        const Check ok = [](Cfg) { return true; };
        // model, lists written, key edited (0: none), value, status, check of what loaded
        const QList<std::tuple<int, QList<int>, unsigned int, QString, S, Check>> rows{
            {130100, {0, 0, 0}, 4058, "600", S::Ok, [](Cfg c) { return c.m_serial[0].m_baudRate == 0; }},
            {130100, {0, 0, 0}, 4087, "-5", S::Ok, [](Cfg c) { return c.m_serial[0].m_respTimeout == 300; }},
            {130100, {0, 0, 0}, 4104, "4294967295", S::Ok, [](Cfg c) { return c.m_advance.m_highPort == "4294967295"; }}, // as a block holds it
            {130400, few, 4076, "3", S::MissingEntries, ok}, {130400, few, 4076, "37", S::TooManyEntries, ok},
            {130400, few, 4095, "-4", S::Ok, [](Cfg c) { return c.m_requests.isEmpty() && c.m_idMaps.size() == 2; }},
            // 16 ports: 168 + 320 + 16 x 36 = 1064 bytes, 152 left for 19 masters.
            {131600, {36, 19, 0}, 0, "", S::Ok, [](Cfg c) { return c.m_masters.size() == 19; }},
            {131600, {36, 19, 1}, 0, "", S::TooManyEntries, ok}, // requests overflow last
            {30203, {36, 36, 36}, 0, "", S::Ok, [](Cfg c) { return c.m_requests.size() == 36; }}};
        for (const auto &[code, lists, keyId, value, status, check] : rows) {
            std::unique_ptr<CConfigure> source(filled(code, lists[0], lists[1], lists[2]));
            source->m_serial[0] = {1, 0, 0, 8, 5, 317, 0};
            QString text = InfFile::write(*source, 0, "HW-P04");
            const int at = text.indexOf(GetStr(keyId)) + GetStr(keyId).size();
            if (keyId != 0)
                text.replace(at, text.indexOf('\n', at) - at, value);
            CConfigure c;
            c.m_modelCode = code;
            const InfFile::ReadResult read = InfFile::read(text, c);
            QCOMPARE(read.status, status);
            QVERIFY2(check(c), qPrintable(value));
            QVERIFY(c.m_idMaps.size() <= lists[0] && c.m_masters.size() <= lists[1] && c.m_requests.size() <= lists[2]);
            if (status != S::Ok)
                QCOMPARE(InfFile::messageId(read.status), 4313u);
        }
        QCOMPARE(InfFile::scanModel("DeviceMode\tHW-P02\n").modelName, QString("HW-P02")); // the older key
        // An empty model leaves the next key alone; two equal tokens in a row before a key are refused.
        QCOMPARE(InfFile::scanModel("Device_Mode\t\nTransmission_Mode\t\tRTU_Slave\n").modelName, QString(""));
        QCOMPARE(InfFile::scanModel("Junk\tJunk\nDevice_Mode\tHW-P08\n").status, S::Incorrect);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.inf"), text = "Device_Mode\tHW-P02\n";
        QCOMPARE(InfFile::writeFile(path, text), InfFile::WriteStatus::Written);
        QString back;
        QVERIFY(InfFile::readFile(path, back) == InfFile::Status::Ok && back == text);
        QVERIFY(InfFile::writeFile(dir.path(), text) == InfFile::WriteStatus::CannotOpen && InfFile::readFile(dir.filePath("none.inf"), back) == InfFile::Status::CannotOpen);
        QVERIFY(QFile::link("/dev/full", dir.filePath("full.inf"))); // opens, but nothing can be written
        QCOMPARE(InfFile::writeFile(dir.filePath("full.inf"), text), InfFile::WriteStatus::Failed);
        QFile huge(dir.filePath("huge.inf")); // refused before it is read into memory
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(InfFile::MaxFileSize + 1));
        QVERIFY(InfFile::readFile(huge.fileName(), back = QString()) == InfFile::Status::TooLarge && back.isEmpty());
    }

    void catalogue()
    {
        QCOMPARE(Catalogue::codeForName("KX500-EN-2RS485(Modbus TCP)") + Catalogue::codeForName("hw-p16"), 30203);
        QCOMPARE(Catalogue::idMapLimitForFirmware(130400, "1.10"), 4);
        CConfigure *first = filled(0, 36, 36, 36);
        installConfigure(first);
        installConfigure(first); // installing the current one again must not delete it
        QCOMPARE(pConfigure->m_idMaps.size() + pConfigure->m_masters.size() + pConfigure->m_requests.size(), 108);
        installConfigure(filled(0, 4, 0, 0));
        QCOMPARE(pConfigure->m_idMaps.size(), 4);
        installConfigure(nullptr);
        QVERIFY(!pConfigure);
    }
};

QTEST_APPLESS_MAIN(TestConfig)
#include "tst_config.moc"
