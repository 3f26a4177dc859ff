// Device search, list refresh and hand-over of the main window.
#include "app/mainwindow.h"

void MainWindow::on_bt_Search_clicked() {}
void MainWindow::clientMessage() {}
void MainWindow::Slot_ClearWidget(QVector<CEquipment *>) {}
