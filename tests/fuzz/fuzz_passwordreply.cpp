// Any answer to the password frame, and the frame header every answer on the
// command channel starts with.
#include "fuzzcheck.h"

#include "config/frames.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), int(size));
    static const unsigned char acceptance[8] = {0, 0, 0, 7, 0, 0, 0, 8};
    FUZZ_CHECK(Frames::passwordAccepted(reply) == (size >= 8 && std::memcmp(data, acceptance, 8) == 0));
    Frames::Header header;
    const bool parsed = Frames::parseHeader(reply, &header);
    FUZZ_CHECK(parsed == (size >= 8 && data[0] == 0 && data[1] == 0 && data[2] == 0));
    if (parsed)
        FUZZ_CHECK(Frames::header(header.command, header.length) == reply.left(Frames::HeaderSize));
    return 0;
}
