// The ".inf" configuration file: every rule of the writer and the reader as a row, refusals, round trips that
// compare whole records field by field, the file helpers, files saved as a batch and the model catalogue.
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "config/savebatch.h"
#include "support/roundtrip.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace ConfigFields;
using Status = InfFile::Status;

namespace {
// Neither what the system makes a new file with nor what a temporary file starts with.
const QFile::Permissions kReadWriteGroupReads = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;

// A configuration of `model` with `edits` applied (lists of one entry each unless the edits say otherwise).
QString written(int model, const QString &edits, int *mode = nullptr)
{
    CConfigure c;
    int m = 0;
    apply(c, m, QStringLiteral("model=%1, maps=1, masters=1, requests=1, ").arg(model) + edits);
    if (mode)
        *mode = m;
    return InfFile::write(c, m, Catalogue::discoveryName(model));
}

// The file's lines as "key=value", the value without its TABs.
QStringList pairs(const QString &text)
{
    QStringList out;
    for (const QString &line : text.split('\n', Qt::SkipEmptyParts))
        out << line.section('\t', 0, 0) + '=' + line.section('\t', 1).remove('\t');
    return out;
}

// Edits the first line of each key: "Key=value" replaces its value, "Key>Other" renames the key.
QString edited(const QString &text, const QString &edits)
{
    QStringList lines = text.split('\n');
    for (const QString &edit : split(edits)) {
        const bool rename = !edit.contains('=');
        const QString key = edit.section(rename ? '>' : '=', 0, 0), to = edit.section(rename ? '>' : '=', 1);
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const QString &l) { return l.section('\t', 0, 0) == key; });
        if (line == lines.end())
            qFatal("no key %s", qPrintable(key));
        *line = rename ? to + line->mid(key.size()) : key + '\t' + to;
    }
    return lines.join('\n');
}

} // namespace

class TestInfFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writer_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("edits"); // of a configuration with one entry in each list
        QTest::addColumn<QString>("lines"); // "key=value" lines the file holds; "!key": no line of that key
        // The words of each mode, address assignment, baud rate and parity are the reader's rows and the round
        // trips': a file writes what it reads back. Here: the writer's own rules and the words the reader would
        // take either way (older forms, anything but Enable).
        QTest::newRow("model name first, RTU slave") << 130200 << "mode=0" << "Device_Mode=KX500-DL-2RS, Transmission_Mode=RTU_Slave";
        QTest::newRow("RTU master, which any other word reads as") << 130200 << "mode=1" << "Transmission_Mode=RTU_Master";
        QTest::newRow("mode 7 is RTU slave") << 130200 << "mode=7" << "Transmission_Mode=RTU_Slave";
        QTest::newRow("static address") << 130200 << "ipMode=0, ip=10.0.0.1" << "Assign_IP_Mode=Manually_Assign, IP_Address=10.0.0.1";
        QTest::newRow("assignment 3 is static") << 130200 << "ipMode=3" << "Assign_IP_Mode=Manually_Assign";
        QTest::newRow("name and password up to a blank") << 130200 << "name=GW 2, password=p w" << "Ethernet_Name=GW, Password=p";
        QTest::newRow("19200; index 9 is 1200") << 130200 << "s1.baud=4, s2.baud=9" << "Port1_Baud_Rate=19200, Port2_Baud_Rate=1200";
        QTest::newRow("None; parity 5 is None") << 130200 << "s1.parity=0, s2.parity=5" << "Port1_Check_Bit=None, Port2_Check_Bit=None";
        QTest::newRow("stop bits, data bits always 8") << 130200 << "s1.stop=1, s2.stop=0, s1.data=7"
            << "Port1_Stop_Bits=2, Port2_Stop_Bits=1, Port1_Data_BitS=8, Port2_Data_Bits=8";
        QTest::newRow("one port: no port 2") << 130100 << "" << "Port1_Baud_Rate=1200, !Port2_Baud_Rate, !Port2_Response_Timeout";
        QTest::newRow("four ports, none beyond") << 130400 << "s4.baud=3, s4.delay=40"
            << "Port4_Baud_Rate=9600, Port4_Data_Bits=8, Port4_Delay_between_Polls=40, !Port5_Baud_Rate";
        QTest::newRow("outside the catalogue: 16 ports") << 0 << "s16.parity=4" << "Port16_Check_Bit=Space, Port16_Data_Bits=8";
        QTest::newRow("mapping, serial index 15 is 16") << 130200
            << "map1.ip=10.0.0.1, map1.port=502, map1.serial=15, map1.min=5, map1.max=9, map1.neg=1, map1.offset=247"
            << "ID_Mapping_Group_Number=1, Target_IP_address=10.0.0.1, Port=502, Serial_Index=16, Virtual_ID_Min=5, "
               "Virtual_ID_Max=9, Offset_Positive_or_Negative=Negative, Offset=247";
        QTest::newRow("serial index 16 is written empty, positive offset") << 130200 << "map1.serial=16" << "Serial_Index=, Offset_Positive_or_Negative=Positive";
        QTest::newRow("master, without its binding") << 130200 << "master1.ip=10.0.2.1, master1.serial2=1"
            << "Specifies_The_Number_of_The_Master_Group=1, The_Specified_IP_Address=10.0.2.1, The_Specified_Serial_Number_ID=";
        QTest::newRow("request filters on") << 130200 << "req1.slaveOn=1, req1.slave=7, req1.funcOn=1, req1.func=16"
            << "Specifies_The_Number_of_Requests_for_Group=1, Slave_ID_Switches=Enable, Slave_ID=7, Function_Switches=Enable, Function_Code=16";
        QTest::newRow("request filters off") << 130200 << "req1.slave=7, req1.func=3" << "Slave_ID_Switches=Ban, Function_Switches=Ban";
        QTest::newRow("advanced settings") << 130200 << "highPort=1502, serialDelay=65535, keepAlive=1, alive=65535"
            << "High_Port=1502, Delay_to_Start_Serial=65535, KeepAlive=Enable, TCP_Alive_Check_Time=65535";
        QTest::newRow("keep-alive off") << 130200 << "keepAlive=0" << "KeepAlive=Disable";
        QTest::newRow("range on") << 130200 << "range1.on=1, range1.low=10.0.0.1, range1.high=10.0.0.9"
            << "IP_Limit_Switch=Enable, IP_Limit=10.0.0.1, IP_Cap=10.0.0.9";
        QTest::newRow("range off") << 130200 << "" << "IP_Limit_Switch=Ban, IP_Limit=, IP_Cap=";
    }

    void writer()
    {
        QFETCH(int, model);
        QFETCH(QString, edits);
        QFETCH(QString, lines);
        const QStringList file = pairs(written(model, edits));
        for (const QString &line : split(lines)) {
            const bool absent = line.startsWith('!');
            const auto found = std::find_if(file.begin(), file.end(), [&](const QString &l) {
                return absent ? l.section('=', 0, 0) == line.mid(1) : l == line;
            });
            QVERIFY2((found == file.end()) == absent, qPrintable(line));
        }
    }

    void reader_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("config"); // what the file is written from, one entry in each list besides
        QTest::addColumn<QString>("file"); // edits of the file: "Key=value", or "Key>Other" for another key
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expected");
        const int ok = int(Status::Ok);
        QTest::newRow("RTU_Slave") << 130200 << "mode=3" << "Transmission_Mode=RTU_Slave" << ok << "mode=0";
        QTest::newRow("RTU_Master") << 130200 << "" << "Transmission_Mode=RTU_Master" << ok << "mode=1";
        QTest::newRow("ASCII_Slave") << 130200 << "" << "Transmission_Mode=ASCII_Slave" << ok << "mode=2";
        QTest::newRow("ASCII_Master") << 130200 << "" << "Transmission_Mode=ASCII_Master" << ok << "mode=3";
        QTest::newRow("another mode word is RTU master") << 130200 << "" << "Transmission_Mode=Junk" << ok << "mode=1";
        QTest::newRow("older keys: mode, name, mask, port 1 baud") << 130200 << "mode=2, name=GW, mask=255.0.0.0, s1.baud=5"
            << "Transmission_Mode>Communication_Mode, Ethernet_Name>Ethernet_name, Subnet_Mask>Subnet_mask, Port1_Baud_Rate>Serial_Port1_baud_rate"
            << ok << "mode=2, name=GW, mask=255.0.0.0, s1.baud=5";
        QTest::newRow("empty name, the IP mode after it") << 130200 << "name=, ipMode=1" << "" << ok << "name=, ipMode=1";
        QTest::newRow("a name that reads as the next key is kept") << 130200 << "name=Assign_IP_Mode, ipMode=1" << "" << ok
            << "name=Assign_IP_Mode, ipMode=1";
        QTest::newRow("a port as large as a block carries") << 130200 << "" << "High_Port=4294967295" << ok << "highPort=4294967295";
        QTest::newRow("DHCP") << 130200 << "" << "Assign_IP_Mode=DHCP" << ok << "ipMode=1";
        QTest::newRow("BOOTP") << 130200 << "" << "Assign_IP_Mode=BOOTP" << ok << "ipMode=2";
        QTest::newRow("another IP mode word is static") << 130200 << "ipMode=1" << "Assign_IP_Mode=Junk" << ok << "ipMode=0";
        QTest::newRow("all-ones addresses are emptied") << 130200 << "ip=10.0.0.1, dns2=10.0.0.2"
            << "IP_Address=255.255.255.255, DNS2=255.255.255.255" << ok << "ip=, dns2=";
        QTest::newRow("1200 and 2400") << 130200 << "" << "Port1_Baud_Rate=1200, Port2_Baud_Rate=2400" << ok << "s1.baud=0, s2.baud=1";
        QTest::newRow("4800 and 9600") << 130200 << "" << "Port1_Baud_Rate=4800, Port2_Baud_Rate=9600" << ok << "s1.baud=2, s2.baud=3";
        QTest::newRow("19200 and 38400") << 130200 << "" << "Port1_Baud_Rate=19200, Port2_Baud_Rate=38400" << ok << "s1.baud=4, s2.baud=5";
        QTest::newRow("57600 and 115200") << 130200 << "" << "Port1_Baud_Rate=57600, Port2_Baud_Rate=115200" << ok << "s1.baud=6, s2.baud=7";
        QTest::newRow("230400; 600 is 1200") << 130200 << "" << "Port1_Baud_Rate=230400, Port2_Baud_Rate=600" << ok << "s1.baud=8, s2.baud=0";
        QTest::newRow("Odd and Even") << 130200 << "" << "Port1_Check_Bit=Odd, Port2_Check_Bit=Even" << ok << "s1.parity=1, s2.parity=2";
        QTest::newRow("Mark and Space") << 130200 << "" << "Port1_Check_Bit=Mark, Port2_Check_Bit=Space" << ok << "s1.parity=3, s2.parity=4";
        QTest::newRow("another parity word is None") << 130200 << "s1.parity=2" << "Port1_Check_Bit=Junk" << ok << "s1.parity=0";
        QTest::newRow("stop bits 2 and 3; data bits are 8") << 130200 << "s2.stop=1" << "Port1_Stop_Bits=2, Port2_Stop_Bits=3, Port1_Data_BitS=7"
            << ok << "s1.stop=1, s2.stop=0, s1.data=8, s2.data=8";
        QTest::newRow("serial index 16 is 15, its sign word from older files") << 130200 << "" << "Serial_Index=16, Offset_Positive_or_Negative=negative"
            << ok << "map1.serial=15, map1.neg=1";
        QTest::newRow("serial index 17 is 0, Negative") << 130200 << "map1.serial=4" << "Serial_Index=17, Offset_Positive_or_Negative=Negative"
            << ok << "map1.serial=0, map1.neg=1";
        QTest::newRow("serial index 1 is 0, another sign word positive") << 130200 << "map1.serial=4, map1.neg=1"
            << "Serial_Index=1, Offset_Positive_or_Negative=Junk" << ok << "map1.serial=0, map1.neg=0";
        QTest::newRow("virtual IDs and offset 247") << 130200 << "" << "Virtual_ID_Min=247, Virtual_ID_Max=247, Offset=247"
            << ok << "map1.min=247, map1.max=247, map1.offset=247";
        QTest::newRow("virtual IDs and offset 248 are 0") << 130200 << "map1.min=3, map1.max=9, map1.offset=5"
            << "Virtual_ID_Min=248, Virtual_ID_Max=248, Offset=248" << ok << "map1.min=0, map1.max=0, map1.offset=0";
        QTest::newRow("last virtual ID 1 kept, negative numbers are 0") << 130200 << "map1.min=3, map1.offset=5"
            << "Virtual_ID_Min=-1, Virtual_ID_Max=1, Offset=-1" << ok << "map1.min=0, map1.max=1, map1.offset=0";
        QTest::newRow("negative target port is empty") << 130200 << "map1.port=502" << "Port=-1" << ok << "map1.port=";
        QTest::newRow("negative timings") << 130200 << "s1.char=5, s1.resp=900, s2.delay=9"
            << "Port1_Time_Interval_between_Characters=-1, Port1_Response_Timeout=-5, Port2_Delay_between_Polls=-1"
            << ok << "s1.char=0, s1.resp=300, s2.delay=0";
        QTest::newRow("all-ones master is 0.0.0.0") << 130200 << "master1.ip=10.0.0.1" << "The_Specified_IP_Address=255.255.255.255" << ok << "master1.ip=0.0.0.0";
        QTest::newRow("request switches Enable") << 130200 << "" << "Slave_ID_Switches=Enable, Slave_ID=255, Function_Switches=Enable, Function_Code=16"
            << ok << "req1.slaveOn=1, req1.slave=255, req1.funcOn=1, req1.func=16";
        QTest::newRow("request switches Ban, negative slave ID is empty") << 130200 << "req1.slaveOn=1, req1.funcOn=1, req1.slave=3"
            << "Slave_ID_Switches=Ban, Slave_ID=-1, Function_Switches=Ban" << ok << "req1.slaveOn=0, req1.slave=, req1.funcOn=0";
        QTest::newRow("negative port is 502, negative delay 0") << 130200 << "serialDelay=9" << "High_Port=-1, Delay_to_Start_Serial=-1"
            << ok << "highPort=502, serialDelay=0";
        QTest::newRow("KeepAlive Enable") << 130200 << "keepAlive=0" << "KeepAlive=Enable" << ok << "keepAlive=1";
        QTest::newRow("KeepAlive Ban is on, as older files have it") << 130200 << "keepAlive=0" << "KeepAlive=Ban" << ok << "keepAlive=1";
        QTest::newRow("KeepAlive Disable") << 130200 << "keepAlive=1" << "KeepAlive=Disable" << ok << "keepAlive=0";
        QTest::newRow("negative alive time is 30") << 130200 << "alive=9" << "TCP_Alive_Check_Time=-1" << ok << "alive=30";
        QTest::newRow("alive time 0 and 65535") << 130200 << "alive=9, serialDelay=65535" << "TCP_Alive_Check_Time=0" << ok << "alive=0, serialDelay=65535";
        QTest::newRow("range switched off in the file") << 130200 << "range1.on=1, range1.low=10.0.0.1, range1.high=10.0.0.9"
            << "IP_Limit_Switch=Ban" << ok << "range1.on=0, range1.low=, range1.high=";
        // The editor takes "Password" as a password, so a file must give it back.
        QTest::newRow("the password Password is kept") << 130200 << "password=abc" << "Password=Password" << ok << "password=Password";
        QTest::newRow("older password key") << 130200 << "password=abc" << "Password>password" << ok << "password=abc";
        QTest::newRow("lists of 0") << 130200 << "maps=0, masters=0, requests=0" << "" << ok << "maps=0, masters=0, requests=0";
        QTest::newRow("lists of 36") << 30203 << "maps=36, masters=36, requests=36" << "" << ok << "maps=36, masters=36, requests=36";
        QTest::newRow("37 mappings refused") << 30203 << "maps=37" << "" << int(Status::TooManyEntries) << "";
        QTest::newRow("37 masters refused") << 30203 << "masters=37" << "" << int(Status::TooManyEntries) << "";
        QTest::newRow("37 requests refused") << 30203 << "requests=37" << "" << int(Status::TooManyEntries) << "";
        QTest::newRow("more mappings announced than held") << 130200 << "maps=2" << "ID_Mapping_Group_Number=3" << int(Status::MissingEntries) << "";
        QTest::newRow("more masters announced than held") << 130200 << "" << "Specifies_The_Number_of_The_Master_Group=2" << int(Status::MissingEntries) << "";
        QTest::newRow("negative request count: none") << 130200 << "" << "Specifies_The_Number_of_Requests_for_Group=-4" << ok << "maps=1, requests=0";
        // 16 ports: 168 + 320 + 16 x 36 = 1064 bytes, 152 left for 19 masters.
        QTest::newRow("16 ports: lists that fill a block") << 131600 << "maps=36, masters=19, requests=0" << "" << ok << "masters=19";
        QTest::newRow("16 ports: lists beyond a block refused") << 131600 << "maps=36, masters=19, requests=1" << "" << int(Status::TooManyEntries) << "";
    }

    void reader()
    {
        QFETCH(int, model);
        QFETCH(QString, config);
        QFETCH(QString, file);
        QFETCH(int, status);
        QFETCH(QString, expected);
        CConfigure c;
        c.m_modelCode = model;
        const InfFile::ReadResult read = InfFile::read(edited(written(model, config), file), c);
        QCOMPARE(int(read.status), status);
        QCOMPARE(InfFile::messageId(read.status), status == int(Status::Ok) ? 0u : 4313u);
        QCOMPARE(pick(c, read.commMode, expected), split(expected));
        QVERIFY(c.m_idMaps.size() <= 36 && c.m_masters.size() <= 36 && c.m_requests.size() <= 36);
    }

    void modelPass()
    {
        const QList<std::tuple<QString, Status, QString>> rows{
            {"Device_Mode\tKX500-EN-2RS485(Modbus TCP)\n", Status::Ok, "KX500-EN-2RS485(Modbus TCP)"}, // two words joined
            {"DeviceMode\tHW-P02\n", Status::Ok, "HW-P02"}, // the older key
            {"Device_Mode\t\nTransmission_Mode\t\tRTU_Slave\n", Status::Ok, ""}, // empty: the next key stays a key
            {"Junk\tJunk\nDevice_Mode\tHW-P08\n", Status::Incorrect, ""}, {"Transmission_Mode\t\tRTU_Slave\n", Status::Ok, ""}};
        for (const auto &[text, status, model] : rows) {
            const InfFile::ModelScan scan = InfFile::scanModel(text);
            QCOMPARE(scan.status, status);
            QCOMPARE(scan.modelName, model);
        }
    }

    // A saved file opens as the record that was saved, field by field, over the model's serial ports; the file
    // keeps no master binding and always 8 data bits.
    void roundTrip_data() { RoundTrip::addRows(); }

    void roundTrip()
    {
        const auto c = RoundTrip::record(false);
        QFETCH(int, model);
        QFETCH(int, mode);
        const QString text = InfFile::write(*c, mode, Catalogue::discoveryName(model));
        QCOMPARE(InfFile::scanModel(text).modelName, Catalogue::discoveryName(model));
        CConfigure back;
        back.m_modelCode = model;
        const InfFile::ReadResult read = InfFile::read(text, back);
        QCOMPARE(read.status, Status::Ok);
        const int ports = Catalogue::serialPorts(model);
        QCOMPARE(describe(back, read.commMode, ports), describe(*c, mode, ports));
    }

    void fileHelpers()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.inf"), text = "Device_Mode\tHW-P02\n";
        QCOMPARE(InfFile::writeFile(path, text), InfFile::WriteStatus::Written);
        QString back;
        QVERIFY(InfFile::readFile(path, back) == Status::Ok && back == text);
        QCOMPARE(InfFile::writeFile(dir.path(), text), InfFile::WriteStatus::CannotOpen);
        QCOMPARE(InfFile::readFile(dir.filePath("none.inf"), back), Status::CannotOpen);
        QVERIFY(QFile::link("/dev/full", dir.filePath("full.inf"))); // opens, but nothing can be written
        QCOMPARE(InfFile::writeFile(dir.filePath("full.inf"), text), InfFile::WriteStatus::Failed);
        QFile huge(dir.filePath("huge.inf")); // refused before it is read into memory
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(InfFile::MaxFileSize + 1));
        QVERIFY(InfFile::readFile(huge.fileName(), back = QString()) == Status::TooLarge && back.isEmpty());
        QCOMPARE(InfFile::messageId(Status::TooLarge), 4313u);
    }

    // What a batch leaves where: each case prepares the directory, adds its file and commits (or not).
    // Devices and pipes are made inside the test's directory: one renamed over by mistake is its own.
    void saveBatch_data()
    {
        QTest::addColumn<QString>("setup"); // what stands at a.inf before
        QTest::addColumn<bool>("commit");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("after"); // what a.inf gives afterwards, "-" when it cannot be opened
        QTest::addColumn<QStringList>("files"); // every name in the directory afterwards
        const QStringList one{"a.inf"};
        QTest::newRow("new file") << "" << true << true << "new" << one;
        QTest::newRow("old file replaced") << "old" << true << true << "new" << one;
        QTest::newRow("not committed: nothing changes") << "old" << false << true << "old" << one;
        QTest::newRow("not committed, no file before") << "" << false << true << "-" << QStringList();
        QTest::newRow("link: its target is replaced") << "link" << true << true << "new" << QStringList{"a.inf", "b.inf"};
        QTest::newRow("a pipe is written to as it is") << "pipe" << true << true << "new" << one;
        QTest::newRow("a device that takes nothing") << "full" << true << false << "" << one;
        QTest::newRow("a directory is refused") << "dir" << true << false << "-" << one;
        QTest::newRow("directory missing") << "nodir" << true << false << "-" << QStringList();
    }

    void saveBatch()
    {
        QFETCH(QString, setup);
        QFETCH(bool, commit);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.inf");
        const QByteArray name = QFile::encodeName(path);
        QFile old(setup == "link" ? dir.filePath("b.inf") : path);
        if (setup == "old" || setup == "link")
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.setPermissions(kReadWriteGroupReads));
        old.close();
        if (setup == "link")
            QVERIFY(QFile::link(old.fileName(), path));
        if (setup == "dir")
            QVERIFY(QDir(dir.path()).mkdir("a.inf"));
        if (setup == "full" && ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0) // as /dev/full
            QSKIP("no device can be made here (not root)");
        int pipe = -1;
        if (setup == "pipe") {
            QVERIFY(::mkfifo(name.constData(), 0666) == 0);
            pipe = ::open(name.constData(), O_RDONLY | O_NONBLOCK); // a reader, so that the writer does not wait
            QVERIFY(pipe >= 0);
        }
        struct stat before {};
        ::lstat(name.constData(), &before);
        {
            SaveBatch batch;
            QFETCH(bool, added);
            QCOMPARE(batch.add(setup == "nodir" ? dir.filePath("none/a.inf") : path, "new"), added);
            if (commit)
                QCOMPARE(batch.commit(), QStringList());
        }
        QFETCH(QString, after);
        QFile back(path);
        QByteArray got(16, '\0');
        if (setup == "pipe") {
            got.resize(int(::read(pipe, got.data(), size_t(got.size()))));
            ::close(pipe);
        } else if (setup == "full") {
            got.clear(); // a full device reads as endless zeros
        } else {
            got = back.open(QIODevice::ReadOnly) ? back.readAll() : QByteArray("-");
        }
        QCOMPARE(QString::fromLatin1(got), after);
        QFETCH(QStringList, files);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System), files);
        if (setup == "old" || setup == "link") // a file that existed keeps who may read it
            QCOMPARE(QFile(old.fileName()).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), kReadWriteGroupReads);
        struct stat now {};
        ::lstat(name.constData(), &now);
        if (setup == "link" || setup == "pipe" || setup == "full") // still the link, the pipe, the device
            QCOMPARE(now.st_mode & S_IFMT, before.st_mode & S_IFMT);
    }

    // More files than are held open at once, and a directory gone before the commit.
    void saveBatchMany()
    {
        QTemporaryDir dir;
        QSaveFile probe(dir.filePath("probe"));
        QVERIFY(probe.open(QIODevice::WriteOnly) && probe.commit());
        SaveBatch batch;
        QStringList names;
        for (int i = 0; i <= SaveBatch::MaxPending; ++i) {
            names << QString("%1.inf").arg(i, 3, 10, QChar('0'));
            QVERIFY(batch.add(dir.filePath(names.last()), QByteArray::number(i)));
        }
        QDir(dir.path()).mkdir("gone");
        QVERIFY(batch.add(dir.filePath("gone/x.inf"), "x"));
        QVERIFY(QDir(dir.filePath("gone")).removeRecursively());
        // A file made under the new file's name after it was added is replaced.
        QFile late(dir.filePath("late.inf"));
        QVERIFY(batch.add(late.fileName(), "new") && late.open(QIODevice::WriteOnly) && late.write("old") == 3);
        late.close();
        QCOMPARE(batch.commit(), QStringList{dir.filePath("gone/x.inf")});
        QVERIFY(late.open(QIODevice::ReadOnly) && late.readAll() == "new");
        QCOMPARE(QDir(dir.path()).entryList({"*.inf"}, QDir::Files | QDir::Hidden), names + QStringList{"late.inf"});
        QFile last(dir.filePath(names.last()));
        QVERIFY(last.open(QIODevice::ReadOnly) && last.readAll() == QByteArray::number(SaveBatch::MaxPending));
        // A new file is made as the window's Save makes one.
        QCOMPARE(last.permissions(), QFileInfo(probe.fileName()).permissions());
    }

    void catalogue()
    {
        const QList<std::tuple<QString, int, int, int>> models{{"NTC-P01DL", 30103, 1, 30}, {"NTC-P02DL", 30203, 2, 30},
            {"KX500-EN-2RS485(Modbus TCP)", 30203, 2, 30}, {"HW-P01", 130100, 1, 8}, {"KX500-DL-RS", 130100, 1, 8},
            {"HW-P02", 130200, 2, 8}, {"KX500-DL-2RS", 130200, 2, 8}, {"HW-P04", 130400, 4, 8}, {"KX500-DL-4RS", 130400, 4, 8},
            {"HW-P08", 130800, 8, 8}, {"HW-P16", 131600, 16, 8}, {"hw-p16", 0, 16, 8}};
        for (const auto &[name, code, ports, alive] : models) {
            QCOMPARE(Catalogue::codeForName(name), code);
            QCOMPARE(Catalogue::serialPorts(code), ports);
            QCOMPARE(Catalogue::byCode(code).defaultAliveTime, alive);
        }
        const QList<std::tuple<int, QString, int>> limits{{130400, "1.10", 4}, {130400, "1.99", 4}, {130400, "2.0", 36},
                                                          {130400, "2.1", 36}, {130200, "1.1", 4}, {30203, "1.1", 36}};
        for (const auto &[code, firmware, limit] : limits)
            QCOMPARE(Catalogue::idMapLimitForFirmware(code, firmware), limit);
        auto *first = new CConfigure;
        int mode = 0;
        apply(*first, mode, "maps=36, masters=36, requests=36");
        installConfigure(first);
        installConfigure(first); // installing the current one again must not delete it
        QCOMPARE(pConfigure->m_idMaps.size() + pConfigure->m_masters.size() + pConfigure->m_requests.size(), 108);
        installConfigure(nullptr);
        QVERIFY(!pConfigure);
    }
};

QTEST_APPLESS_MAIN(TestInfFile)
#include "tst_inffile.moc"
