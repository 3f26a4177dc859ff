// A configuration block in the packed layout as received from a gateway, with
// any counts, parsed for models of 1, 4 and 16 ports and one outside the
// catalogue; a whole block is then kept in a file and read back.
#include "fuzzcheck.h"

#include "config/blockreader.h"
#include "config/modelcatalogue.h"

#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray block(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, Block::MaxSize)));
    const bool coded = block.startsWith(QByteArray::fromHex("00000005"));
    for (int model : {130100, 130400, 131600, 0}) {
        CConfigure c;
        c.m_modelCode = model;
        c.m_idMaps.append(new CIDMap);
        const BlockReader::Result r = BlockReader::readPacked(block, c);
        if (!coded) {
            FUZZ_CHECK(r.length == -1 && c.m_idMaps.size() == 1);
            continue;
        }
        const int ports = Catalogue::serialPorts(model);
        // The length follows the counts that arrived, never the lists kept; it does not wrap.
        const bool huge = r.length == std::numeric_limits<int>::max();
        FUZZ_CHECK(r.truncated == (block.size() < r.length || huge));
        checkParsedBlock(block, c, ports, false);
        if (r.truncated)
            continue; // the tool refuses such a block
        // Lists cut at 36 entries leave their offsets as the counts announced them.
        const qint64 kept = Block::packedLength(ports, c.m_idMaps.size(), c.m_masters.size(), c.m_requests.size());
        const bool cut = c.m_idMaps.size() == 36 || c.m_masters.size() == 36 || c.m_requests.size() == 36;
        FUZZ_CHECK(cut ? r.length >= kept : r.length == kept);
        checkFileRoundTrip(c, r.commMode);
    }
    return 0;
}
