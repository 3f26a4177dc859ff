#include "cli/configfile.h"

#include "config/configure.h"
#include "config/inffile.h"
#include "messages/messagetable.h"

#include <QFileInfo>

bool ConfigFile::load(const QString &path, QString &error)
{
    QString text;
    InfFile::Status status = InfFile::readFile(path, text);
    if (status == InfFile::Status::CannotOpen) {
        error = QFileInfo::exists(path) ? QStringLiteral("cannot be read") : QStringLiteral("no such file");
        return false;
    }
    InfFile::Loaded file;
    if (status == InfFile::Status::Ok) {
        file = InfFile::load(text);
        status = file.status();
    }
    if (status != InfFile::Status::Ok) {
        error = GetStr(InfFile::messageId(status));
        return false;
    }
    configure = std::move(file.configure);
    commMode = file.read.commMode;
    model = file.scan.modelName;
    return true;
}
