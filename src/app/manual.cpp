#include "app/manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace Manual {

QString fileName()
{
    return QStringLiteral("ZUV-DL-CFG.pdf");
}

QString path(const QString &programDir)
{
    // <prefix>/bin/.. is the prefix, wherever the install was put.
    const QString beside = programDir + QLatin1Char('/') + fileName();
    const QString installed = programDir + QStringLiteral("/../share/doc/zuv-dl-cfg/") + fileName();
    for (const QString &candidate : {beside, installed}) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return beside;
}

void open()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path(QCoreApplication::applicationDirPath())));
}

} // namespace Manual
