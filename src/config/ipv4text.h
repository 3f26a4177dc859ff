#pragma once

#include <QString>

#include <cstdint>

// Dotted-quad texts and the 32-bit forms the tool keeps of them. Both
// conversions split at "." keeping empty parts, give 0 unless there are
// exactly four parts, count a part that is not a number as 0 and combine the
// parts by OR without limiting them to 0..255.
namespace Ipv4 {

// First number in the highest byte (the main window's form).
int32_t toIntegerHighFirst(const QString &text);

// First number in the lowest byte (the editor's form): the bytes of the result
// from the lowest up are the address in dotted order.
int32_t toIntegerLowFirst(const QString &text);

// "%1.%2.%3.%4" of four address bytes in dotted order.
QString fromBytes(const unsigned char *bytes);

// True for the all-ones address, the one value an address field may not hold.
bool isAllOnes(const QString &text);

// A dotted quad of exactly four decimal numbers 0 to 255, as a user types
// one: its value with the first number in the highest byte. False for any
// other text, which the lenient conversions above would still take.
bool parseStrict(const QString &text, uint32_t &address);

} // namespace Ipv4
