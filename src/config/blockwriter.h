#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

struct CAdvance;
struct CConfigure;

// Building the configuration block of command 6 and the keep-alive frame of
// command 14 from the records the editor works on. Values go out unclamped.
namespace BlockWriter {

// Why a block was not built; the block is then not to be sent.
enum Code : int {
    Built = 0,
    BadIpAddress = -1, // an address field holds 255.255.255.255
    BadSubnetMask = -2,
    BadGateway = -3,
    BadDns1 = -4,
    BadDns2 = -5,
    BadIdMapAddress = -6,
    BadMasterAddress = -7,
    BadRangeAddress = -8,
    TooLong = -9, // the packed block would exceed what a gateway's block can carry
};

struct Result {
    int code = Built;
    QByteArray block; // exactly the bytes to send; empty unless code is Built
    bool idMapsCut = false; // only the first 4 ID mappings went out (HW-P04 below firmware 2.0)
};

// Both builders first change the configuration in the two ways a write does:
// in a master mode (commMode 1 or 3) the specified masters and requests are
// discarded, and a password reading "NONE" in any letter case is emptied.

// Fixed layout: always 1216 bytes, every list cut to its 36 slots.
Result buildFixed(CConfigure &configure, int32_t commMode);

// Packed layout for configure.m_modelCode; `firmware` is the gateway's
// version text, which limits the ID mappings of HW-P04.
Result buildPacked(CConfigure &configure, int32_t commMode, const QString &firmware);

// The layout of configure.m_modelCode.
Result build(CConfigure &configure, int32_t commMode, const QString &firmware);

// True when a packed write of this configuration sends only some of its ID
// mappings, so the caller can warn before building.
bool cutsIdMaps(const CConfigure &configure, const QString &firmware);
// The warning given before such a write.
QString idMapsCutWarning();

// The 16-byte keep-alive frame.
QByteArray keepAliveFrame(const CAdvance &advance);

} // namespace BlockWriter
