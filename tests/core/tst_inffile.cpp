// The ".inf" file: what a saved configuration loads back as, and the files
// the reader refuses instead of guessing.
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
    QStringList out{QStringLiteral("mode=%1").arg(commMode), "name=" + c.m_name,
                    QStringLiteral("ipMode=%1").arg(c.m_ipMode), "ip=" + c.m_ip, "mask=" + c.m_mask,
                    "gateway=" + c.m_gateway, "dns1=" + c.m_dns1, "dns2=" + c.m_dns2};
    for (int n = 0; n < ports; ++n) {
        const CSerialPort &p = c.m_serial[n];
        out << QStringLiteral("port%1=%2/%3/%4/%5 %6/%7/%8")
                   .arg(n + 1)
                   .arg(p.m_baudRate)
                   .arg(p.m_parityCheck)
                   .arg(p.m_stopBit)
                   .arg(p.m_dataBits)
                   .arg(p.m_charInterval)
                   .arg(p.m_respTimeout)
                   .arg(p.m_delayPolls);
    }
    for (const CIDMap *m : c.m_idMaps)
        out << QStringLiteral("idmap=%1:%2 s%3 %4-%5 %6%7")
                   .arg(m->m_ip, m->m_port)
                   .arg(m->m_serialIndex)
                   .arg(m->m_idMin)
                   .arg(m->m_idMax)
                   .arg(m->m_negative ? "-" : "+")
                   .arg(m->m_offset);
    for (const CSpecifiedMaster *m : c.m_masters)
        out << QStringLiteral("master=%1 %2").arg(m->m_ip).arg(m->m_serial2);
    for (const CSpecifiedRequest *r : c.m_requests)
        out << QStringLiteral("request=%1:%2 %3:%4").arg(r->m_slaveIdOn).arg(r->m_slaveId).arg(r->m_functionOn).arg(r->m_functionCode);
    const CAdvance &a = c.m_advance;
    out << "highPort=" + a.m_highPort << QStringLiteral("delay=%1").arg(a.m_serialDelay)
        << QStringLiteral("keepAlive=%1 %2").arg(a.m_keepAlive).arg(a.m_aliveTime);
    for (int i = 0; i < CAdvance::RangeCount; ++i)
        out << QStringLiteral("range%1=%2 %3-%4").arg(i).arg(a.m_limitOn[i]).arg(a.m_limitLow[i], a.m_limitHigh[i]);
    out << "password=" + a.m_password;
    return out;
}

// A configuration with a different value in every field and every port.
std::unique_ptr<CConfigure> filled(int modelCode, int idMaps, int masters, int requests)
{
    auto c = std::make_unique<CConfigure>();
    c->m_modelCode = modelCode;
    c->m_name = QStringLiteral("Hall-%1").arg(modelCode);
    c->m_ipMode = 0;
    c->m_ip = QStringLiteral("192.168.7.20");
    c->m_mask = QStringLiteral("255.255.254.0");
    c->m_gateway = QStringLiteral("192.168.6.1");
    c->m_dns1 = QStringLiteral("10.1.1.1");
    c->m_dns2 = QStringLiteral("0.0.0.0");
    for (int n = 0; n < CConfigure::SerialCount; ++n) {
        CSerialPort &p = c->m_serial[n];
        p.m_baudRate = (n + 1) % 9;
        p.m_parityCheck = n % 5;
        p.m_stopBit = n % 2;
        p.m_dataBits = 8;
        p.m_charInterval = 5 + n;
        p.m_respTimeout = 317 + 17 * n;
        p.m_delayPolls = 3 * n;
    }
    for (int k = 0; k < idMaps; ++k) {
        auto *m = new CIDMap;
        m->m_ip = QStringLiteral("10.0.%1.9").arg(k);
        m->m_port = QString::number(502 + k);
        m->m_serialIndex = k == 5 ? 15 : k; // 15 is written as "16"
        m->m_idMin = 1 + k;
        m->m_idMax = 10 + k;
        m->m_negative = k % 2 == 1;
        m->m_offset = k;
        c->m_idMaps << m;
    }
    for (int k = 0; k < masters; ++k) {
        auto *m = new CSpecifiedMaster;
        m->m_ip = QStringLiteral("172.16.0.%1").arg(10 + k);
        c->m_masters << m;
    }
    for (int k = 0; k < requests; ++k) {
        auto *r = new CSpecifiedRequest;
        r->m_slaveIdOn = k % 2 == 0;
        r->m_slaveId = QString::number(k + 1);
        r->m_functionOn = k % 3 == 0;
        r->m_functionCode = QString::number(k % 2 == 0 ? 3 : 16);
        c->m_requests << r;
    }
    CAdvance &a = c->m_advance;
    a.m_highPort = QStringLiteral("1502");
    a.m_serialDelay = 250;
    a.m_keepAlive = true;
    a.m_aliveTime = 45;
    a.m_limitOn = {true, false, true, false, false, true};
    a.m_limitLow[0] = QStringLiteral("192.168.1.1");
    a.m_limitHigh[0] = QStringLiteral("192.168.1.99");
    a.m_limitLow[2] = QStringLiteral("10.0.0.1");
    a.m_limitHigh[2] = QStringLiteral("10.0.0.50");
    a.m_limitLow[5] = QStringLiteral("172.16.0.1");
    a.m_limitHigh[5] = QStringLiteral("172.16.0.2");
    a.m_password = QStringLiteral("abc123");
    return c;
}

