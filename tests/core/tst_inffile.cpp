// The ".inf" file: what a saved configuration loads back as, and the files the reader refuses instead of guessing.
#include "config/configure.h"
#include "config/inffile.h"
#include "messages/messagetable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Every field the file carries, one text per field, so a difference names itself.
QStringList carried(const CConfigure &c, int ports, int32_t commMode)
{
    const CAdvance &a = c.m_advance;
    QStringList out{QStringLiteral("mode=%1 ipMode=%2").arg(commMode).arg(c.m_ipMode), "name=" + c.m_name,
                    QStringLiteral("lists=%1,%2,%3").arg(c.m_idMaps.size()).arg(c.m_masters.size()).arg(c.m_requests.size()),
                    QStringList{c.m_ip, c.m_mask, c.m_gateway, c.m_dns1, c.m_dns2}.join(' '), "password=" + a.m_password,
                    "highPort=" + a.m_highPort, QStringLiteral("delay=%1").arg(a.m_serialDelay),
                    QStringLiteral("keepAlive=%1 %2").arg(a.m_keepAlive).arg(a.m_aliveTime)};
    for (int n = 0; n < ports; ++n) {
        const CSerialPort &p = c.m_serial[n];
        out << QStringLiteral("port%1=%2/%3/%4/%5 %6/%7/%8").arg(n + 1).arg(p.m_baudRate).arg(p.m_parityCheck)
                   .arg(p.m_stopBit).arg(p.m_dataBits).arg(p.m_charInterval).arg(p.m_respTimeout).arg(p.m_delayPolls);
    }
    for (const CIDMap *m : c.m_idMaps)
        out << QStringLiteral("idmap=%1:%2 s%3 %4-%5 %6%7").arg(m->m_ip, m->m_port).arg(m->m_serialIndex).arg(m->m_idMin)
                   .arg(m->m_idMax).arg(m->m_negative ? "-" : "+").arg(m->m_offset);
    for (const CSpecifiedMaster *m : c.m_masters)
        out << QStringLiteral("master=%1 %2").arg(m->m_ip).arg(m->m_serial2);
    for (const CSpecifiedRequest *r : c.m_requests)
        out << QStringLiteral("request=%1:%2 %3:%4").arg(r->m_slaveIdOn).arg(r->m_slaveId).arg(r->m_functionOn).arg(r->m_functionCode);
    for (int i = 0; i < CAdvance::RangeCount; ++i)
        out << QStringLiteral("range%1=%2 %3-%4").arg(i).arg(a.m_limitOn[i]).arg(a.m_limitLow[i], a.m_limitHigh[i]);
    return out;
}

// A configuration with a different value in every field and every port.
std::unique_ptr<CConfigure> filled(int modelCode, int idMaps, int masters, int requests)
{
    auto c = std::make_unique<CConfigure>();
    c->m_modelCode = modelCode;
    static_cast<CEthernet &>(*c) = {"Hall", 0, "192.168.7.20", "255.255.254.0", "192.168.6.1", "10.1.1.1", "0.0.0.0"};
    for (int n = 0; n < CConfigure::SerialCount; ++n)
        c->m_serial[n] = {(n + 1) % 9, n % 5, n % 2, 8, 5 + n, 317 + 17 * n, 3 * n};
    for (int k = 0; k < idMaps; ++k) // index 15 is written as "16"
        c->m_idMaps << new CIDMap{QStringLiteral("10.0.%1.9").arg(k), QString::number(502 + k), k == 5 ? 15 : k, 1 + k, 10 + k,
                                  k % 2 == 1, k};
    for (int k = 0; k < masters; ++k)
        c->m_masters << new CSpecifiedMaster{QStringLiteral("172.16.0.%1").arg(10 + k), false}; // the port is not saved
    for (int k = 0; k < requests; ++k)
        c->m_requests << new CSpecifiedRequest{k % 2 == 0, QString::number(k + 1), k % 3 == 0, k % 2 == 0 ? "3" : "16"};
    c->m_advance = {"abc123", "1502", 250, true, 45, {true, false, true, false, false, true},
                    {"192.168.1.1", "", "10.0.0.1", "", "", "172.16.0.1"}, {"192.168.1.99", "", "10.0.0.50", "", "", "172.16.0.2"}};
    return c;
}

// The file text with the rest of the line whose key is `keyId` replaced by `value`.
QString withValue(QString text, unsigned int keyId, const QString &value)
{
    const int at = text.indexOf(GetStr(keyId)) + GetStr(keyId).size();
    return at < GetStr(keyId).size() ? QString() : text.replace(at, text.indexOf(QLatin1Char('\n'), at) - at, value);
}

} // namespace

class TestInfFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A blank in a value would shift every setting after it.
    void blanksKeepTheRestOfTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::newRow("blank in the name") << "GW 1" << "pw";
        QTest::newRow("tab in the name") << "GW\t1" << "pw";
        QTest::newRow("blank in the password") << "GW-1" << "p w";
    }
    void blanksKeepTheRestOfTheFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        CConfigure c;
        c.m_modelCode = 130400;
        c.m_name = name;
        c.m_ip = "10.1.2.3";
        c.m_mask = "255.255.0.0";
        c.m_serial[0].m_baudRate = 7;
        c.m_advance.m_highPort = "1502";
        c.m_advance.m_password = password;
        CConfigure back;
        back.m_modelCode = c.m_modelCode;
        QCOMPARE(InfFile::read(InfFile::write(c, 2, "HW-P04"), back).status, InfFile::Status::Ok);
        QCOMPARE(back.m_ip, c.m_ip);
        QCOMPARE(back.m_mask, c.m_mask);
        QCOMPARE(back.m_serial[0].m_baudRate, 7);
        QCOMPARE(back.m_advance.m_highPort, c.m_advance.m_highPort);
        const QRegularExpression blank("\\s");
        QCOMPARE(back.m_name, name.section(blank, 0, 0));
        QCOMPARE(back.m_advance.m_password, password.section(blank, 0, 0));
    }
    void savedConfigurationLoadsBack_data();
    void savedConfigurationLoadsBack();
    void editedFiles_data();
    void editedFiles();
    void modelPass();
    void fileHelpers();
};

void TestInfFile::savedConfigurationLoadsBack_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<int>("ports");
    QTest::addColumn<int>("commMode");
    QTest::addColumn<int>("ipMode");
    QTest::addColumn<QString>("name");
    QTest::newRow("1 port, RTU slave") << 30103 << 1 << 0 << 0 << "Hall";
    QTest::newRow("2 ports, RTU master, BOOTP") << 30203 << 2 << 1 << 2 << "Hall";
    QTest::newRow("4 ports, empty Ethernet name, DHCP after it") << 130400 << 4 << 0 << 1 << "";
    QTest::newRow("8 ports, ASCII master, DHCP") << 130800 << 8 << 3 << 1 << "Hall";
    QTest::newRow("16 ports, ASCII slave") << 131600 << 16 << 2 << 0 << "Hall";
    QTest::newRow("model outside the catalogue: 16 ports") << 0 << 16 << 0 << 0 << "Hall";
}

void TestInfFile::savedConfigurationLoadsBack()
{
    QFETCH(int, modelCode);
    QFETCH(int, ports);
    QFETCH(int, commMode);
    QFETCH(int, ipMode);
    QFETCH(QString, name);
    const auto saved = filled(modelCode, 6, 3, 4);
    saved->m_ipMode = ipMode;
    saved->m_name = name;
    const QString text = InfFile::write(*saved, commMode, QStringLiteral("HW-P04"));
    CConfigure loaded;
    loaded.m_modelCode = modelCode;
    const InfFile::ReadResult result = InfFile::read(text, loaded);
    QCOMPARE(int(result.status), int(InfFile::Status::Ok));
    QCOMPARE(carried(loaded, ports, result.commMode), carried(*saved, ports, commMode));
    QVERIFY(text.contains(QStringLiteral("Port%1_Baud_Rate").arg(ports))); // and no port beyond the model's
    QVERIFY(!text.contains(QStringLiteral("Port%1_Baud_Rate").arg(ports + 1)));
}

// Values the reader changes; list counts against the entries held and what the model's block can carry.
void TestInfFile::editedFiles_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QList<int>>("lists"); // ID mappings, masters, requests written
    QTest::addColumn<unsigned int>("keyId"); // of the line edited, 0 for none
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected"); // a field as loaded, when read
    const int ok = int(InfFile::Status::Ok), missing = int(InfFile::Status::MissingEntries), tooMany = int(InfFile::Status::TooManyEntries);
    const QList<int> none{0, 0, 0}, few{2, 1, 1};
    QTest::newRow("baud rate outside the table is index 0") << 130100 << none << 4058u << "600" << ok << "port1=0/0/0/8 5/317/0";
    QTest::newRow("negative response timeout loads as 300") << 130100 << none << 4087u << "-5" << ok << "port1=1/0/0/8 5/300/0";
    QTest::newRow("word instead of a number counts as 0") << 130100 << none << 4086u << "fast" << ok << "port1=1/0/0/8 0/317/0";
    QTest::newRow("data bits value is ignored") << 130100 << none << 4066u << "7" << ok << "port1=1/0/0/8 5/317/0";
    QTest::newRow("negative alive time loads as 30") << 130100 << none << 4108u << "-1" << ok << "keepAlive=1 30";
    QTest::newRow("negative high port loads as 502") << 130100 << none << 4104u << "-1" << ok << "highPort=502";
    QTest::newRow("one ID mapping more announced than held") << 130400 << few << 4076u << "3" << missing << "";
    QTest::newRow("one master more announced than held") << 130400 << few << 4092u << "2" << missing << "";
    QTest::newRow("one request more announced than held") << 130400 << few << 4095u << "2" << missing << "";
    QTest::newRow("37 ID mappings: more than any block carries") << 130400 << few << 4076u << "37" << tooMany << "";
    QTest::newRow("a billion masters") << 130400 << few << 4092u << "1000000000" << tooMany << "";
    QTest::newRow("negative count: no entries") << 130400 << few << 4095u << "-4" << ok << "lists=2,1,0";
    // 16 ports: 168 + 320 + 16 x 36 = 1064 bytes, 152 left for the other lists.
    QTest::newRow("16 ports, 36 maps, 19 masters fill the block") << 131600 << QList<int>{36, 19, 0} << 0u << "" << ok
                                                                   << "lists=36,19,0";
    QTest::newRow("16 ports, one master more") << 131600 << QList<int>{36, 20, 0} << 0u << "" << tooMany << "";
    QTest::newRow("16 ports, requests overflow last") << 131600 << QList<int>{36, 19, 1} << 0u << "" << tooMany << "";
    QTest::newRow("fixed layout carries 36 of each") << 30203 << QList<int>{36, 36, 36} << 0u << "" << ok << "lists=36,36,36";
}

