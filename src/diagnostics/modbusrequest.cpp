#include "diagnostics/modbusrequest.h"

#include <QtGlobal>

#include <algorithm>
#include <climits>

namespace ModbusRequest {

namespace {

constexpr int kCodes[] = {1, 2, 3, 4, 5, 6, 15, 16};

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

void appendU16(QByteArray &frame, int value)
{
    frame.append(char((value >> 8) & 0xFF));
    frame.append(char(value & 0xFF));
}

unsigned int code5Check(const QString &text)
{
    if (text.size() != 5 && text.size() != 6)
        return 1004;
    const QChar first = text.at(0);
    if (first != QLatin1Char('0') && first != QLatin1Char('f'))
        return 1007;
    if (first == QLatin1Char('0') && text.at(1) != QLatin1Char('0'))
        return 1005;
    if (first == QLatin1Char('f') && text.at(1) != QLatin1Char('f'))
        return 1006;
    return 0;
}

} // namespace

int functionCodeForIndex(int index)
{
    if (index < 0 || index >= int(sizeof kCodes / sizeof kCodes[0]))
        return 0;
    return kCodes[index];
}

unsigned char conversion(unsigned char high, unsigned char low)
{
    auto value = [](unsigned char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return 0;
    };
    return static_cast<unsigned char>(16 * value(high) + value(low));
}

DataText parseDataText(const QString &input, int functionCode)
{
    DataText result;
    const QString text = input.toLower();
    const int length = text.size();

    for (const QChar c : text) {
        if (!isHexDigit(c) && c != QLatin1Char(' ')) {
            result.messageId = 1001;
            return result;
        }
    }
    if (length == 1) {
        result.messageId = 1002;
        return result;
    }
    // Only "xx xx xx" with an optional trailing space: a space where a digit
    // belongs, or a lone last digit, would otherwise be sent as a byte the user
    // never typed.
    for (int i = 0; i < length; ++i) {
        const bool separator = i % 3 == 2;
        if (separator != (text.at(i) == QLatin1Char(' '))) {
            result.messageId = 1003;
            return result;
        }
    }
    if (length >= 4 && length % 3 == 1) {
        result.messageId = 1003;
        return result;
    }
    if (functionCode == 5) {
        result.messageId = code5Check(text);
        if (!result.ok())
            return result;
    }
    if (length >= 2) {
        const QByteArray latin = text.toLatin1();
        for (int i = 0; i + 1 < length; i += 3)
            result.bytes.append(char(conversion(uchar(latin.at(i)), uchar(latin.at(i + 1)))));
    }
    return result;
}

int quantityLimit(int functionCode)
{
    switch (functionCode) {
    case 1:
    case 2:
    case 15:
        return 2000;
    case 3:
    case 4:
    case 16:
        return 127;
    default:
        return 0;
    }
}

int fieldValue(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok) {
        const QString digits = text.trimmed();
        const bool allDigits = !digits.isEmpty()
            && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
        return allDigits ? INT_MAX : 0;
    }
    return int(qBound<qlonglong>(INT_MIN, value, INT_MAX));
}

QString clampQuantity(int functionCode, const QString &text)
{
    const int limit = quantityLimit(functionCode);
    const int value = fieldValue(text);
    if (limit > 0 && value > limit)
        return QString::number(limit);
    if (value < 0)
        return QStringLiteral("0");
    return text;
}

Built buildRequest(const Inputs &in)
{
    Built result;
    const int code = in.functionCode;
    const int limit = quantityLimit(code);
    const int quantity = limit > 0 ? qBound(0, in.quantity, limit) : qMax(0, in.quantity);

    QByteArray pdu;
    pdu.append(char(code & 0xFF));
    appendU16(pdu, in.startAddress);

    switch (code) {
    case 5:
        if (in.data.isEmpty()) {
            result.messageId = 1010;
            return result;
        }
        if (uchar(in.data.at(0)) != 0xFF && uchar(in.data.at(0)) != 0x00) {
            result.messageId = 1004;
            return result;
        }
        appendU16(pdu, uchar(in.data.at(0)) == 0xFF ? 0xFF00 : 0x0000);
        break;
    case 6:
        if (in.data.isEmpty()) {
            result.messageId = 1011;
            return result;
        }
        if (in.data.size() == 1)
            appendU16(pdu, uchar(in.data.at(0)));
        else
            appendU16(pdu, (uchar(in.data.at(0)) << 8) | uchar(in.data.at(1)));
        break;
    case 15: {
        if (in.data.isEmpty()) {
            result.messageId = 1012;
            return result;
        }
        const int byteCount = (quantity + 7) / 8;
        if (byteCount > in.data.size()) {
            result.messageId = 1013;
            return result;
        }
        appendU16(pdu, quantity);
        pdu.append(char(byteCount));
        pdu.append(in.data.left(byteCount));
        break;
    }
    case 16: {
        if (in.data.isEmpty()) {
            result.messageId = 1014;
            return result;
        }
        const int byteCount = 2 * quantity;
        if (in.data.size() != byteCount) {
            result.messageId = 1015;
            return result;
        }
        appendU16(pdu, quantity);
        pdu.append(char(byteCount));
        pdu.append(in.data);
        break;
    }
    default:
        appendU16(pdu, quantity);
        break;
    }

    appendU16(result.frame, in.transId);
    appendU16(result.frame, 0);
    // The length counts the unit identifier and the PDU; above 255 for long
    // writes, so both bytes are needed.
    appendU16(result.frame, 1 + pdu.size());
    result.frame.append(char(in.unitId & 0xFF));
    result.frame.append(pdu);
    return result;
}

