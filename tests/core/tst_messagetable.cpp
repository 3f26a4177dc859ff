#include "messages/messagetable.h"

#include <QSet>
#include <QtTest>

#include <thread>
#include <vector>

class TestMessageTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void text_data();
    void text();
    void absentIdsAreEmpty_data();
    void absentIdsAreEmpty();
    void placeholderFilledByCaller_data();
    void placeholderFilledByCaller();
    void idsUniqueAndAllPresent();
    void entryCount();
    void getStrForwardsEveryId();
};

// The very first lookups race each other: every thread must see the complete table.
void TestMessageTable::initTestCase()
{
    std::vector<QString> seen(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = GetStr(4302); });
    for (std::thread &t : threads)
        t.join();
    for (const QString &s : seen)
        QCOMPARE(s, QStringLiteral("Port16_Data_Bits"));
}

void TestMessageTable::text_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<QString>("text");

    QTest::newRow("written key ends in two TABs") << 4047u << "Transmission_Mode\t\t";
    QTest::newRow("read key has no separator") << 4117u << "Transmission_Mode";
    QTest::newRow("written value ends in line feed") << 4048u << "RTU_Master\n";
    QTest::newRow("read value 4118 is RTU_Slave, not RTU_Master") << 4118u << "RTU_Slave";
    QTest::newRow("TAB then line feed") << 4094u << "The_Specified_Serial_Number_ID\t\n";
    QTest::newRow("Offset with two TABs") << 4085u << "Offset\t\t";
    QTest::newRow("port 1 written BitS") << 4066u << "Port1_Data_BitS\t";
    QTest::newRow("port 1 read BitS") << 4135u << "Port1_Data_BitS";
    QTest::newRow("port 2 written Bits") << 4075u << "Port2_Data_Bits\t";
    QTest::newRow("port 2 read BitS") << 4143u << "Port2_Data_BitS";
    QTest::newRow("escaped quotes, first of range") << 1004u << "5 command data can only be \" 00 00 \"or \" ff 00 \"";
    QTest::newRow("escaped quotes, last of range") << 1007u << "5 command data can only be \" 00 00 \"or \" ff 00 \"";
    QTest::newRow("range 1002-1003 end") << 1003u << "The format of the input data is incorrect!";
    QTest::newRow("range 1010-1012 middle") << 1011u << "Data can not be empty !";
    QTest::newRow("range 4122-4124 end") << 4124u << "Assign_IP_Mode";
    QTest::newRow("range 5045-5046 end") << 5046u << "Write failed, please verify that IP address and port number are correct !";
    QTest::newRow("just before a range keeps its own text") << 4121u << "Ethernet_Name";
    QTest::newRow("typo Adress kept") << 1023u << "Start Adress";
    QTest::newRow("double space kept") << 4309u
        << "This is the advanced function. If you only configure  basic parameters, you don't need to configure the following parameters.";
    QTest::newRow("space before comma kept") << 5042u << "Two input passwords are inconsistent , please try again !";
    QTest::newRow("typo Aissign kept") << 9009u
        << "Notice! The current Aissign IP Mode is DHCP, the IP address may change and cause the connection to be disconnected. Do you still need to use DHCP?";
    QTest::newRow("read-back Disable") << 4188u << "Disable";
    QTest::newRow("window title New") << 4189u << "New";
    QTest::newRow("window title Configuration") << 4190u << "Configuration";
    QTest::newRow("first written port key") << 4191u << "Port3_Baud_Rate\t";
    QTest::newRow("port 3 last written key") << 4194u << "Port3_Data_Bits\t";
    QTest::newRow("port 10 check bit, two digits") << 4220u << "Port10_Check_Bit\t";
    QTest::newRow("last written port key") << 4246u << "Port16_Data_Bits\t";
    QTest::newRow("first read port key") << 4247u << "Port3_Baud_Rate";
    QTest::newRow("port 3 read Bits, not BitS") << 4250u << "Port3_Data_Bits";
    QTest::newRow("port 9 stop bits read") << 4273u << "Port9_Stop_Bits";
    QTest::newRow("last read port key") << 4302u << "Port16_Data_Bits";
    QTest::newRow("placeholder kept in table") << 4303u << "Port%1_Time_Interval_between_Characters\t";
    QTest::newRow("read timing key") << 4308u << "Port%1_Delay_between_Polls";
    QTest::newRow("Serial 2 with space") << 5036u << "Serial 2";
    QTest::newRow("Serial1 without space") << 5037u << "Serial1";
    QTest::newRow("password cancel") << 7006u << "Cancel";
    QTest::newRow("device list words end") << 8005u << "Prohibit configuration";
    QTest::newRow("last id of the table") << 15005u
        << "The download is successful, and the new configuration takes effect after the gateway restarts. Click OK to reset immediately, or Cancel and manually restart.";
}

