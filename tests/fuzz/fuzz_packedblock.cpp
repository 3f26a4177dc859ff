// A configuration block in the packed layout as received from a gateway, with
// any counts, parsed for every model that uses this layout (and for a model
// outside the catalogue).
#include "blockchecks.h"
#include "fuzzcheck.h"

#include "config/blockformat.h"
#include "config/blockreader.h"
#include "config/configure.h"
#include "config/modelcatalogue.h"

#include <algorithm>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The tool keeps at most this many bytes of what arrives.
    const QByteArray block(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, Block::MaxSize)));
    const bool coded = block.size() >= 4 && block.startsWith(QByteArray::fromHex("00000005"));
    for (int model : {130100, 130200, 130400, 130800, 131600, 0}) {
        CConfigure c;
        c.m_modelCode = model;
        fillWithStaleEntries(c);
        const BlockReader::Result r = BlockReader::readPacked(block, c);
        if (!coded) {
            FUZZ_CHECK(r.length == -1);
            FUZZ_CHECK(c.m_name == QLatin1String("stale") && c.m_idMaps.size() == 1);
            continue;
        }
        const int ports = Catalogue::serialPorts(model);
        FUZZ_CHECK(r.commMode >= 0 && r.commMode <= 3);
        // The length follows the counts that arrived, never the lists kept.
        FUZZ_CHECK(r.length >= Block::packedLength(ports, c.m_idMaps.size(), c.m_masters.size(), c.m_requests.size())
                   || r.length == std::numeric_limits<int>::max());
        FUZZ_CHECK(r.truncated == (block.size() < r.length || r.length == std::numeric_limits<int>::max()));
        if (!r.truncated)
            FUZZ_CHECK(r.length == Block::packedLength(ports, c.m_idMaps.size(), c.m_masters.size(), c.m_requests.size()));
        checkParsedBlock(block, c, ports, false);
    }
    return 0;
}