// The file text with the value of the line whose key is `keyId` replaced.
QString withValue(const QString &text, unsigned int keyId, const QString &value)
{
    const QString key = GetStr(keyId);
    const int at = text.indexOf(key);
    if (at < 0)
        return QString();
    const int end = text.indexOf(QLatin1Char('\n'), at);
    QString changed = text;
    changed.replace(at + key.size(), end - at - key.size(), value);
    return changed;
}

} // namespace

class TestInfFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savedConfigurationLoadsBack_data();
    void savedConfigurationLoadsBack();
    void valuesTheFileChanges_data();
    void valuesTheFileChanges();
    void refusedFiles_data();
    void refusedFiles();
    void listsMustFitTheModelsBlock_data();
    void listsMustFitTheModelsBlock();
    void modelPass_data();
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
    QTest::newRow("1 port, fixed model, RTU slave") << 30103 << 1 << 0 << 0 << "Hall";
    QTest::newRow("1 port, packed model, ASCII master") << 130100 << 1 << 3 << 1 << "Hall";
    QTest::newRow("2 ports, fixed model, RTU master") << 30203 << 2 << 1 << 2 << "Hall";
    QTest::newRow("2 ports, packed model, ASCII slave") << 130200 << 2 << 2 << 0 << "Hall";
    QTest::newRow("4 ports") << 130400 << 4 << 0 << 1 << "Hall";
    QTest::newRow("8 ports") << 130800 << 8 << 1 << 0 << "Hall";
    QTest::newRow("16 ports") << 131600 << 16 << 0 << 0 << "Hall";
    QTest::newRow("model outside the catalogue: 16 ports") << 0 << 16 << 0 << 0 << "Hall";
    QTest::newRow("empty Ethernet name, DHCP after it") << 130400 << 4 << 0 << 1 << "";
    QTest::newRow("empty Ethernet name, BOOTP after it") << 30203 << 2 << 0 << 2 << "";
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
    // Ports beyond the model's are neither written nor read.
    const QString beyond = QStringLiteral("Port%1_Baud_Rate").arg(ports + 1);
    QVERIFY2(!text.contains(beyond), qPrintable(beyond));
    QVERIFY(text.contains(QStringLiteral("Port%1_Baud_Rate").arg(ports)));
}

void TestInfFile::valuesTheFileChanges_data()
{
    QTest::addColumn<unsigned int>("keyId");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("baud rate 1200 loads as index 0") << 4058u << "1200" << "port1" << "0/0/0/8 5/317/0";
    QTest::newRow("baud rate outside the table loads as index 0") << 4058u << "600" << "port1" << "0/0/0/8 5/317/0";
    QTest::newRow("negative response timeout loads as 300") << 4087u << "-5" << "port1" << "1/0/0/8 5/300/0";
    QTest::newRow("word instead of a number counts as 0") << 4086u << "fast" << "port1" << "1/0/0/8 0/317/0";
    QTest::newRow("data bits value is ignored") << 4066u << "7" << "port1" << "1/0/0/8 5/317/0";
    QTest::newRow("negative alive time loads as 30") << 4108u << "-1" << "keepAlive" << "1 30";
    QTest::newRow("negative high port loads as 502") << 4104u << "-1" << "highPort" << "502";
}

void TestInfFile::valuesTheFileChanges()
{
    QFETCH(unsigned int, keyId);
    QFETCH(QString, value);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const auto saved = filled(130100, 0, 0, 0);
    const QString text = withValue(InfFile::write(*saved, 0, QStringLiteral("HW-P01")), keyId, value);
    QVERIFY(!text.isEmpty());

    CConfigure loaded;
    loaded.m_modelCode = 130100;
    const InfFile::ReadResult result = InfFile::read(text, loaded);

    QCOMPARE(int(result.status), int(InfFile::Status::Ok));
    const QStringList fields = carried(loaded, 1, result.commMode);
    const QString prefix = field + QLatin1Char('=');
    const auto found = std::find_if(fields.begin(), fields.end(), [&](const QString &f) { return f.startsWith(prefix); });
    QVERIFY(found != fields.end());
    QCOMPARE(found->mid(prefix.size()), expected);
}

void TestInfFile::refusedFiles_data()
{
    QTest::addColumn<unsigned int>("countKey");
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("status");
    const int missing = int(InfFile::Status::MissingEntries);
    const int tooMany = int(InfFile::Status::TooManyEntries);
    QTest::newRow("one ID mapping more announced than held") << 4076u << "3" << missing;
    QTest::newRow("one master more announced than held") << 4092u << "2" << missing;
    QTest::newRow("one request more announced than held") << 4095u << "2" << missing;
    QTest::newRow("37 ID mappings: more than any block carries") << 4076u << "37" << tooMany;
    QTest::newRow("a billion masters") << 4092u << "1000000000" << tooMany;
    QTest::newRow("a billion requests") << 4095u << "1000000000" << tooMany;
    QTest::newRow("negative count: no entries") << 4095u << "-4" << int(InfFile::Status::Ok);
}

