#include "config/settinglist.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/modelcatalogue.h"
#include "messages/messagetable.h"

#include <QHash>

namespace SettingList {

namespace {

QString word(unsigned int id)
{
    return GetStr(id).trimmed();
}

QString wordAt(const QStringList &words, int index, int fallback)
{
    return words.value(index >= 0 && index < words.size() ? index : fallback);
}

class Builder
{
public:
    void add(const QString &key, const QString &value) { m_list.append({key, value}); }
    void add(unsigned int keyId, const QString &value) { add(word(keyId), value); }
    void add(const QString &group, int number, unsigned int keyId, const QString &value)
    {
        add(QStringLiteral("%1%2.%3").arg(group).arg(number).arg(word(keyId)), value);
    }
    List list() const { return m_list; }

private:
    List m_list;
};

QString onOff(bool on, unsigned int onId, unsigned int offId)
{
    return word(on ? onId : offId);
}

} // namespace

const QStringList &modeWords()
{
    static const QStringList words{word(4051), word(4048), word(4049), word(4050)};
    return words;
}

const QStringList &ipModeWords()
{
    static const QStringList words{word(4054), QStringLiteral("DHCP"), QStringLiteral("BOOTP")};
    return words;
}

const QStringList &baudWords()
{
    static const QStringList words{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"};
    return words;
}

const QStringList &parityWords()
{
    static const QStringList words{word(4064), word(4060), word(4061), word(4062), word(4063)};
    return words;
}

List of(const CConfigure &c, int32_t commMode, const QString &modelName)
{
    Builder b;
    b.add(QStringLiteral("Device_Mode"), modelName);
    // Words the file does not know are written as its default word.
    b.add(4117, wordAt(modeWords(), commMode, 0));
    b.add(4121, c.m_name);
    b.add(4122, wordAt(ipModeWords(), c.m_ipMode, 0));
    b.add(4125, c.m_ip);
    b.add(4126, c.m_mask);
    b.add(4127, c.m_gateway);
    b.add(QStringLiteral("DNS1"), c.m_dns1);
    b.add(QStringLiteral("DNS2"), c.m_dns2);

    const int ports = Catalogue::serialPorts(c.m_modelCode);
    for (int n = 1; n <= ports; ++n) {
        const CSerialPort &p = c.m_serial[n - 1];
        b.add(QStringLiteral("Port%1_Baud_Rate").arg(n), wordAt(baudWords(), p.m_baudRate, 0));
        b.add(QStringLiteral("Port%1_Check_Bit").arg(n), wordAt(parityWords(), p.m_parityCheck, 0));
        b.add(QStringLiteral("Port%1_Stop_Bits").arg(n), p.m_stopBit == 1 ? QStringLiteral("2") : QStringLiteral("1"));
        b.add(GetStr(4306).arg(n), QString::number(p.m_charInterval));
        b.add(GetStr(4307).arg(n), QString::number(p.m_respTimeout));
        b.add(GetStr(4308).arg(n), QString::number(p.m_delayPolls));
    }

    const QString idMap = QStringLiteral("ID_Mapping");
    b.add(4144, QString::number(c.m_idMaps.size()));
    for (int i = 0; i < c.m_idMaps.size(); ++i) {
        const CIDMap &m = *c.m_idMaps[i];
        const bool known = m.m_serialIndex >= 0 && m.m_serialIndex <= 15;
        b.add(idMap, i + 1, 4145, m.m_ip);
        b.add(idMap, i + 1, 4146, m.m_port);
        b.add(idMap, i + 1, 4147, known ? QString::number(m.m_serialIndex + 1) : QString());
        b.add(idMap, i + 1, 4148, QString::number(m.m_idMin));
        b.add(idMap, i + 1, 4149, QString::number(m.m_idMax));
        b.add(idMap, i + 1, 4150, onOff(m.m_negative, 4083, 4084));
        b.add(idMap, i + 1, 4152, QString::number(m.m_offset));
    }

    const QString master = QStringLiteral("Master");
    b.add(4159, QString::number(c.m_masters.size()));
    for (int i = 0; i < c.m_masters.size(); ++i) {
        b.add(master, i + 1, 4160, c.m_masters[i]->m_ip);
        // The file leaves the serial port out; the gateway keeps it.
        b.add(master, i + 1, 4161, c.m_masters[i]->m_serial2 ? QStringLiteral("2") : QStringLiteral("1"));
    }

    const QString request = QStringLiteral("Request");
    b.add(4162, QString::number(c.m_requests.size()));
    for (int i = 0; i < c.m_requests.size(); ++i) {
        const CSpecifiedRequest &r = *c.m_requests[i];
        b.add(request, i + 1, 4163, onOff(r.m_slaveIdOn, 4097, 4098));
        b.add(request, i + 1, 4165, r.m_slaveId);
        b.add(request, i + 1, 4166, onOff(r.m_functionOn, 4101, 4102));
        b.add(request, i + 1, 4168, r.m_functionCode);
    }

    const CAdvance &a = c.m_advance;
    b.add(4169, a.m_highPort);
    b.add(4170, QString::number(a.m_serialDelay));
    b.add(QStringLiteral("KeepAlive"), onOff(a.m_keepAlive, 4187, 4188));
    b.add(4172, QString::number(a.m_aliveTime));
    const QString range = QStringLiteral("IP_Range");
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        b.add(range, i + 1, 4173, onOff(a.m_limitOn[size_t(i)], 4110, 4111));
        b.add(range, i + 1, 4175, a.m_limitLow[size_t(i)]);
        b.add(range, i + 1, 4176, a.m_limitHigh[size_t(i)]);
    }
    b.add(QStringLiteral("Password"), a.m_password);
    return b.list();
}

QVector<Difference> compare(const List &first, const List &second)
{
    QHash<QString, QString> secondValues;
    for (const Setting &s : second)
        secondValues.insert(s.key, s.value);
    QHash<QString, bool> inFirst;
    QVector<Difference> differences;
    for (const Setting &s : first) {
        inFirst.insert(s.key, true);
        const auto other = secondValues.constFind(s.key);
        if (other == secondValues.constEnd())
            differences.append({s.key, s.value, QString(), true, false});
        else if (*other != s.value)
            differences.append({s.key, s.value, *other, true, true});
    }
    for (const Setting &s : second) {
        if (!inFirst.contains(s.key))
            differences.append({s.key, QString(), s.value, false, true});
    }
    return differences;
}

Written asWritten(CConfigure &configure, int32_t commMode, const QString &firmware, const QString &modelName)
{
    Written written;
    const BlockWriter::Result built = BlockWriter::build(configure, commMode, firmware);
    written.code = built.code;
    written.idMapsCut = built.idMapsCut;
    if (built.code != BlockWriter::Built)
        return written;
    // A gateway answers command 5 with the block it stored, under its own
    // header code, and command 13 with the keep-alive settings it was sent.
    QByteArray block = built.block;
    block[3] = char(Block::ReadCode);
    QByteArray keepAlive = BlockWriter::keepAliveFrame(configure.m_advance);
    keepAlive[3] = char(Block::KeepAliveReadCode);

    CConfigure echo;
    echo.m_modelCode = configure.m_modelCode;
    const BlockReader::Result read = BlockReader::read(block, echo);
    BlockReader::readKeepAlive(keepAlive, echo.m_advance, echo.m_modelCode);
    written.settings = of(echo, read.commMode, modelName);
    return written;
}

} // namespace SettingList
