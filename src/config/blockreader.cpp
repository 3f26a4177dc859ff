#include "config/blockreader.h"

#include "config/blockformat.h"
#include "config/configure.h"
#include "config/ipv4text.h"
#include "config/modelcatalogue.h"

#include <algorithm>
#include <limits>

namespace {

// Received bytes with bounds-checked access: whatever lies past the end reads
// as zero, so a short block can never make the parser read foreign memory.
class Received
{
public:
    explicit Received(const QByteArray &bytes) : m_bytes(bytes) {}

    int64_t size() const { return m_bytes.size(); }

    bool holds(int64_t offset, int64_t width) const
    {
        return offset >= 0 && width >= 0 && offset <= size() && width <= size() - offset;
    }

    uint8_t u8(int64_t offset) const
    {
        return holds(offset, 1) ? static_cast<uint8_t>(m_bytes.at(static_cast<int>(offset))) : 0;
    }

    uint32_t be32(int64_t offset) const
    {
        return (uint32_t(u8(offset)) << 24) | (uint32_t(u8(offset + 1)) << 16)
            | (uint32_t(u8(offset + 2)) << 8) | uint32_t(u8(offset + 3));
    }

    bool allOnes(int64_t offset) const { return be32(offset) == 0xFFFFFFFFu; }

    // The address at `offset`; the all-ones address gives `replacement`.
    QString address(int64_t offset, const QString &replacement) const
    {
        if (allOnes(offset))
            return replacement;
        const unsigned char bytes[4] = {u8(offset), u8(offset + 1), u8(offset + 2), u8(offset + 3)};
        return Ipv4::fromBytes(bytes);
    }

