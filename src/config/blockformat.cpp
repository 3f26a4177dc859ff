#include "config/blockformat.h"

namespace Block {

int64_t packedLength(int64_t ports, int64_t idMaps, int64_t masters, int64_t requests)
{
    return CommonSize + ports * (SerialRecordSize + TimingRecordSize) + 4 + idMaps * IdMapSize + 4
        + masters * MasterSize + 4 + requests * RequestSize + TailSize;
}

bool startsWithCode(const QByteArray &bytes, uint8_t code)
{
    return bytes.size() >= 4 && bytes.at(0) == 0 && bytes.at(1) == 0 && bytes.at(2) == 0
        && static_cast<uint8_t>(bytes.at(3)) == code;
}

} // namespace Block
