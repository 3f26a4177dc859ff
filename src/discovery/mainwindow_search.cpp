// Device search, list refresh and hand-over of the main window.
#include "app/mainwindow.h"

#include "config/globals.h"
#include "discovery/deviceprobe.h"
#include "discovery/dialog_setip.h"
#include "discovery/wait.h"
#include "ui_mainwindow.h"

#include <QHeaderView>
#include <QTableWidget>

namespace {

constexpr int BlankRows = 10;

} // namespace

void MainWindow::on_bt_Search_clicked()
{
    QTableWidget *table = ui->tableWidget;
    clearEquipment();
    forgetSelection();
    table->setRowCount(0);
    table->setRowCount(m_equipmentList.size() + BlankRows);

    const QList<QHostAddress> addresses = DeviceSearch::localAddresses();
    m_localAddrCount = addresses.size();
    if (m_localAddrCount == 0)
        return;
    const int bound = m_search.open(addresses);
    if (bound > 0) {
        Wait wait(this, m_localAddrCount);
        wait.show();
        wait.exec();
    }
    for (const CEquipment &found : m_search.found())
        m_equipmentList.append(new CEquipment(found));
    m_search.close();
    if (bound == 0)
        return;

    if (!m_equipmentList.isEmpty()) {
        table->setRowCount(m_equipmentList.size() + BlankRows);
        fillTable();
    } else {
        table->horizontalHeader()->setStretchLastSection(true);
        table->setRowCount(BlankRows);
    }
    table->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
}

void MainWindow::forgetSelection()
{
    m_selectedRow = -1;
    m_clickList1Item1 = m_clickList1Item2 = -1;
    // Save keeps its state: it saves the current configuration, which a new
    // list leaves as it is.
    for (QPushButton *button : {ui->bt_Configure, ui->bt_Locate, ui->bt_Remotely_reset})
        setBtStatus(button, false);
}

void MainWindow::clientMessage()
{
    const DeviceProbe::Answers answers =
        DeviceProbe::read(m_refreshSocket, m_selectedRow + 1, DeviceProbe::LongerDatagram::Cut);
    if (!answers.sender.isNull()) {
        m_peerAddr = answers.sender;
        m_peerPort = answers.senderPort;
    }
    CEquipment *entry = selectedEquipment();
    if (!entry || answers.devices.isEmpty())
        return;
    *entry = answers.devices.last();
    // Redrawn once for all the answers read, so the table never shows other
    // values than the list; per answer, a gateway repeating itself would
    // freeze the window redrawing every row again and again.
    fillTable();
}

void MainWindow::Slot_ClearWidget(QVector<CEquipment *> records)
{
    QTableWidget *table = ui->tableWidget;
    table->setRowCount(0);
    clearEquipment();
    forgetSelection();
    table->setRowCount(BlankRows);
    if (!records.isEmpty() && records.first())
        m_equipmentList.append(new CEquipment(*records.first()));
    table->setRowCount(m_equipmentList.size() + BlankRows);
    fillTable();
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    if (m_ipSearchDialog)
        m_ipSearchDialog->close();
}
