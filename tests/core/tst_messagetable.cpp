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
    void wholeTableConsistent();
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
    QTest::newRow("written key, two TABs") << 4047u << "Transmission_Mode\t\t";
    QTest::newRow("read key") << 4117u << "Transmission_Mode";
    QTest::newRow("written value, line feed") << 4048u << "RTU_Master\n";
    QTest::newRow("read value 4118") << 4118u << "RTU_Slave";
    QTest::newRow("TAB then line feed") << 4094u << "The_Specified_Serial_Number_ID\t\n";
    QTest::newRow("port 1 written BitS") << 4066u << "Port1_Data_BitS\t";
    QTest::newRow("port 2 written Bits") << 4075u << "Port2_Data_Bits\t";
    QTest::newRow("port 2 read BitS") << 4143u << "Port2_Data_BitS";
    QTest::newRow("escaped quotes, range end") << 1007u << "5 command data can only be \" 00 00 \"or \" ff 00 \"";
    QTest::newRow("just before a range") << 4121u << "Ethernet_Name";
    QTest::newRow("range end") << 4124u << "Assign_IP_Mode";
    QTest::newRow("typo Adress") << 1023u << "Start Adress";
    QTest::newRow("double space") << 4309u
        << "This is the advanced function. If you only configure  basic parameters, you don't need to configure the following parameters.";
    QTest::newRow("space before comma") << 5042u << "Two input passwords are inconsistent , please try again !";
    QTest::newRow("first written port key") << 4191u << "Port3_Baud_Rate\t";
    QTest::newRow("port 10, two digits") << 4220u << "Port10_Check_Bit\t";
    QTest::newRow("last written port key") << 4246u << "Port16_Data_Bits\t";
    QTest::newRow("first read port key") << 4247u << "Port3_Baud_Rate";
    QTest::newRow("port 3 read Bits") << 4250u << "Port3_Data_Bits";
    QTest::newRow("placeholder written") << 4303u << "Port%1_Time_Interval_between_Characters\t";
    QTest::newRow("placeholder read") << 4308u << "Port%1_Delay_between_Polls";
    QTest::newRow("placeholder alone") << 5054u << "Port%1";
    QTest::newRow("Serial 2 with space") << 5036u << "Serial 2";
    QTest::newRow("Serial1 without") << 5037u << "Serial1";
    QTest::newRow("last id") << 15005u
        << "The download is successful, and the new configuration takes effect after the gateway restarts. Click OK to reset immediately, or Cancel and manually restart.";
}

void TestMessageTable::text()
{
    QFETCH(uint, id);
    QFETCH(QString, text);
    QCOMPARE(GetStr(id), text);
}

void TestMessageTable::absentIdsAreEmpty_data()
{
    QTest::addColumn<uint>("id");
    QTest::newRow("zero") << 0u;
    QTest::newRow("gap after a range") << 1008u;
    QTest::newRow("between read keys") << 4116u;
    QTest::newRow("after placeholder keys") << 4315u;
    QTest::newRow("largest id") << 0xFFFFFFFFu;
}

void TestMessageTable::absentIdsAreEmpty()
{
    QFETCH(uint, id);
    QVERIFY(GetStr(id).isNull());
    QVERIFY(GetEnglishStr(id).isNull());
}

// Counts what a lookup can actually find, so a lost row or range entry shows up
// even when the id list agrees with itself.
void TestMessageTable::wholeTableConsistent()
{
    const QList<unsigned int> ids = GetMessageIds();
    const QSet<unsigned int> distinct(ids.begin(), ids.end());
    QCOMPARE(distinct.size(), ids.size());
    int found = 0;
    for (unsigned int id = 0; id < 20000; ++id) {
        const QString text = GetEnglishStr(id);
        if (text.isNull())
            continue;
        ++found;
        QVERIFY2(distinct.contains(id) && !text.isEmpty(), qPrintable(QString::number(id)));
        QCOMPARE(GetStr(id), text);
        for (QChar c : text)
            QVERIFY2(c.unicode() < 0x80, qPrintable(QStringLiteral("id %1 not ASCII").arg(id)));
    }
    QCOMPARE(found, 340);
    QCOMPARE(ids.size(), 340);
}

QTEST_APPLESS_MAIN(TestMessageTable)
#include "tst_messagetable.moc"
