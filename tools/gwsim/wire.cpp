#include "wire.h"

#include <QRegularExpression>
#include <QStringList>

namespace Wire {

void put32(QByteArray &buf, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        buf[offset + i] = char((value >> (24 - 8 * i)) & 0xFF);
}

void put16(QByteArray &buf, int offset, quint16 value)
{
    buf[offset] = char(value >> 8);
    buf[offset + 1] = char(value & 0xFF);
}

quint32 get32(const QByteArray &buf, int offset)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | quint8(buf.at(offset + i));
    return v;
}

QByteArray header(quint8 command, quint32 length)
{
    QByteArray h(kHeaderSize, '\0');
    h[3] = char(command);
    put32(h, 4, length);
    return h;
}

void putBytes(QByteArray &buf, int offset, int width, const QByteArray &bytes)
{
    const int n = qMin(width, bytes.size());
    for (int i = 0; i < n; ++i)
        buf[offset + i] = bytes.at(i);
}

bool parseIpv4(const QString &text, QByteArray *out)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint v = parts.at(i).toUInt(&ok);
        if (!ok || v > 255)
            return false;
        bytes[i] = char(v);
    }
    *out = bytes;
    return true;
}

QByteArray ipv4Bytes(const QString &text)
{
    QByteArray bytes(4, '\0');
    parseIpv4(text, &bytes);
    return bytes;
}

bool parseHex(const QString &text, QByteArray *out)
{
    QString digits = text;
    digits.remove(QRegularExpression("\\s"));
    if (digits.size() % 2 != 0 || !QRegularExpression("^[0-9a-fA-F]*$").match(digits).hasMatch())
        return false;
    *out = QByteArray::fromHex(digits.toLatin1());
    return true;
}

} // namespace Wire
