// Saving the current configuration to an ".inf" file and opening one.
#include "app/mainwindow.h"

void MainWindow::on_bt_Save_clicked() {}
void MainWindow::on_bt_Open_clicked() {}
