// A configuration block in the fixed layout as received from a gateway, cut
// off or padded anywhere, parsed for both models that use this layout.
#include "blockchecks.h"
#include "fuzzcheck.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/configure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The tool keeps at most this many bytes of what arrives.
    const QByteArray block(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, Block::MaxSize)));
    const bool coded = block.size() >= 4 && block.startsWith(QByteArray::fromHex("00000005"));
    for (int model : {30103, 30203}) {
        CConfigure c;
        c.m_modelCode = model;
        fillWithStaleEntries(c);
        const BlockReader::Result r = BlockReader::readFixed(block, c);
        if (!coded) {
            // Not a command-5 frame: the configuration stays as it was.
            FUZZ_CHECK(r.length == -1);
            FUZZ_CHECK(c.m_name == QLatin1String("stale") && c.m_idMaps.size() == 1);
            continue;
        }
        FUZZ_CHECK(r.length == Block::FixedSize);
        FUZZ_CHECK(r.truncated == (block.size() < Block::FixedSize));
        FUZZ_CHECK(r.commMode >= 0 && r.commMode <= 3);
        checkParsedBlock(block, c, Block::FixedPorts, true);
        if (model == 30103)
            FUZZ_CHECK(c.m_serial[1].m_dataBits == 0 && c.m_serial[1].m_parityCheck == 0 && c.m_serial[1].m_stopBit == 0);
    }
    return 0;
}
