#pragma once

#include "config/blockformat.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "support/configfields.h"

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

// A configuration's fields over its model's ports as a file carries them: no
// data bits (always 8), no master's serial binding, a name or password to its blank.
inline QStringList fileFields(const CConfigure &c, int32_t commMode)
{
    QStringList kept;
    for (const QString &line : ConfigFields::describe(c, commMode, Catalogue::serialPorts(c.m_modelCode))) {
        const QString name = line.section(QLatin1Char('='), 0, 0);
        if (name == QLatin1String("name") || name == QLatin1String("password"))
            kept << name + QLatin1Char('=') + firstWord(line.section(QLatin1Char('='), 1));
        else if (!name.endsWith(QLatin1String(".data")) && !name.endsWith(QLatin1String(".serial2")))
            kept << line;
    }
    return kept;
}

// Whatever the tool takes from a gateway it can keep in a file: written, found
// to be of its model and read back, it is the same configuration.
inline void checkFileRoundTrip(const CConfigure &c, int32_t commMode)
{
    const QString text = InfFile::write(c, commMode, Catalogue::discoveryName(c.m_modelCode));
    const InfFile::ModelScan scan = InfFile::scanModel(text);
    FUZZ_CHECK(scan.status == InfFile::Status::Ok && Catalogue::codeForName(scan.modelName) == c.m_modelCode);
    CConfigure b;
    b.m_modelCode = c.m_modelCode;
    const InfFile::ReadResult read = InfFile::read(text, b);
    FUZZ_CHECK(read.status == InfFile::Status::Ok && fileFields(b, read.commMode) == fileFields(c, commMode));
}
