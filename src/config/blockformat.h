#pragma once

#include <QByteArray>

#include <cstdint>

// Sizes and offsets of the configuration block shared by its reader and writer.
namespace Block {

constexpr int HeaderSize = 8;
constexpr int CommonSize = 56; // header, mode, name, address assignment, five addresses
constexpr int NameWidth = 20;
constexpr int PasswordWidth = 20;
constexpr int SerialRecordSize = 8;
constexpr int TimingRecordSize = 12;
constexpr int IdMapSize = 16;
constexpr int MasterSize = 8;
constexpr int RequestSize = 4;
constexpr int RangeSize = 12;
constexpr int RangeCount = 6;
constexpr int TailSize = PasswordWidth + 4 + 4 + RangeCount * RangeSize; // 100

// The fixed layout: two serial ports and room for 36 entries of every list.
constexpr int FixedPorts = 2;
constexpr int FixedEntries = 36;
constexpr int FixedSize = 1216;

// The tool keeps at most this many bytes of a received block, so no block it
// sends may be longer either.
constexpr int MaxSize = 1216;

constexpr uint8_t ReadCode = 5;
constexpr uint8_t WriteCode = 6;
constexpr uint8_t KeepAliveReadCode = 13;
constexpr uint8_t KeepAliveWriteCode = 14;
constexpr int KeepAliveSize = 16;

// True when `bytes` start with 00 00 00 `code`, the only part of an answer's
// header the tool judges.
bool startsWithCode(const QByteArray &bytes, uint8_t code);

// Total length of a packed block; 64-bit so that hostile counts cannot wrap.
int64_t packedLength(int64_t ports, int64_t idMaps, int64_t masters, int64_t requests);

} // namespace Block