void TestInfFile::editedFiles()
{
    QFETCH(int, modelCode);
    QFETCH(QList<int>, lists);
    QFETCH(unsigned int, keyId);
    QFETCH(QString, value);
    QFETCH(int, status);
    QFETCH(QString, expected);
    QString text = InfFile::write(*filled(modelCode, lists[0], lists[1], lists[2]), 0, QStringLiteral("HW-P04"));
    if (keyId != 0)
        text = withValue(text, keyId, value);
    QVERIFY(!text.isEmpty());
    CConfigure c;
    c.m_modelCode = modelCode;
    const InfFile::ReadResult result = InfFile::read(text, c);
    QCOMPARE(int(result.status), status);
    QVERIFY(c.m_idMaps.size() <= lists[0] && c.m_masters.size() <= lists[1] && c.m_requests.size() <= lists[2]);
    const QStringList fields = carried(c, 1, result.commMode);
    if (status == int(InfFile::Status::Ok))
        QVERIFY2(fields.contains(expected), qPrintable(fields.join(QStringLiteral(", "))));
    else
        QCOMPARE(InfFile::messageId(result.status), 4313u);
}

void TestInfFile::modelPass()
{
    const QList<std::tuple<QString, int, QString>> cases{ // file text, status, model name
        {"Device_Mode\tHW-P08\nTransmission_Mode\t\tRTU_Slave\n", 0, "HW-P08"},
        {"DeviceMode\tHW-P02\n", 0, "HW-P02"}, // the older key
        {"Device_Mode\tKX500-EN-2RS485(Modbus TCP)\nTransmission_Mode\t\tRTU_Slave\n", 0, "KX500-EN-2RS485(Modbus TCP)"},
        {"Device_Mode\t\nTransmission_Mode\t\tRTU_Slave\n", 0, ""}, // an empty model leaves the next key alone
        {"Transmission_Mode\t\tRTU_Slave\n", 0, ""},
        {"Junk\tJunk\nDevice_Mode\tHW-P08\n", int(InfFile::Status::Incorrect), ""}, // two equal tokens in a row
    };
    for (const auto &[text, status, model] : cases) {
        const InfFile::ModelScan scan = InfFile::scanModel(text);
        QCOMPARE(QStringLiteral("%1 %2").arg(int(scan.status)).arg(scan.modelName), QStringLiteral("%1 %2").arg(status).arg(model));
    }
}

void TestInfFile::fileHelpers()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.inf"));
    const QString text = InfFile::write(*filled(130200, 1, 1, 1), 0, QStringLiteral("HW-P02"));
    QCOMPARE(InfFile::writeFile(path, text), InfFile::WriteStatus::Written);
    QString back;
    QCOMPARE(InfFile::readFile(path, back), InfFile::Status::Ok);
    QCOMPARE(back, text);
    QCOMPARE(InfFile::writeFile(dir.path(), text), InfFile::WriteStatus::CannotOpen);
    QCOMPARE(InfFile::readFile(dir.filePath(QStringLiteral("none.inf")), back), InfFile::Status::CannotOpen);
    if (QFile::link(QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("full.inf")))) // opened, nothing written
        QCOMPARE(InfFile::writeFile(dir.filePath(QStringLiteral("full.inf")), text), InfFile::WriteStatus::Failed);
    QFile huge(dir.filePath(QStringLiteral("huge.inf"))); // refused before it is read into memory
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(InfFile::MaxFileSize + 1));
    back.clear();
    QCOMPARE(InfFile::readFile(huge.fileName(), back), InfFile::Status::TooLarge);
    QVERIFY(back.isEmpty());
}

QTEST_APPLESS_MAIN(TestInfFile)
#include "tst_inffile.moc"
