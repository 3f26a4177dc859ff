// Any ".inf" file text: the model pass, then the full read into a fresh
// configuration of the model the file names. A file that reads without error
// is written again, and that file must read back to the same configuration.
#include "fuzzcheck.h"

#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"

#include <QTextCodec>

namespace {

// Every field of a configuration as one text, to compare two of them.
QString dump(const CConfigure &c, int32_t commMode)
{
    QStringList f{QString::number(commMode), c.m_name, QString::number(c.m_ipMode), c.m_ip, c.m_mask, c.m_gateway,
        c.m_dns1, c.m_dns2};
    for (const CSerialPort &p : c.m_serial) {
        for (int32_t v : {p.m_baudRate, p.m_parityCheck, p.m_stopBit, p.m_dataBits, p.m_charInterval, p.m_respTimeout,
                 p.m_delayPolls})
            f << QString::number(v);
    }
    for (const CIDMap *m : c.m_idMaps)
        f << m->m_ip << m->m_port << QString::number(m->m_serialIndex) << QString::number(m->m_idMin)
          << QString::number(m->m_idMax) << QString::number(m->m_negative) << QString::number(m->m_offset);
    f << QStringLiteral("masters");
    for (const CSpecifiedMaster *m : c.m_masters)
        f << m->m_ip << QString::number(m->m_serial2);
    f << QStringLiteral("requests");
    for (const CSpecifiedRequest *r : c.m_requests)
        f << QString::number(r->m_slaveIdOn) << r->m_slaveId << QString::number(r->m_functionOn) << r->m_functionCode;
    const CAdvance &a = c.m_advance;
    f << a.m_password << a.m_highPort << QString::number(a.m_serialDelay) << QString::number(a.m_keepAlive)
      << QString::number(a.m_aliveTime);
    for (int i = 0; i < CAdvance::RangeCount; ++i)
        f << QString::number(a.m_limitOn[i]) << a.m_limitLow[i] << a.m_limitHigh[i];
    return f.join(QLatin1Char('|'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(InfFile::MaxFileSize))
        return 0;
    // The file is read through a text stream with the system's default codec.
    const QString text = QTextCodec::codecForLocale()->toUnicode(reinterpret_cast<const char *>(data), int(size));

    const InfFile::ModelScan scan = InfFile::scanModel(text);
    if (scan.status != InfFile::Status::Ok)
        return 0;
    CConfigure c;
    c.m_modelCode = Catalogue::codeForName(scan.modelName);
    const InfFile::ReadResult read = InfFile::read(text, c);
    FUZZ_CHECK(c.m_idMaps.size() <= InfFile::MaxEntries);
    FUZZ_CHECK(c.m_masters.size() <= InfFile::MaxEntries);
    FUZZ_CHECK(c.m_requests.size() <= InfFile::MaxEntries);
    FUZZ_CHECK(read.commMode >= 0 && read.commMode <= 3);
    if (read.status != InfFile::Status::Ok)
        return 0;

    const QString written = InfFile::write(c, read.commMode, scan.modelName);
    const InfFile::ModelScan again = InfFile::scanModel(written);
    FUZZ_CHECK(again.status == InfFile::Status::Ok);
    CConfigure back;
    back.m_modelCode = c.m_modelCode;
    const InfFile::ReadResult reread = InfFile::read(written, back);
    FUZZ_CHECK(reread.status == InfFile::Status::Ok);
    FUZZ_CHECK(dump(back, reread.commMode) == dump(c, read.commMode));
    return 0;
}
