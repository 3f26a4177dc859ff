#pragma once

#include <QByteArray>

#include <cstdint>

struct CAdvance;
struct CConfigure;

// Parsing of the configuration block a gateway sends for command 5, and of its
// keep-alive answer to command 13, into the records the editor works on. Every
// value is clamped into the range the editor accepts. No byte past the end of
// what was received is read: a field that lies beyond it reads as zero bytes,
// and a list entry that does not lie wholly inside it is not taken. No list
// holds more than 36 entries, whatever count the block announces.
namespace BlockReader {

struct Result {
    // RecvPack / RecvPack1: 1216 for the fixed layout, the length the counts
    // describe for the packed layout (at most INT32_MAX); -1 when the header
    // is not a command-5 frame, and then the configuration is unchanged.
    int length = -1;
    int32_t commMode = 0; // for g_commMode
    bool truncated = false; // fewer bytes arrived than the layout describes
};

// Fixed layout (model codes 30103 and 30203), into `configure`, whose
// m_modelCode is already set.
Result readFixed(const QByteArray &block, CConfigure &configure);

// Packed layout, with the number of serial ports of configure.m_modelCode.
Result readPacked(const QByteArray &block, CConfigure &configure);

// The layout of configure.m_modelCode.
Result read(const QByteArray &block, CConfigure &configure);

// Keep-alive answer: false, and `advance` unchanged, when bytes 0..3 are not
// 00 00 00 0D. Missing bytes of a short answer count as zero.
bool readKeepAlive(const QByteArray &reply, CAdvance &advance, int modelCode);

} // namespace BlockReader
