#pragma once

#include <QByteArray>
#include <QString>

// Byte helpers for the gateway protocol: big-endian numbers, the 8-byte frame
// header and fixed-width text fields. Kept apart from the tool's own codecs on
// purpose.
namespace Wire {

constexpr quint16 kPort = 18801;
constexpr int kHeaderSize = 8;

void put32(QByteArray &buf, int offset, quint32 value);
void put16(QByteArray &buf, int offset, quint16 value);
quint32 get32(const QByteArray &buf, int offset);
QByteArray header(quint8 command, quint32 length);
// Copies at most width bytes; the rest of the field stays as it is (zero).
void putBytes(QByteArray &buf, int offset, int width, const QByteArray &bytes);
// Four bytes in dotted order; false when the text is not a dotted quad.
bool parseIpv4(const QString &text, QByteArray *out);
QByteArray ipv4Bytes(const QString &text);
// Hex digits, whitespace ignored; false for anything else or an odd count.
bool parseHex(const QString &text, QByteArray *out);

} // namespace Wire
