// Start-up baseline: an empty QMainWindow of the same size, ended at its first
// paint, for comparison with bench-mainwindow.

#include "firstpaint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1174, 665);
    FirstPaint watch(clock);
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}
