#include "app/dialog_help.h"
#include "app/mainwindow.h"
#include "resources/resources.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPalette>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initResources();

    QFile sheet(QStringLiteral(":/image/%1.css").arg(QStringLiteral("navy")));
    if (sheet.open(QFile::ReadOnly)) {
        QByteArray bytes = sheet.readAll();
        const int end = bytes.indexOf('\0');
        if (end >= 0)
            bytes.truncate(end);
        app.setStyleSheet(QString::fromLatin1(bytes));
    }
    app.setPalette(QPalette(QColor(QStringLiteral("#F0F0F0"))));
    app.setWindowIcon(QIcon(QStringLiteral(":/image/favicon.ico")));

    // Application modal: the main window created next waits until the guide closes.
    Dialog_help guide;
    if (guide.LoadIni())
        guide.show();

    MainWindow window;
    window.show();
    return app.exec();
}
