#include "config/ipv4text.h"

#include <QStringList>

#include <array>

namespace {

// The four parts as unsigned values, or false when the text has not four parts.
bool splitParts(const QString &text, std::array<uint32_t, 4> &parts)
{
    const QStringList list = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (list.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i)
        parts[i] = static_cast<uint32_t>(list.at(i).toInt()); // a non-number is 0
    return true;
}

} // namespace

namespace Ipv4 {

int32_t toIntegerHighFirst(const QString &text)
{
    std::array<uint32_t, 4> p{};
    if (!splitParts(text, p))
        return 0;
    return static_cast<int32_t>((p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
}

int32_t toIntegerLowFirst(const QString &text)
{
    std::array<uint32_t, 4> p{};
    if (!splitParts(text, p))
        return 0;
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (p[3] << 24));
}

QString fromBytes(const unsigned char *bytes)
{
    // Written out by hand: a block holds dozens of addresses, and four arg()
    // passes cost more than the rest of reading one.
    char text[16];
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            text[n++] = '.';
        const unsigned int v = bytes[i];
        if (v >= 100)
            text[n++] = char('0' + v / 100);
        if (v >= 10)
            text[n++] = char('0' + v / 10 % 10);
        text[n++] = char('0' + v % 10);
    }
    return QString::fromLatin1(text, n);
}

bool isAllOnes(const QString &text)
{
    return toIntegerHighFirst(text) == -1;
}

bool parseStrict(const QString &text, uint32_t &address)
{
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() != 4)
        return false;
    uint32_t value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const uint32_t number = part.toUInt();
        if (number > 255)
            return false;
        value = (value << 8) | number;
    }
    address = value;
    return true;
}

} // namespace Ipv4
