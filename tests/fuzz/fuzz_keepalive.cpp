// Any answer to the keep-alive read (command 13), of any length.
#include "fuzzcheck.h"

#include "config/blockreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, 64)));
    const bool coded = reply.startsWith(QByteArray::fromHex("0000000d"));
    for (int model : {30103, 130400, 0}) {
        CAdvance a;
        a.m_keepAlive = false;
        a.m_aliveTime = 123456;
        FUZZ_CHECK(BlockReader::readKeepAlive(reply, a, model) == coded);
        if (coded)
            FUZZ_CHECK(a.m_aliveTime <= 65535 && a.m_keepAlive == (reply.size() > 11 && reply.at(11) != 0));
        else
            FUZZ_CHECK(!a.m_keepAlive && a.m_aliveTime == 123456);
    }
    return 0;
}
