#include "app/applook.h"
#include "app/dialog_help.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zuv-dl-cfg"));
    applyApplicationLook(app);

    // Application modal: the main window created next waits until the guide closes.
    Dialog_help guide;
    if (guide.LoadIni())
        guide.show();

    MainWindow window;
    window.show();
    return app.exec();
}
