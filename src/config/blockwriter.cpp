#include "config/blockwriter.h"

#include "config/blockformat.h"
#include "config/configure.h"
#include "config/ipv4text.h"
#include "config/modelcatalogue.h"

#include <algorithm>

namespace {

// A zeroed block of fixed size; writes outside it are dropped, so a builder
// slip can corrupt a block but never memory.
class Outgoing
{
public:
    explicit Outgoing(int size) : m_bytes(size, '\0') {}

    const QByteArray &bytes() const { return m_bytes; }

    void u8(int64_t offset, uint32_t value)
    {
        if (offset >= 0 && offset < m_bytes.size())
            m_bytes[static_cast<int>(offset)] = static_cast<char>(value & 0xFF);
    }

    void be32(int64_t offset, uint32_t value)
    {
        u8(offset, value >> 24);
        u8(offset + 1, value >> 16);
        u8(offset + 2, value >> 8);
        u8(offset + 3, value);
    }

    // False, writing nothing, for the all-ones address.
    bool address(int64_t offset, const QString &text)
    {
        const uint32_t value = static_cast<uint32_t>(Ipv4::toIntegerLowFirst(text));
        if (value == 0xFFFFFFFFu)
            return false;
        for (int i = 0; i < 4; ++i)
            u8(offset + i, value >> (8 * i)); // lowest byte first is dotted order
        return true;
    }

    // Latin-1, cut to the field; the zeroed rest ends a shorter text.
    void text(int64_t offset, const QString &value, int width)
    {
        const QByteArray chars = value.toLatin1().left(width);
        for (int i = 0; i < chars.size(); ++i)
            u8(offset + i, static_cast<uint8_t>(chars.at(i)));
    }

private:
    QByteArray m_bytes;
};

uint32_t number(const QString &decimal)
{
    return static_cast<uint32_t>(decimal.toLongLong()); // low 32 bits; a non-number is 0
}

uint32_t baudRate(int32_t index)
{
    static const uint32_t rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
    return (index >= 1 && index <= 8) ? rates[index] : 1200;
}

void prepare(CConfigure &c, int32_t commMode)
{
    if (commMode == 1 || commMode == 3) {
        clearEntries(c.m_masters);
        clearEntries(c.m_requests);
    }
    if (c.m_advance.m_password.toUpper() == QLatin1String("NONE"))
        c.m_advance.m_password.clear();
}

void header(Outgoing &out, int total)
{
    out.be32(0, Block::WriteCode);
    out.be32(4, static_cast<uint32_t>(total - Block::HeaderSize));
}

int common(Outgoing &out, const CConfigure &c, int32_t commMode)
{
    out.u8(11, (commMode >= 1 && commMode <= 3) ? commMode : 0);
    out.text(12, c.m_name, Block::NameWidth);
    out.be32(32, (c.m_ipMode == 1 || c.m_ipMode == 2) ? c.m_ipMode : 0);
    if (!out.address(36, c.m_ip))
        return BlockWriter::BadIpAddress;
    if (!out.address(40, c.m_mask))
        return BlockWriter::BadSubnetMask;
    if (!out.address(44, c.m_gateway))
        return BlockWriter::BadGateway;
    if (!out.address(48, c.m_dns1))
        return BlockWriter::BadDns1;
    if (!out.address(52, c.m_dns2))
        return BlockWriter::BadDns2;
    return BlockWriter::Built;
}

void serial(Outgoing &out, int64_t offset, const CSerialPort &p)
{
    out.be32(offset, baudRate(p.m_baudRate));
    out.u8(offset + 4, static_cast<uint32_t>(p.m_dataBits));
    out.u8(offset + 5, static_cast<uint32_t>(p.m_parityCheck));
    out.u8(offset + 6, static_cast<uint32_t>(p.m_stopBit + 1));
}

void timing(Outgoing &out, int64_t offset, const CSerialPort &p)
{
    out.be32(offset, static_cast<uint32_t>(p.m_charInterval));
    out.be32(offset + 4, static_cast<uint32_t>(p.m_respTimeout));
    out.be32(offset + 8, static_cast<uint32_t>(p.m_delayPolls));
}

// Writes the count and the first `count` ID mappings from `offset` on.
bool idMaps(Outgoing &out, int64_t offset, const CConfigure &c, int count)
{
    out.be32(offset, static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        const CIDMap &m = *c.m_idMaps.at(i);
        const int64_t o = offset + 4 + int64_t(i) * Block::IdMapSize;
        if (!out.address(o, m.m_ip))
            return false;
        out.be32(o + 4, number(m.m_port));
        out.be32(o + 8, static_cast<uint32_t>(m.m_serialIndex));
        out.u8(o + 12, static_cast<uint32_t>(m.m_idMin));
        out.u8(o + 13, static_cast<uint32_t>(m.m_idMax));
        out.u8(o + 14, m.m_negative ? 1 : 0);
        out.u8(o + 15, static_cast<uint32_t>(m.m_offset));
    }
    return true;
}

bool masters(Outgoing &out, int64_t offset, const CConfigure &c, int count)
{
    out.be32(offset, static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        const CSpecifiedMaster &m = *c.m_masters.at(i);
        const int64_t o = offset + 4 + int64_t(i) * Block::MasterSize;
        if (!out.address(o, m.m_ip))
            return false;
        out.be32(o + 4, m.m_serial2 ? 1 : 0);
    }
    return true;
}

void requests(Outgoing &out, int64_t offset, const CConfigure &c, int count)
{
    out.be32(offset, static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        const CSpecifiedRequest &r = *c.m_requests.at(i);
        const int64_t o = offset + 4 + int64_t(i) * Block::RequestSize;
        out.u8(o, r.m_slaveIdOn ? 1 : 0);
        out.u8(o + 1, number(r.m_slaveId));
        out.u8(o + 2, r.m_functionOn ? 1 : 0);
        out.u8(o + 3, number(r.m_functionCode));
    }
}

// Password, Modbus TCP port, serial delay and the IP ranges. The fixed layout
// packs the active ranges from the first slot; the packed layout keeps slot i.
bool tail(Outgoing &out, int64_t offset, const CAdvance &a, bool compactRanges)
{
    out.text(offset, a.m_password, Block::PasswordWidth);
    out.be32(offset + 20, number(a.m_highPort));
    out.be32(offset + 24, static_cast<uint32_t>(a.m_serialDelay));
    int slot = 0;
    for (int i = 0; i < Block::RangeCount; ++i) {
        if (!a.m_limitOn[i])
            continue;
        const int64_t o = offset + 28 + int64_t(compactRanges ? slot : i) * Block::RangeSize;
        out.be32(o, 1);
        if (!out.address(o + 4, a.m_limitLow[i]) || !out.address(o + 8, a.m_limitHigh[i]))
            return false;
        ++slot;
    }
    return true;
}

BlockWriter::Result finish(const Outgoing &out, int code, bool idMapsCut)
{
    BlockWriter::Result result;
    result.code = code;
    result.idMapsCut = idMapsCut;
    if (code == BlockWriter::Built)
        result.block = out.bytes();
    return result;
}

} // namespace

