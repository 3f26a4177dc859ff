// Locate and remote reset of the selected gateway.
#include "app/mainwindow.h"

void MainWindow::on_bt_Locate_clicked() {}
void MainWindow::on_bt_Remotely_reset_clicked() {}
