#include "app/applook.h"

#include "resources/resources.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPalette>

QString styleSheetText(const QByteArray &bytes)
{
    const int end = bytes.indexOf('\0');
    return QString::fromLatin1(end >= 0 ? bytes.left(end) : bytes);
}

void applyApplicationLook(QApplication &app, const QString &sheetName)
{
    initResources();
    // Without the sheet the default look stays.
    QFile sheet(QStringLiteral(":/image/%1.css").arg(sheetName));
    if (sheet.open(QFile::ReadOnly))
        app.setStyleSheet(styleSheetText(sheet.readAll()));
    app.setPalette(QPalette(QColor(QStringLiteral("#F0F0F0"))));
    app.setWindowIcon(QIcon(QStringLiteral(":/image/favicon.ico")));
}
