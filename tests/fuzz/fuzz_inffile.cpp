// Any ".inf" file text: the model pass, then the full read into a fresh
// configuration of the model the file names. A file that reads without error
// is written again, and that file must read back to the same configuration, field by field.
#include "fuzzcheck.h"

#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "support/configfields.h"

#include <QTextCodec>

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
    FUZZ_CHECK(c.m_idMaps.size() <= 36 && c.m_masters.size() <= 36 && c.m_requests.size() <= 36);
    if (read.status != InfFile::Status::Ok)
        return 0;
    const QString written = InfFile::write(c, read.commMode, scan.modelName);
    FUZZ_CHECK(InfFile::scanModel(written).status == InfFile::Status::Ok);
    CConfigure back;
    back.m_modelCode = c.m_modelCode;
    const InfFile::ReadResult reread = InfFile::read(written, back);
    FUZZ_CHECK(reread.status == InfFile::Status::Ok);
    FUZZ_CHECK(ConfigFields::describe(back, reread.commMode) == ConfigFields::describe(c, read.commMode));
    return 0;
}
