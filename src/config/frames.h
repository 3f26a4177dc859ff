#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// Frames of the gateways' own protocol on port 18801: every frame starts with
// three zero bytes, the command code and the big-endian length of the rest.
namespace Frames {

constexpr uint16_t Port = 18801;

enum Command : uint8_t {
    Discovery = 3,
    ReadConfig = 5,
    WriteConfig = 6,
    PasswordCheck = 7,
    Locate = 9,
    Restart = 10,
    ReadKeepAlive = 13,
    WriteKeepAlive = 14,
};

constexpr int HeaderSize = 8;
constexpr int SignatureSize = 8;
constexpr int PasswordFieldSize = 20;
constexpr int PasswordFrameSize = HeaderSize + SignatureSize + PasswordFieldSize; // 36
constexpr int CommandFrameSize = HeaderSize + SignatureSize; // 16
constexpr int ReplySize = 16;
// Longest password a user may give; gateways take letters and digits only.
constexpr int MaxPasswordLength = 12;

struct Header {
    uint8_t command = 0;
    uint32_t length = 0; // bytes after the header
};

// The 8-byte header for `command` followed by `length` bytes.
QByteArray header(uint8_t command, uint32_t length);

// The header at the start of `bytes`; false when fewer than 8 bytes are there
// or the three leading bytes are not zero.
bool parseHeader(const QByteArray &bytes, Header *out);

// "Talvenor", without terminator.
QByteArray signature();

QByteArray locateFrame();
QByteArray restartFrame();

// The 36-byte password frame. The password goes as UTF-8 into a 20-byte field,
// zero-padded; a longer one is cut at a character boundary to fit the field.
QByteArray passwordFrame(const QString &password);

// Header-only requests of the read: configuration block and keep-alive settings.
QByteArray readConfigRequest();
QByteArray readKeepAliveRequest();

// The 8-byte UDP discovery request.
QByteArray discoveryRequest();

// True when the reply starts 00 00 00 07 00 00 00 08; missing bytes count as zero.
bool passwordAccepted(const QByteArray &reply);
bool passwordAccepted(const std::array<unsigned char, ReplySize> &reply);

} // namespace Frames