    // A fixed-width Latin-1 field, up to its first zero byte.
    QString text(int64_t offset, int width) const
    {
        QByteArray chars;
        for (int i = 0; i < width; ++i) {
            const uint8_t c = u8(offset + i);
            if (c == 0)
                break;
            chars.append(static_cast<char>(c));
        }
        return QString::fromLatin1(chars);
    }

private:
    const QByteArray &m_bytes;
};

const QString kAnyAddress = QStringLiteral("0.0.0.0");

int32_t baudIndex(uint32_t rate)
{
    switch (rate) {
    case 1200: return 0;
    case 2400: return 1;
    case 4800: return 2;
    case 19200: return 4;
    case 38400: return 5;
    case 57600: return 6;
    case 115200: return 7;
    case 230400: return 8;
    default: return 3; // 9600
    }
}

int32_t slaveIdByte(uint8_t value)
{
    return value <= 247 ? value : 0;
}

void readCommon(const Received &in, CConfigure &c, BlockReader::Result &result)
{
    const uint8_t mode = in.u8(11);
    result.commMode = (mode >= 1 && mode <= 3) ? mode : 0;
    c.m_name = in.text(12, Block::NameWidth);
    const uint32_t ipMode = in.be32(32);
    c.m_ipMode = ipMode < 3 ? static_cast<int32_t>(ipMode) : 1;
    c.m_ip = in.address(36, QStringLiteral("192.168.0.10"));
    c.m_mask = in.address(40, QStringLiteral("255.255.255.0"));
    c.m_gateway = in.address(44, QStringLiteral("192.168.0.1"));
    c.m_dns1 = in.address(48, kAnyAddress);
    c.m_dns2 = in.address(52, kAnyAddress);
}

void readSerial(const Received &in, int64_t offset, CSerialPort &port, bool onlyBaud)
{
    port.m_baudRate = baudIndex(in.be32(offset));
    if (onlyBaud) {
        // The one-port fixed-layout model has no second line; its settings are noise.
        port.m_dataBits = 0;
        port.m_parityCheck = 0;
        port.m_stopBit = 0;
        return;
    }
    port.m_dataBits = in.u8(offset + 4);
    const uint8_t parity = in.u8(offset + 5);
    port.m_parityCheck = parity <= 4 ? parity : 0;
    const uint8_t stop = in.u8(offset + 6);
    port.m_stopBit = (stop == 1 || stop == 2) ? stop - 1 : 0;
}

void readTiming(const Received &in, int64_t offset, CSerialPort &port)
{
    const uint32_t interval = in.be32(offset);
    const uint32_t timeout = in.be32(offset + 4);
    const uint32_t delay = in.be32(offset + 8);
    port.m_charInterval = (interval >= 1 && interval <= 30000) ? static_cast<int32_t>(interval) : 1;
    port.m_respTimeout = (timeout >= 300 && timeout <= 60000) ? static_cast<int32_t>(timeout) : 300;
    port.m_delayPolls = delay <= 60000 ? static_cast<int32_t>(delay) : 0;
}

CIDMap *readIdMap(const Received &in, int64_t offset, bool fixed)
{
    auto *m = new CIDMap;
    m->m_ip = in.address(offset, kAnyAddress);
    m->m_port = QString::number(in.be32(offset + 4));
    const uint32_t index = in.be32(offset + 8);
    if (fixed)
        m->m_serialIndex = index == 1 ? 1 : 0;
    else
        m->m_serialIndex = (index >= 1 && index <= 15) ? static_cast<int32_t>(index) : 0;
    m->m_idMin = slaveIdByte(in.u8(offset + 12));
    m->m_idMax = slaveIdByte(in.u8(offset + 13));
    if (m->m_idMax < m->m_idMin) {
        m->m_idMin = 0;
        m->m_idMax = 0;
    }
    m->m_negative = in.u8(offset + 14) == 1;
    m->m_offset = slaveIdByte(in.u8(offset + 15));
    return m;
}

CSpecifiedMaster *readMaster(const Received &in, int64_t offset)
{
    auto *m = new CSpecifiedMaster;
    m->m_ip = in.address(offset, kAnyAddress);
    m->m_serial2 = in.be32(offset + 4) == 1;
    return m;
}

CSpecifiedRequest *readRequest(const Received &in, int64_t offset)
{
    auto *r = new CSpecifiedRequest;
    r->m_slaveIdOn = in.u8(offset) == 1;
    r->m_slaveId = QString::number(in.u8(offset + 1));
    r->m_functionOn = in.u8(offset + 2) == 1;
    const uint8_t code = in.u8(offset + 3);
    const bool known = (code >= 1 && code <= 6) || code == 15 || code == 16;
    r->m_functionCode = known ? QString::number(code) : QStringLiteral("1");
    return r;
}

// Appends up to `count` entries of `width` bytes from `first` on; an entry
// that would reach past the received bytes ends the list.
template<typename T, typename ReadEntry>
void readList(const Received &in, int64_t first, int64_t count, int width, QList<T *> &list, ReadEntry readEntry)
{
    for (int64_t i = 0; i < count; ++i) {
        const int64_t offset = first + i * width;
        if (!in.holds(offset, width))
            break;
        list.append(readEntry(offset));
    }
}

// No list holds more entries than the fixed layout has slots for, whatever
// count a block announces: neither a file nor a write could carry more.
int64_t capped(int64_t announced)
{
    return std::min<int64_t>(announced, Block::FixedEntries);
}

void readTail(const Received &in, int64_t offset, CAdvance &a)
{
    a.m_password = in.text(offset, Block::PasswordWidth);
    const uint32_t port = in.be32(offset + 20);
    a.m_highPort = port == 0 ? QStringLiteral("502") : QString::number(port);
    const uint32_t delay = in.be32(offset + 24);
    a.m_serialDelay = delay <= 65535 ? static_cast<int32_t>(delay) : 0;
    for (int i = 0; i < Block::RangeCount; ++i) {
        const int64_t range = offset + 28 + int64_t(i) * Block::RangeSize;
        if (in.be32(range) != 1) {
            a.m_limitOn[i] = false;
            a.m_limitLow[i].clear();
            a.m_limitHigh[i].clear();
            continue;
        }
        a.m_limitOn[i] = true;
        if (in.allOnes(range + 4) || in.allOnes(range + 8)) {
            a.m_limitLow[i] = kAnyAddress;
            a.m_limitHigh[i] = kAnyAddress;
        } else {
            a.m_limitLow[i] = in.address(range + 4, kAnyAddress);
            a.m_limitHigh[i] = in.address(range + 8, kAnyAddress);
        }
    }
}

void clearLists(CConfigure &c)
{
    clearEntries(c.m_idMaps);
    clearEntries(c.m_masters);
    clearEntries(c.m_requests);
}

} // namespace

