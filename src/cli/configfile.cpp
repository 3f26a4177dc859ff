#include "cli/configfile.h"

#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
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
    InfFile::ModelScan scanned;
    if (status == InfFile::Status::Ok) {
        scanned = InfFile::scanModel(text);
        status = scanned.status;
    }
    auto fresh = std::make_unique<CConfigure>();
    if (status == InfFile::Status::Ok) {
        fresh->m_modelCode = Catalogue::codeForName(scanned.modelName);
        const InfFile::ReadResult read = InfFile::read(text, *fresh);
        status = read.status;
        commMode = read.commMode;
    }
    if (status != InfFile::Status::Ok) {
        error = GetStr(InfFile::messageId(status));
        return false;
    }
    configure = std::move(fresh);
    model = scanned.modelName;
    return true;
}
