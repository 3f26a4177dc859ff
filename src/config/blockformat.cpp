#include "config/blockformat.h"

namespace Block {

int64_t packedLength(int64_t ports, int64_t idMaps, int64_t masters, int64_t requests)
{
    return CommonSize + ports * (SerialRecordSize + TimingRecordSize) + 4 + idMaps * IdMapSize + 4
        + masters * MasterSize + 4 + requests * RequestSize + TailSize;
}

} // namespace Block
