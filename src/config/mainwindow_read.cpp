// Reading the selected gateway's configuration and opening the editor on it.
#include "app/mainwindow.h"

void MainWindow::OnConfigure() {}
bool MainWindow::MyRecvBuf() { return false; }
int MainWindow::RecvPack(unsigned char *) { return -1; }
int MainWindow::RecvPack1(unsigned char *) { return -1; }
void MainWindow::OnProperties(QString, QString) {}
void MainWindow::Show_Configui() {}
