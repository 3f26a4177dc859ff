// A configuration block in the fixed layout as received from a gateway, cut
// off or padded anywhere, parsed for both models that use this layout; a
// whole block is then kept in a file and read back.
#include "fuzzcheck.h"

#include "config/blockreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The tool keeps at most this many bytes of what arrives.
    const QByteArray block(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, Block::MaxSize)));
    const bool coded = block.startsWith(QByteArray::fromHex("00000005"));
    for (int model : {30103, 30203}) {
        CConfigure c;
        c.m_modelCode = model;
        c.m_idMaps.append(new CIDMap);
        const BlockReader::Result r = BlockReader::readFixed(block, c);
        // Not a command-5 frame: the configuration stays as it was.
        FUZZ_CHECK(coded ? r.length == Block::FixedSize : (r.length == -1 && c.m_idMaps.size() == 1));
        if (coded) {
            FUZZ_CHECK(r.truncated == (block.size() < Block::FixedSize));
            checkParsedBlock(block, c, Block::FixedPorts, true);
            if (!r.truncated) // the tool refuses a block cut short
                checkFileRoundTrip(c, r.commMode);
        }
    }
    return 0;
}
