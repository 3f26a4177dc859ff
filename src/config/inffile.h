#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

struct CConfigure;

// The ".inf" configuration file: one "key, TAB(s), value" line per setting in
// a fixed order, keys and value words taken from the message table. The reader
// is positional, as files of earlier versions expect, but tolerates the empty
// values this writer produces, and refuses files whose lists cannot be real.
namespace InfFile {

enum class Status {
    Ok,
    Incorrect, // a scanned key is preceded by two equal tokens in a row
    TooManyEntries, // a list announces more entries than a gateway block can carry
    MissingEntries, // the file holds fewer entries than its lists announce
    TooLarge, // the file is far larger than any configuration file
    CannotOpen,
};

// Most entries of one list that a file may announce: the capacity of the
// fixed block, also the largest limit of any model.
constexpr int MaxEntries = 36;
constexpr qint64 MaxFileSize = 1024 * 1024;

// Message id to show for a status other than Ok and CannotOpen (which stays silent).
unsigned int messageId(Status status);
// Why a file is not written to a gateway of another model than the one it names.
QString modelMismatchText();

// The whole file text for a configuration, its transmission mode and its model name.
QString write(const CConfigure &configure, int32_t commMode, const QString &modelName);

struct ModelScan {
    Status status = Status::Ok;
    QString modelName; // empty when the file names none
};

// The model pass over a file text: the name after "Device_Mode".
ModelScan scanModel(const QString &text);

struct ReadResult {
    Status status = Status::Ok;
    int32_t commMode = 0; // for g_commMode; valid as far as the reading got
};

// Reads a file text into `configure`, a fresh configuration whose m_modelCode
// is already set from the model pass; it fixes the number of serial ports.
// On an error the configuration holds what was read before it.
ReadResult read(const QString &text, CConfigure &configure);

// A file text read as Open reads it: the model pass, then the whole text into
// a fresh configuration of the model it names.
struct Loaded {
    ModelScan scan;
    ReadResult read; // only when the model pass took the file
    std::unique_ptr<CConfigure> configure; // whole only when status() is Ok
    Status status() const { return scan.status != Status::Ok ? scan.status : read.status; }
};
Loaded load(const QString &text);

enum class WriteStatus {
    Written,
    CannotOpen, // nothing was written
    Failed, // opened, but not every byte reached the file
};

// The bytes of a file text, in the system's default codec.
QByteArray encode(const QString &text);

// Thin file helpers around the text functions, using the system's default codec.
WriteStatus writeFile(const QString &path, const QString &text);
Status readFile(const QString &path, QString &text);

// Writes a temporary file beside `path` and renames it into place only when
// every byte reached it, so that `path` holds either its old or its new text.
WriteStatus saveFile(const QString &path, const QString &text);

} // namespace InfFile
