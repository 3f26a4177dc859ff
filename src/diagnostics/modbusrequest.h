#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The communication test's Modbus TCP request and reply, as plain functions
// over the user's inputs and the bytes on the wire. Failures come back as the
// message id the window shows; nothing here shows anything.
namespace ModbusRequest {

// Function codes of the window's list, in list order.
int functionCodeForIndex(int index);

// Two lowercase hex digit characters to a byte; any other character counts 0.
unsigned char conversion(unsigned char high, unsigned char low);

struct DataText {
    unsigned int messageId = 0; // 0 when the text was accepted
    QByteArray bytes;
    bool ok() const { return messageId == 0; }
};

// Checks the data text (hex pairs separated by single spaces, any case) for the
// given function code and converts it to bytes.
DataText parseDataText(const QString &text, int functionCode);

// Largest quantity one request of this function code may carry; 0 when the
// code takes no quantity from the user.
int quantityLimit(int functionCode);

// The quantity text after the window's clamping: above the limit becomes the
// limit, a negative value becomes "0"; anything else is kept as typed.
QString clampQuantity(int functionCode, const QString &text);

// Numeric value of a digits-only field; saturates instead of wrapping.
int fieldValue(const QString &text);

struct Inputs {
    int transId = 0;
    int unitId = 1;
    int functionCode = 1;
    int startAddress = 0;
    int quantity = 1;
    QByteArray data;
};

struct Built {
    unsigned int messageId = 0; // 0 when the frame was built
    QByteArray frame;
    bool ok() const { return messageId == 0; }
};

// The complete request (MBAP header and PDU).
Built buildRequest(const Inputs &inputs);

// The transaction identifier to send next: 65535 is never used, the counter
// starts again at 0.
int transIdToSend(int counter);

// Total length of the reply whose first bytes are given, from its MBAP length
// field; -1 while the header is incomplete.
int declaredReplyLength(const QByteArray &reply);

enum class Verdict { NoResponse, ErrorResponse, RightResponse };

Verdict judgeReply(const QByteArray &reply, int functionCode);
unsigned int verdictMessageId(Verdict verdict);

// The standard name of a Modbus exception code.
QString exceptionName(int code);

// What a reply to `request` says, one line each: an exception with its code's
// name; the values read, each with its address (registers as unsigned
// decimals, coils and inputs as 0 or 1); or what a write confirmed. Empty when
// the reply is too short to say anything.
QStringList decodeReply(const QByteArray &reply, const Inputs &request);

// Reply bytes from the unit identifier on, each as two lowercase hex digits and
// a space; empty when the reply holds nothing beyond the first six bytes.
QString replyHexText(const QByteArray &reply);

} // namespace ModbusRequest