void TestInfFile::refusedFiles()
{
    QFETCH(unsigned int, countKey);
    QFETCH(QString, count);
    QFETCH(int, status);
    const auto saved = filled(130400, 2, 1, 1);
    const QString text = withValue(InfFile::write(*saved, 0, QStringLiteral("HW-P04")), countKey, count);
    QVERIFY(!text.isEmpty());

    CConfigure loaded;
    loaded.m_modelCode = 130400;
    const InfFile::ReadResult result = InfFile::read(text, loaded);

    QCOMPARE(int(result.status), status);
    QVERIFY(loaded.m_idMaps.size() <= 2 && loaded.m_masters.size() <= 1 && loaded.m_requests.size() <= 1);
    if (status != int(InfFile::Status::Ok))
        QCOMPARE(InfFile::messageId(result.status), 4313u);
    else
        QVERIFY(loaded.m_requests.isEmpty());
}

void TestInfFile::listsMustFitTheModelsBlock_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<int>("idMaps");
    QTest::addColumn<int>("masters");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("status");
    const int ok = int(InfFile::Status::Ok);
    const int tooMany = int(InfFile::Status::TooManyEntries);
    // 16 ports: 168 + 320 + 16 x 36 = 1064 bytes, 152 left for the other lists.
    QTest::newRow("16 ports, 36 mappings fit") << 131600 << 36 << 0 << 0 << ok;
    QTest::newRow("16 ports, 36 mappings and 19 masters fill the block") << 131600 << 36 << 19 << 0 << ok;
    QTest::newRow("16 ports, one master more") << 131600 << 36 << 20 << 0 << tooMany;
    QTest::newRow("16 ports, requests overflow last") << 131600 << 36 << 19 << 1 << tooMany;
    QTest::newRow("fixed layout carries 36 of each") << 30203 << 36 << 36 << 36 << ok;
}

void TestInfFile::listsMustFitTheModelsBlock()
{
    QFETCH(int, modelCode);
    QFETCH(int, idMaps);
    QFETCH(int, masters);
    QFETCH(int, requests);
    QFETCH(int, status);
    const auto saved = filled(modelCode, idMaps, masters, requests);
    CConfigure loaded;
    loaded.m_modelCode = modelCode;
    const InfFile::ReadResult result = InfFile::read(InfFile::write(*saved, 0, QStringLiteral("HW-P16")), loaded);
    QCOMPARE(int(result.status), status);
    if (status == int(InfFile::Status::Ok))
        QCOMPARE(loaded.m_idMaps.size() + loaded.m_masters.size() + loaded.m_requests.size(), idMaps + masters + requests);
}

void TestInfFile::modelPass_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("model");
    QTest::newRow("one-word model") << "Device_Mode\tHW-P08\nTransmission_Mode\t\tRTU_Slave\n" << 0 << "HW-P08";
    QTest::newRow("older key") << "DeviceMode\tHW-P02\n" << 0 << "HW-P02";
    QTest::newRow("model with a space")
        << "Device_Mode\tKX500-EN-2RS485(Modbus TCP)\nTransmission_Mode\t\tRTU_Slave\n" << 0
        << "KX500-EN-2RS485(Modbus TCP)";
    QTest::newRow("empty model leaves the next key alone") << "Device_Mode\t\nTransmission_Mode\t\tRTU_Slave\n" << 0 << "";
    QTest::newRow("no model line") << "Transmission_Mode\t\tRTU_Slave\n" << 0 << "";
    QTest::newRow("two equal tokens in a row") << "Junk\tJunk\nDevice_Mode\tHW-P08\n" << int(InfFile::Status::Incorrect)
                                               << "";
}

void TestInfFile::modelPass()
{
    QFETCH(QString, text);
    QFETCH(int, status);
    QFETCH(QString, model);
    const InfFile::ModelScan scan = InfFile::scanModel(text);
    QCOMPARE(int(scan.status), status);
    QCOMPARE(scan.modelName, model);
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

    // A device that takes no bytes: opened, but not written.
    const QString full = dir.filePath(QStringLiteral("full.inf"));
    if (QFile::link(QStringLiteral("/dev/full"), full))
        QCOMPARE(InfFile::writeFile(full, text), InfFile::WriteStatus::Failed);

    // A huge file is refused before it is read into memory.
    QFile huge(dir.filePath(QStringLiteral("huge.inf")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(InfFile::MaxFileSize + 1));
    huge.close();
    back.clear();
    QCOMPARE(InfFile::readFile(huge.fileName(), back), InfFile::Status::TooLarge);
    QVERIFY(back.isEmpty());
}

QTEST_APPLESS_MAIN(TestInfFile)
#include "tst_inffile.moc"
