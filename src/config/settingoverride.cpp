#include "config/settingoverride.h"

#include "config/blockformat.h"
#include "config/configure.h"
#include "config/ipv4text.h"
#include "config/modelcatalogue.h"
#include "config/settinglist.h"
#include "messages/messagetable.h"

#include <QRegularExpression>

namespace SettingOverride {

namespace {

QString modelText(int code)
{
    const QString name = Catalogue::discoveryName(code);
    return name.isEmpty() ? QStringLiteral("this model") : name;
}

// The word's index among the first `offered` words; -1 with `error` set when it is not one of them.
int choice(const QStringList &words, int offered, const QString &value, const QString &what, int code, QString &error)
{
    const int index = words.indexOf(value);
    if (index >= 0 && index < offered)
        return index;
    error = QStringLiteral("%1 offers %2 only").arg(modelText(code), words.mid(0, offered).join(QStringLiteral(", ")));
    if (index < 0)
        error = QStringLiteral("\"%1\" is no %2; %3").arg(value, what, error);
    return -1;
}

QString setAddress(QString &field, const QString &value)
{
    uint32_t address = 0;
    if (!Ipv4::parseStrict(value, address))
        return QStringLiteral("\"%1\" is no dotted address such as 192.168.0.10").arg(value);
    if (address == 0xFFFFFFFFu)
        return QStringLiteral("255.255.255.255 cannot be written to a gateway");
    // Written as the tool writes any address, without the leading zeros a user may type.
    const unsigned char bytes[4] = {uchar(address >> 24), uchar(address >> 16), uchar(address >> 8), uchar(address)};
    field = Ipv4::fromBytes(bytes);
    return QString();
}

QString setName(CConfigure &c, const QString &value)
{
    if (value.size() > Block::NameWidth)
        return GetStr(5051);
    // Any blank, not only a space: the file takes a name up to its first one.
    for (const QChar ch : value) {
        if (ch.isSpace())
            return GetStr(5052);
    }
    c.m_name = value;
    return QString();
}

QString setSerial(CConfigure &c, int port, const QString &what, const QString &value)
{
    const int code = c.m_modelCode;
    const int ports = Catalogue::serialPorts(code);
    if (port < 1 || port > ports)
        return QStringLiteral("%1 has serial ports 1 to %2").arg(modelText(code)).arg(ports);
    CSerialPort &p = c.m_serial[size_t(port - 1)];
    QString error;
    int index = -1;
    if (what == QLatin1String("Baud_Rate")) {
        const QStringList &words = SettingList::baudWords();
        if ((index = choice(words, words.size(), value, QStringLiteral("baud rate"), code, error)) >= 0)
            p.m_baudRate = index;
    } else if (what == QLatin1String("Check_Bit")) {
        if ((index = choice(SettingList::parityWords(), Catalogue::parityChoices(code), value,
                            QStringLiteral("parity"), code, error)) >= 0)
            p.m_parityCheck = index;
    } else {
        if ((index = choice({QStringLiteral("1"), QStringLiteral("2")}, 2, value, QStringLiteral("number of stop bits"),
                            code, error)) >= 0)
            p.m_stopBit = index;
    }
    return error;
}

} // namespace

QStringList keys()
{
    return {GetStr(4121), GetStr(4122), GetStr(4125), GetStr(4126), GetStr(4127), QStringLiteral("Port<N>_Baud_Rate"),
            QStringLiteral("Port<N>_Check_Bit"), QStringLiteral("Port<N>_Stop_Bits")};
}

QString apply(CConfigure &c, const QString &key, const QString &value)
{
    if (key == GetStr(4121))
        return setName(c, value);
    if (key == GetStr(4122)) {
        const QStringList &words = SettingList::ipModeWords();
        QString error;
        const int index = choice(words, Catalogue::offersBootp(c.m_modelCode) ? 3 : 2, value,
                                 QStringLiteral("way to assign the address"), c.m_modelCode, error);
        if (index >= 0)
            c.m_ipMode = index;
        return error;
    }
    if (key == GetStr(4125))
        return setAddress(c.m_ip, value);
    if (key == GetStr(4126))
        return setAddress(c.m_mask, value);
    if (key == GetStr(4127))
        return setAddress(c.m_gateway, value);
    static const QRegularExpression serialKey(QStringLiteral("^Port([1-9][0-9]?)_(Baud_Rate|Check_Bit|Stop_Bits)$"));
    const QRegularExpressionMatch match = serialKey.match(key);
    if (match.hasMatch())
        return setSerial(c, match.captured(1).toInt(), match.captured(2), value);
    return QStringLiteral("\"%1\" is not a setting that can be set; these can: %2").arg(key, keys().join(QStringLiteral(", ")));
}

} // namespace SettingOverride
