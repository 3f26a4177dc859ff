#pragma once

#include "discovery/equipment.h"

#include <QByteArray>
#include <QString>

// The UDP discovery exchange: the request every gateway answers and the
// 68-byte answer that becomes a device list entry.
namespace Discovery {

constexpr quint16 Port = 18801;
constexpr int RequestSize = 8;
constexpr int AnswerSize = 68;
// Longest device name in an answer, in bytes.
constexpr int NameSize = 20;

enum class AnswerStatus { Ok, WrongLength, WrongHeader };

// 00 00 00 03 00 00 00 00: command 3, device information, no payload.
QByteArray request();

// Fills `out` from one answer datagram, numbered `number`. `out` is only
// touched when the status is Ok.
AnswerStatus parseAnswer(const QByteArray &datagram, int number, CEquipment &out);

} // namespace Discovery

// Bytes data[start] .. data[end-1] as two lowercase hex digits each, the
// separator between bytes; a null text when start > end.
QString uncharToQstring(const unsigned char *data, int end, int start, const QString &separator);