namespace BlockWriter {

Result buildFixed(CConfigure &configure, int32_t commMode)
{
    CConfigure &c = configure;
    prepare(c, commMode);
    Outgoing out(Block::FixedSize);
    header(out, Block::FixedSize);
    const int code = common(out, c, commMode);
    if (code != Built)
        return finish(out, code, false);

    serial(out, 56, c.m_serial[0]);
    serial(out, 64, c.m_serial[1]);
    const auto capped = [](int size) { return std::min(size, Block::FixedEntries); };
    if (!idMaps(out, 72, c, capped(c.m_idMaps.size())))
        return finish(out, BadIdMapAddress, false);
    timing(out, 652, c.m_serial[0]);
    timing(out, 664, c.m_serial[1]);
    if (!masters(out, 676, c, capped(c.m_masters.size())))
        return finish(out, BadMasterAddress, false);
    requests(out, 968, c, capped(c.m_requests.size()));
    if (!tail(out, 1116, c.m_advance, true))
        return finish(out, BadRangeAddress, false);
    return finish(out, Built, false);
}

Result buildPacked(CConfigure &configure, int32_t commMode, const QString &firmware)
{
    CConfigure &c = configure;
    prepare(c, commMode);
    const int ports = Catalogue::serialPorts(c.m_modelCode);
    const bool cut = cutsIdMaps(c, firmware);
    const int idMapCount = cut ? 4 : c.m_idMaps.size();
    const int masterCount = c.m_masters.size();
    const int requestCount = c.m_requests.size();
    const int64_t total = Block::packedLength(ports, idMapCount, masterCount, requestCount);
    if (total > Block::MaxSize) {
        Result refused;
        refused.code = TooLong;
        refused.idMapsCut = cut;
        return refused;
    }

    Outgoing out(static_cast<int>(total));
    header(out, static_cast<int>(total));
    const int code = common(out, c, commMode);
    if (code != Built)
        return finish(out, code, cut);

    for (int n = 0; n < ports; ++n)
        serial(out, 56 + int64_t(n) * Block::SerialRecordSize, c.m_serial[n]);
    const int64_t p1 = 56 + int64_t(ports) * Block::SerialRecordSize;
    if (!idMaps(out, p1, c, idMapCount))
        return finish(out, BadIdMapAddress, cut);
    const int64_t p2 = p1 + 4 + int64_t(idMapCount) * Block::IdMapSize;
    for (int n = 0; n < ports; ++n)
        timing(out, p2 + int64_t(n) * Block::TimingRecordSize, c.m_serial[n]);
    const int64_t p3 = p2 + int64_t(ports) * Block::TimingRecordSize;
    if (!masters(out, p3, c, masterCount))
        return finish(out, BadMasterAddress, cut);
    const int64_t p4 = p3 + 4 + int64_t(masterCount) * Block::MasterSize;
    requests(out, p4, c, requestCount);
    const int64_t p5 = p4 + 4 + int64_t(requestCount) * Block::RequestSize;
    if (!tail(out, p5, c.m_advance, false))
        return finish(out, BadRangeAddress, cut);
    return finish(out, Built, cut);
}

Result build(CConfigure &configure, int32_t commMode, const QString &firmware)
{
    if (Catalogue::layout(configure.m_modelCode) == BlockLayout::Fixed)
        return buildFixed(configure, commMode);
    return buildPacked(configure, commMode, firmware);
}

bool cutsIdMaps(const CConfigure &configure, const QString &firmware)
{
    const int code = configure.m_modelCode;
    return code == 130400 && Catalogue::idMapLimitForFirmware(code, firmware) == 4
        && configure.m_idMaps.size() > 4;
}

QString idMapsCutWarning()
{
    return QStringLiteral("HW-P04 V2.0版本以下只可下载4条ID映射指令,多余的ID映射指令将不会下载到网关中");
}

QByteArray keepAliveFrame(const CAdvance &advance)
{
    Outgoing out(Block::KeepAliveSize);
    out.be32(0, Block::KeepAliveWriteCode);
    out.be32(4, 8);
    out.u8(11, advance.m_keepAlive ? 1 : 0);
    out.be32(12, static_cast<uint32_t>(advance.m_aliveTime * 100)); // low 32 bits
    return out.bytes();
}

} // namespace BlockWriter
