#include "blockchecks.h"
#include "fuzzcheck.h"

#include "config/blockformat.h"
#include "config/configure.h"

#include <QStringList>

namespace {

bool isNumberIn(const QString &text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= low && value <= high && text == QString::number(value);
}

bool isFieldText(const QString &text)
{
    return text.size() <= 20 && !text.contains(QChar(0));
}

void checkSerial(const CSerialPort &p)
{
    FUZZ_CHECK(p.m_baudRate >= 0 && p.m_baudRate <= 8);
    FUZZ_CHECK(p.m_parityCheck >= 0 && p.m_parityCheck <= 4);
    FUZZ_CHECK(p.m_stopBit == 0 || p.m_stopBit == 1);
    FUZZ_CHECK(p.m_dataBits >= 0 && p.m_dataBits <= 255);
    FUZZ_CHECK(p.m_charInterval >= 1 && p.m_charInterval <= 30000);
    FUZZ_CHECK(p.m_respTimeout >= 300 && p.m_respTimeout <= 60000);
    FUZZ_CHECK(p.m_delayPolls >= 0 && p.m_delayPolls <= 60000);
}

} // namespace

void checkParsedBlock(const QByteArray &block, const CConfigure &c, int ports, bool fixedLayout)
{
    FUZZ_CHECK(isFieldText(c.m_name));
    FUZZ_CHECK(c.m_ipMode >= 0 && c.m_ipMode <= 2);
    for (const QString *address : {&c.m_ip, &c.m_mask, &c.m_gateway, &c.m_dns1, &c.m_dns2})
        FUZZ_CHECK(isDottedQuad(*address) && *address != QLatin1String("255.255.255.255"));
    for (int n = 0; n < ports; ++n)
        checkSerial(c.m_serial[n]);

    // No entry is taken that did not arrive whole: the end of the last entry
    // kept lies inside the bytes received. In the packed layout each list
    // starts at least where the entries kept before it end.
    const qint64 received = block.size();
    const qint64 idMaps = c.m_idMaps.size();
    const qint64 masters = c.m_masters.size();
    const qint64 requests = c.m_requests.size();
    qint64 idMapsEnd, mastersEnd, requestsEnd;
    if (fixedLayout) {
        FUZZ_CHECK(idMaps <= Block::FixedEntries && masters <= Block::FixedEntries && requests <= Block::FixedEntries);
        idMapsEnd = 76 + idMaps * Block::IdMapSize;
        mastersEnd = 680 + masters * Block::MasterSize;
        requestsEnd = 972 + requests * Block::RequestSize;
    } else {
        const qint64 serial = Block::CommonSize + qint64(ports) * Block::SerialRecordSize;
        idMapsEnd = serial + 4 + idMaps * Block::IdMapSize;
        mastersEnd = idMapsEnd + qint64(ports) * Block::TimingRecordSize + 4 + masters * Block::MasterSize;
        requestsEnd = mastersEnd + 4 + requests * Block::RequestSize;
    }
    FUZZ_CHECK(idMaps == 0 || idMapsEnd <= received);
    FUZZ_CHECK(masters == 0 || mastersEnd <= received);
    FUZZ_CHECK(requests == 0 || requestsEnd <= received);

    for (const CIDMap *m : c.m_idMaps) {
        FUZZ_CHECK(isDottedQuad(m->m_ip));
        FUZZ_CHECK(isNumberIn(m->m_port, 0, 0xFFFFFFFFll));
        FUZZ_CHECK(m->m_serialIndex >= 0 && m->m_serialIndex <= (fixedLayout ? 1 : 15));
        FUZZ_CHECK(m->m_idMin >= 0 && m->m_idMin <= m->m_idMax && m->m_idMax <= 247);
        FUZZ_CHECK(m->m_offset >= 0 && m->m_offset <= 247);
    }
    for (const CSpecifiedMaster *m : c.m_masters)
        FUZZ_CHECK(isDottedQuad(m->m_ip) && m->m_ip != QLatin1String("255.255.255.255"));
    static const QStringList codes{"1", "2", "3", "4", "5", "6", "15", "16"};
    for (const CSpecifiedRequest *r : c.m_requests) {
        FUZZ_CHECK(isNumberIn(r->m_slaveId, 0, 255));
        FUZZ_CHECK(codes.contains(r->m_functionCode));
    }

    const CAdvance &a = c.m_advance;
    FUZZ_CHECK(isFieldText(a.m_password));
    FUZZ_CHECK(isNumberIn(a.m_highPort, 1, 0xFFFFFFFFll));
    FUZZ_CHECK(a.m_serialDelay >= 0 && a.m_serialDelay <= 65535);
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        if (a.m_limitOn[i]) {
            FUZZ_CHECK(isDottedQuad(a.m_limitLow[i]) && isDottedQuad(a.m_limitHigh[i]));
            FUZZ_CHECK(a.m_limitLow[i] != QLatin1String("255.255.255.255"));
            FUZZ_CHECK(a.m_limitHigh[i] != QLatin1String("255.255.255.255"));
        } else {
            FUZZ_CHECK(a.m_limitLow[i].isEmpty() && a.m_limitHigh[i].isEmpty());
        }
    }
}

void fillWithStaleEntries(CConfigure &c)
{
    c.m_name = QStringLiteral("stale");
    c.m_idMaps.append(new CIDMap);
    c.m_masters.append(new CSpecifiedMaster);
    c.m_requests.append(new CSpecifiedRequest);
}
