#include "app/mainwindow.h"

#include "ui_mainwindow.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow_1)
{
    ui->setupUi(this);
}

MainWindow::~MainWindow()
{
    clearEquipment();
    delete ui;
}

void MainWindow::clearEquipment()
{
    qDeleteAll(m_equipmentList);
    m_equipmentList.clear();
}

void MainWindow::fillTable() {}
CEquipment *MainWindow::selectedEquipment() const
{
    return m_selectedRow >= 0 && m_selectedRow < m_equipmentList.size() ? m_equipmentList[m_selectedRow] : nullptr;
}
void MainWindow::EnableMyButton(bool) {}
int MainWindow::IPV4StringToInteger(const QString &) { return 0; }
void MainWindow::setBtStatus(QPushButton *, bool) {}
void MainWindow::on_action_trigered() {}
void MainWindow::onTimeout() {}
void MainWindow::onLookupHost(const QHostInfo &) {}
void MainWindow::on_bt_CappointIP_clicked() {}
void MainWindow::on_tableWidget_cellClicked(int, int) {}
void MainWindow::on_bt_New_clicked() {}
void MainWindow::on_bt_Communicate_clicked() {}
void MainWindow::on_tableWidget_cellDoubleClicked(int, int) {}
void MainWindow::on_bt_Configure_clicked() {}
void MainWindow::on_bt_Exit_clicked() {}
void MainWindow::on_toolButton_clicked() {}
void MainWindow::on_toolButton_2_clicked() {}
void MainWindow::on_toolButton_3_clicked() {}
void MainWindow::on_bt_Help_clicked() {}
bool MainWindow::eventFilter(QObject *watched, QEvent *event) { return QMainWindow::eventFilter(watched, event); }
