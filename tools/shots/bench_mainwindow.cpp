// Start-up harness: the tool's look and main window, ended at the window's
// first paint. Compared with bench-bare by scripts/bench-startup.

#include "firstpaint.h"

#include "app/applook.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    applyApplicationLook(app);
    MainWindow window;
    // Only the window is measured; its host look-up would leave the machine.
    window.netTimer()->stop();
    FirstPaint watch(clock);
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}