namespace BlockReader {

Result readFixed(const QByteArray &block, CConfigure &configure)
{
    Result result;
    if (!Block::startsWithCode(block, Block::ReadCode))
        return result;
    const Received in(block);
    CConfigure &c = configure;
    clearLists(c);
    readCommon(in, c, result);

    readSerial(in, 56, c.m_serial[0], false);
    readSerial(in, 64, c.m_serial[1], c.m_modelCode == 30103);

    readList(in, 76, capped(in.be32(72)), Block::IdMapSize, c.m_idMaps,
             [&](int64_t o) { return readIdMap(in, o, true); });
    readTiming(in, 652, c.m_serial[0]);
    readTiming(in, 664, c.m_serial[1]);
    readList(in, 680, capped(in.be32(676)), Block::MasterSize, c.m_masters,
             [&](int64_t o) { return readMaster(in, o); });
    readList(in, 972, capped(in.be32(968)), Block::RequestSize, c.m_requests,
             [&](int64_t o) { return readRequest(in, o); });
    readTail(in, 1116, c.m_advance);

    result.length = Block::FixedSize;
    result.truncated = in.size() < Block::FixedSize;
    return result;
}

Result readPacked(const QByteArray &block, CConfigure &configure)
{
    Result result;
    if (!Block::startsWithCode(block, Block::ReadCode))
        return result;
    const Received in(block);
    CConfigure &c = configure;
    clearLists(c);
    readCommon(in, c, result);

    const int ports = Catalogue::serialPorts(c.m_modelCode);
    for (int n = 0; n < ports; ++n)
        readSerial(in, 56 + int64_t(n) * Block::SerialRecordSize, c.m_serial[n], false);

    // Offsets follow the announced counts, even where the block ends earlier
    // or a list is longer than what is taken of it.
    const int64_t p1 = 56 + int64_t(ports) * Block::SerialRecordSize;
    const int64_t idMaps = in.be32(p1);
    readList(in, p1 + 4, capped(idMaps), Block::IdMapSize, c.m_idMaps,
             [&](int64_t o) { return readIdMap(in, o, false); });
    const int64_t p2 = p1 + 4 + idMaps * Block::IdMapSize;
    for (int n = 0; n < ports; ++n)
        readTiming(in, p2 + int64_t(n) * Block::TimingRecordSize, c.m_serial[n]);
    const int64_t p3 = p2 + int64_t(ports) * Block::TimingRecordSize;
    const int64_t masters = in.be32(p3);
    readList(in, p3 + 4, capped(masters), Block::MasterSize, c.m_masters,
             [&](int64_t o) { return readMaster(in, o); });
    const int64_t p4 = p3 + 4 + masters * Block::MasterSize;
    const int64_t requests = in.be32(p4);
    readList(in, p4 + 4, capped(requests), Block::RequestSize, c.m_requests,
             [&](int64_t o) { return readRequest(in, o); });
    const int64_t p5 = p4 + 4 + requests * Block::RequestSize;
    readTail(in, p5, c.m_advance);

    const int64_t length = p5 + Block::TailSize;
    result.length = static_cast<int>(std::min<int64_t>(length, std::numeric_limits<int>::max()));
    result.truncated = in.size() < length;
    return result;
}

Result read(const QByteArray &block, CConfigure &configure)
{
    if (Catalogue::layout(configure.m_modelCode) == BlockLayout::Fixed)
        return readFixed(block, configure);
    return readPacked(block, configure);
}

bool readKeepAlive(const QByteArray &reply, CAdvance &advance, int modelCode)
{
    if (!Block::startsWithCode(reply, Block::KeepAliveReadCode))
        return false;
    const Received in(reply);
    advance.m_keepAlive = in.u8(11) != 0;
    // The time travels in hundredths of a second, as a signed number; any
    // negative one (also -1..-99, which would truncate to 0) is unset.
    const int32_t hundredths = static_cast<int32_t>(in.be32(12));
    const int32_t seconds = hundredths / 100;
    if (hundredths < 0 || seconds > 65535)
        advance.m_aliveTime = static_cast<uint64_t>(Catalogue::byCode(modelCode).defaultAliveTime);
    else
        advance.m_aliveTime = static_cast<uint64_t>(seconds);
    return true;
}

} // namespace BlockReader
