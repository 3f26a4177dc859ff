#include "config/frames.h"

#include <QtEndian>

namespace Frames {

namespace {

QByteArray signedCommand(uint8_t command)
{
    return header(command, SignatureSize) + signature();
}

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
QByteArray utf8Prefix(const QByteArray &utf8, int limit)
{
    if (utf8.size() <= limit)
        return utf8;
    int end = limit;
    // Continuation bytes are 10xxxxxx; step back to the start of the cut character.
    while (end > 0 && (uint8_t(utf8[end]) & 0xC0) == 0x80)
        --end;
    return utf8.left(end);
}

} // namespace

QByteArray header(uint8_t command, uint32_t length)
{
    QByteArray h(HeaderSize, '\0');
    h[3] = char(command);
    qToBigEndian(length, h.data() + 4);
    return h;
}

bool parseHeader(const QByteArray &bytes, Header *out)
{
    if (bytes.size() < HeaderSize || bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0)
        return false;
    out->command = uint8_t(bytes[3]);
    out->length = qFromBigEndian<uint32_t>(bytes.constData() + 4);
    return true;
}

QByteArray signature()
{
    return QByteArrayLiteral("Talvenor");
}

QByteArray locateFrame()
{
    return signedCommand(Locate);
}

QByteArray restartFrame()
{
    return signedCommand(Restart);
}

QByteArray passwordFrame(const QString &password)
{
    QByteArray field = utf8Prefix(password.toUtf8(), PasswordFieldSize);
    field.append(PasswordFieldSize - field.size(), '\0');
    return header(PasswordCheck, SignatureSize + PasswordFieldSize) + signature() + field;
}

QByteArray readConfigRequest()
{
    return header(ReadConfig, 0);
}

QByteArray readKeepAliveRequest()
{
    return header(ReadKeepAlive, 0);
}

QByteArray discoveryRequest()
{
    return header(Discovery, 0);
}

bool passwordAccepted(const QByteArray &reply)
{
    static const QByteArray accepted = header(PasswordCheck, 8);
    QByteArray start = reply.left(HeaderSize);
    start.append(HeaderSize - start.size(), '\0');
    return start == accepted;
}

bool passwordAccepted(const std::array<unsigned char, ReplySize> &reply)
{
    return passwordAccepted(QByteArray(reinterpret_cast<const char *>(reply.data()), ReplySize));
}

} // namespace Frames