void TestMessageTable::text()
{
    QFETCH(uint, id);
    QFETCH(QString, text);
    QCOMPARE(GetStr(id), text);
    // Lookups are repeatable.
    QCOMPARE(GetStr(id), GetStr(id));
}

void TestMessageTable::absentIdsAreEmpty_data()
{
    QTest::addColumn<uint>("id");
    QTest::newRow("zero") << 0u;
    QTest::newRow("gap after 1007") << 1008u;
    QTest::newRow("gap 1009") << 1009u;
    QTest::newRow("just after 1023") << 1024u;
    QTest::newRow("4116 between read keys") << 4116u;
    QTest::newRow("4106 between written keys") << 4106u;
    QTest::newRow("4177 after IP_Cap") << 4177u;
    QTest::newRow("4186 before Enable") << 4186u;
    QTest::newRow("after placeholder keys' end") << 4315u;
    QTest::newRow("9001") << 9001u;
    QTest::newRow("15003") << 15003u;
    QTest::newRow("largest id") << 0xFFFFFFFFu;
}

void TestMessageTable::absentIdsAreEmpty()
{
    QFETCH(uint, id);
    QVERIFY(GetStr(id).isNull());
    QVERIFY(GetEnglishStr(id).isNull());
}

void TestMessageTable::placeholderFilledByCaller_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("text");
    QTest::newRow("4305 with 7 keeps its TAB") << 4305u << 7 << "Port7_Delay_between_Polls\t";
    QTest::newRow("4304 with 16") << 4304u << 16 << "Port16_Response_Timeout\t";
    QTest::newRow("4306 with 3") << 4306u << 3 << "Port3_Time_Interval_between_Characters";
    QTest::newRow("5054 with 12") << 5054u << 12 << "Port12";
}

void TestMessageTable::placeholderFilledByCaller()
{
    QFETCH(uint, id);
    QFETCH(int, port);
    QFETCH(QString, text);
    QCOMPARE(GetStr(id).arg(port), text);
}

void TestMessageTable::idsUniqueAndAllPresent()
{
    const QList<unsigned int> ids = GetMessageIds();
    QSet<unsigned int> distinct;
    for (unsigned int id : ids) {
        QVERIFY2(!distinct.contains(id), qPrintable(QStringLiteral("id %1 twice").arg(id)));
        distinct.insert(id);
        QVERIFY2(!GetStr(id).isEmpty(), qPrintable(QStringLiteral("id %1 has no text").arg(id)));
    }
}

// Counts what a lookup can actually find, so a lost row or range entry shows up
// even when the id list agrees with itself.
void TestMessageTable::entryCount()
{
    int found = 0;
    for (unsigned int id = 0; id < 20000; ++id) {
        if (!GetStr(id).isNull())
            ++found;
    }
    QCOMPARE(found, 340);
    QCOMPARE(GetMessageIds().size(), 340);
}

void TestMessageTable::getStrForwardsEveryId()
{
    for (unsigned int id : GetMessageIds()) {
        const QString text = GetEnglishStr(id);
        QCOMPARE(GetStr(id), text);
        for (QChar c : text)
            QVERIFY2(c.unicode() < 0x80, qPrintable(QStringLiteral("id %1 not ASCII").arg(id)));
    }
}

QTEST_APPLESS_MAIN(TestMessageTable)
#include "tst_messagetable.moc"
