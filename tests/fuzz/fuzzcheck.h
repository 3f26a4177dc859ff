#pragma once

#include "config/blockformat.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>

// A property every parse result must keep, whatever bytes came in. A broken
// one aborts, so libFuzzer keeps the input like any crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Four decimal numbers of 0 to 255 joined by dots, as the tool shows an address.
inline bool isDottedQuad(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    for (const QString &part : parts) {
        bool ok = false;
        if (part.toInt(&ok) > 255 || !ok)
            return false;
    }
    return parts.size() == 4;
}

// No entry is taken that did not arrive whole: the end of the last entry kept
// of each list lies inside the bytes received, lists stay within 36 entries,
// and the addresses are ones the editor shows.
inline void checkParsedBlock(const QByteArray &block, const CConfigure &c, int ports, bool fixed)
{
    const qint64 maps = c.m_idMaps.size(), masters = c.m_masters.size(), requests = c.m_requests.size();
    FUZZ_CHECK(maps <= 36 && masters <= 36 && requests <= 36);
    const qint64 serial = Block::CommonSize + qint64(ports) * Block::SerialRecordSize;
    const qint64 mapsEnd = (fixed ? 76 : serial + 4) + maps * Block::IdMapSize;
    const qint64 mastersEnd = (fixed ? 680 : mapsEnd + ports * Block::TimingRecordSize + 4) + masters * Block::MasterSize;
    const qint64 requestsEnd = (fixed ? 972 : mastersEnd + 4) + requests * Block::RequestSize;
    FUZZ_CHECK((maps == 0 || mapsEnd <= block.size()) && (masters == 0 || mastersEnd <= block.size()));
    FUZZ_CHECK(requests == 0 || requestsEnd <= block.size());
    FUZZ_CHECK(c.m_name.size() <= 20 && !c.m_name.contains(QChar(0)));
    for (const QString *address : {&c.m_ip, &c.m_mask, &c.m_gateway, &c.m_dns1, &c.m_dns2})
        FUZZ_CHECK(isDottedQuad(*address) && *address != QLatin1String("255.255.255.255"));
    for (const CIDMap *m : c.m_idMaps)
        FUZZ_CHECK(isDottedQuad(m->m_ip) && m->m_idMin <= m->m_idMax && m->m_idMax <= 247);
}

// The text a file keeps of a name or password: the writer cuts it at the first
// blank, as the editor cuts a typed name, since the reader takes one word per value.
inline QString firstWord(const QString &text)
{
    QString word;
    for (const QChar ch : text) {
        if (!ch.isSpace())
            word += ch;
        else if (!word.isEmpty())
            break;
    }
    return word;
}

// Whatever the tool takes from a gateway it can keep in a file: written, found
// to be of its model and read back, it is the same configuration, field by
// field, except what a file does not carry (data bits, always 8; a master's
// serial binding) and a name or password after a blank.
inline void checkFileRoundTrip(const CConfigure &c, int32_t commMode)
{
    const QString text = InfFile::write(c, commMode, Catalogue::discoveryName(c.m_modelCode));
    const InfFile::ModelScan scan = InfFile::scanModel(text);
    FUZZ_CHECK(scan.status == InfFile::Status::Ok && Catalogue::codeForName(scan.modelName) == c.m_modelCode);
    CConfigure b;
    b.m_modelCode = c.m_modelCode;
    const InfFile::ReadResult read = InfFile::read(text, b);
    FUZZ_CHECK(read.status == InfFile::Status::Ok && read.commMode == commMode);
    FUZZ_CHECK(b.m_name == firstWord(c.m_name) && b.m_ipMode == c.m_ipMode && b.m_ip == c.m_ip && b.m_mask == c.m_mask);
    FUZZ_CHECK(b.m_gateway == c.m_gateway && b.m_dns1 == c.m_dns1 && b.m_dns2 == c.m_dns2);
    for (int n = 0; n < Catalogue::serialPorts(c.m_modelCode); ++n) {
        const CSerialPort &p = c.m_serial[n], &q = b.m_serial[n];
        FUZZ_CHECK(q.m_baudRate == p.m_baudRate && q.m_parityCheck == p.m_parityCheck && q.m_stopBit == p.m_stopBit);
        FUZZ_CHECK(q.m_charInterval == p.m_charInterval && q.m_respTimeout == p.m_respTimeout && q.m_delayPolls == p.m_delayPolls);
    }
    FUZZ_CHECK(b.m_idMaps.size() == c.m_idMaps.size() && b.m_masters.size() == c.m_masters.size()
               && b.m_requests.size() == c.m_requests.size());
    for (int i = 0; i < c.m_idMaps.size(); ++i) {
        const CIDMap &p = *c.m_idMaps[i], &q = *b.m_idMaps[i];
        FUZZ_CHECK(q.m_ip == p.m_ip && q.m_port == p.m_port && q.m_serialIndex == p.m_serialIndex);
        FUZZ_CHECK(q.m_idMin == p.m_idMin && q.m_idMax == p.m_idMax && q.m_negative == p.m_negative && q.m_offset == p.m_offset);
    }
    for (int i = 0; i < c.m_masters.size(); ++i)
        FUZZ_CHECK(b.m_masters[i]->m_ip == c.m_masters[i]->m_ip);
    for (int i = 0; i < c.m_requests.size(); ++i) {
        const CSpecifiedRequest &p = *c.m_requests[i], &q = *b.m_requests[i];
        FUZZ_CHECK(q.m_slaveIdOn == p.m_slaveIdOn && q.m_slaveId == p.m_slaveId);
        FUZZ_CHECK(q.m_functionOn == p.m_functionOn && q.m_functionCode == p.m_functionCode);
    }
    const CAdvance &p = c.m_advance, &q = b.m_advance;
    FUZZ_CHECK(q.m_password == firstWord(p.m_password) && q.m_highPort == p.m_highPort && q.m_serialDelay == p.m_serialDelay);
    FUZZ_CHECK(q.m_keepAlive == p.m_keepAlive && q.m_aliveTime == p.m_aliveTime);
    FUZZ_CHECK(q.m_limitOn == p.m_limitOn && q.m_limitLow == p.m_limitLow && q.m_limitHigh == p.m_limitHigh);
}