int transIdToSend(int counter)
{
    return counter > 65534 || counter < 0 ? 0 : counter;
}

int declaredReplyLength(const QByteArray &reply)
{
    if (reply.size() < 6)
        return -1;
    return 6 + ((uchar(reply.at(4)) << 8) | uchar(reply.at(5)));
}

Verdict judgeReply(const QByteArray &reply, int functionCode)
{
    if (reply.isEmpty())
        return Verdict::NoResponse;
    // Too short to carry a function code: something answered, but not this request.
    if (reply.size() < 8)
        return Verdict::ErrorResponse;
    return uchar(reply.at(7)) == uchar(functionCode) ? Verdict::RightResponse : Verdict::ErrorResponse;
}

unsigned int verdictMessageId(Verdict verdict)
{
    switch (verdict) {
    case Verdict::NoResponse:
        return 1016;
    case Verdict::ErrorResponse:
        return 1017;
    case Verdict::RightResponse:
        return 1018;
    }
    return 1016;
}

QString replyHexText(const QByteArray &reply)
{
    if (reply.size() <= 6)
        return QString();
    // Each byte as two lowercase hex digits and a blank, the way the window shows it.
    const QByteArray hex = reply.mid(6).toHex(' ');
    return QString::fromLatin1(hex) + QLatin1Char(' ');
}

QString exceptionName(int code)
{
    switch (code) {
    case 1: return QStringLiteral("Illegal Function");
    case 2: return QStringLiteral("Illegal Data Address");
    case 3: return QStringLiteral("Illegal Data Value");
    case 4: return QStringLiteral("Server Device Failure");
    case 5: return QStringLiteral("Acknowledge");
    case 6: return QStringLiteral("Server Device Busy");
    case 8: return QStringLiteral("Memory Parity Error");
    case 10: return QStringLiteral("Gateway Path Unavailable");
    case 11: return QStringLiteral("Gateway Target Device Failed to Respond");
    }
    return QStringLiteral("Unknown Exception");
}

QStringList decodeReply(const QByteArray &reply, const Inputs &request)
{
    const auto byteAt = [&reply](int i) { return int(uchar(reply.at(i))); };
    const auto wordAt = [&byteAt](int i) { return (byteAt(i) << 8) | byteAt(i + 1); };
    QStringList lines;
    if (reply.size() < 9)
        return lines;
    const int function = byteAt(7);
    if (function == (request.functionCode | 0x80)) {
        lines << QStringLiteral("exception %1: %2").arg(byteAt(8)).arg(exceptionName(byteAt(8)));
        return lines;
    }
    if (function != request.functionCode)
        return lines;
    // Only the bytes the reply holds and its byte count announces are read.
    const int count = std::min(byteAt(8), int(reply.size()) - 9);
    switch (function) {
    case 1:
    case 2: {
        const QString item = function == 1 ? QStringLiteral("coil") : QStringLiteral("input");
        for (int i = 0; i < std::min(request.quantity, count * 8); ++i)
            lines << QStringLiteral("%1 %2: %3").arg(item).arg(request.startAddress + i).arg((byteAt(9 + i / 8) >> (i % 8)) & 1);
        break;
    }
    case 3:
    case 4: {
        const QString item = function == 3 ? QStringLiteral("register") : QStringLiteral("input register");
        for (int i = 0; i < count / 2; ++i)
            lines << QStringLiteral("%1 %2: %3").arg(item).arg(request.startAddress + i).arg(wordAt(9 + 2 * i));
        break;
    }
    case 5:
    case 6:
        if (reply.size() >= 12)
            lines << QStringLiteral("%1 %2 written: %3")
                         .arg(function == 5 ? QStringLiteral("coil") : QStringLiteral("register"))
                         .arg(wordAt(8))
                         .arg(function == 5 ? (wordAt(10) == 0xFF00 ? 1 : 0) : wordAt(10));
        break;
    case 15:
    case 16:
        if (reply.size() >= 12)
            lines << QStringLiteral("%1 %2 written from %3")
                         .arg(wordAt(10))
                         .arg(function == 15 ? QStringLiteral("coils") : QStringLiteral("registers"))
                         .arg(wordAt(8));
        break;
    }
    return lines;
}

} // namespace ModbusRequest
