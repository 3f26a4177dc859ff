// Any ".inf" file text, loaded as Open loads it: the model pass, then the full
// read into a fresh configuration of the model the file names. A file that reads without error
// is written again, and that file must read back to the same configuration, field by field.
#include "fuzzcheck.h"

#include "config/inffile.h"
#include "support/configfields.h"

#include <QTextCodec>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(InfFile::MaxFileSize))
        return 0;
    // The file is read through a text stream with the system's default codec.
    const QString text = QTextCodec::codecForLocale()->toUnicode(reinterpret_cast<const char *>(data), int(size));
    const InfFile::Loaded file = InfFile::load(text);
    if (file.status() != InfFile::Status::Ok)
        return 0;
    const CConfigure &c = *file.configure;
    FUZZ_CHECK(c.m_idMaps.size() <= 36 && c.m_masters.size() <= 36 && c.m_requests.size() <= 36);
    const InfFile::Loaded back = InfFile::load(InfFile::write(c, file.read.commMode, file.scan.modelName));
    FUZZ_CHECK(back.status() == InfFile::Status::Ok);
    FUZZ_CHECK(ConfigFields::describe(*back.configure, back.read.commMode) == ConfigFields::describe(c, file.read.commMode));
    return 0;
}
