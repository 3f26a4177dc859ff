// Any answer to the keep-alive read (command 13), of any length.
#include "fuzzcheck.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/configure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The read keeps at most the 16 bytes of the answer; longer inputs also try
    // what the parser makes of bytes it was never meant to get.
    const QByteArray reply(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, 64)));
    const bool coded = reply.size() >= 4 && reply.startsWith(QByteArray::fromHex("0000000d"));
    for (int model : {30103, 130400, 0}) {
        CAdvance a;
        a.m_keepAlive = false;
        a.m_aliveTime = 123456;
        const bool taken = BlockReader::readKeepAlive(reply, a, model);
        FUZZ_CHECK(taken == coded);
        if (!taken) {
            FUZZ_CHECK(!a.m_keepAlive && a.m_aliveTime == 123456);
            continue;
        }
        FUZZ_CHECK(a.m_aliveTime <= 65535);
        FUZZ_CHECK(a.m_keepAlive == (reply.size() > 11 && reply.at(11) != 0));
    }
    return 0;
}
