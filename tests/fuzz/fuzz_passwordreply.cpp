// Any answer to the password frame, and the frame header every answer on the
// command channel starts with.
#include "fuzzcheck.h"

#include "config/frames.h"

#include <algorithm>
#include <array>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), int(size));
    const bool accepted = Frames::passwordAccepted(reply);
    static const unsigned char acceptance[8] = {0, 0, 0, 7, 0, 0, 0, 8};
    FUZZ_CHECK(accepted == (size >= 8 && std::memcmp(data, acceptance, 8) == 0));

    // The dialog reads at most 16 bytes into a zeroed buffer: same verdict.
    std::array<unsigned char, Frames::ReplySize> buffer{};
    std::memcpy(buffer.data(), data, std::min<size_t>(size, buffer.size()));
    FUZZ_CHECK(Frames::passwordAccepted(buffer) == accepted);

    Frames::Header header;
    header.command = 0xAA;
    if (Frames::parseHeader(reply, &header)) {
        FUZZ_CHECK(size >= 8 && data[0] == 0 && data[1] == 0 && data[2] == 0);
        FUZZ_CHECK(header.command == data[3]);
        FUZZ_CHECK(Frames::header(header.command, header.length) == reply.left(Frames::HeaderSize));
    } else {
        FUZZ_CHECK(size < 8 || data[0] != 0 || data[1] != 0 || data[2] != 0);
        FUZZ_CHECK(header.command == 0xAA);
    }
    return 0;
}
