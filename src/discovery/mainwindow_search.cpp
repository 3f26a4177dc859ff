// Device search, list refresh and hand-over of the main window.
#include "app/mainwindow.h"

#include "config/globals.h"
#include "discovery/deviceprobe.h"
#include "discovery/dialog_setip.h"
#include "discovery/discoveryanswer.h"
#include "discovery/wait.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QHeaderView>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTableWidget>

namespace {

// Room for a burst of answers from a large installation arriving at once.
constexpr int SearchReceiveBuffer = 4 * 1024 * 1024;
constexpr int BlankRows = 10;

} // namespace

void MainWindow::on_bt_Search_clicked()
{
    QTableWidget *table = ui->tableWidget;
    clearEquipment();
    forgetSelection();
    table->setRowCount(0);
    table->setRowCount(m_equipmentList.size() + BlankRows);

    m_localAddrCount = 0;
    QStringList addresses;
    const QList<QHostAddress> all = QNetworkInterface::allAddresses();
    for (const QHostAddress &address : all) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address == QHostAddress(QHostAddress::LocalHost))
            continue;
        if (addresses.size() == MaxLocalAddresses)
            break;
        addresses << address.toString();
    }
    m_localAddrCount = addresses.size();
    if (m_localAddrCount == 0)
        return;

    int bound = 0;
    for (int i = 0; i < m_localAddrCount; ++i) {
        m_destPort = Discovery::Port;
        m_destAddr = QHostAddress::Broadcast;
        m_peerPort = 0;
        m_peerAddr = QHostAddress(addresses[i]);
        QUdpSocket &socket = m_searchSockets[i];
        socket.abort();
        if (!socket.bind(m_peerAddr, m_peerPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
            qDebug() << "search: bind failed on" << addresses[i] << socket.errorString();
            continue;
        }
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, SearchReceiveBuffer);
        ++bound;
    }

    if (bound > 0) {
        Wait wait(this, m_localAddrCount);
        wait.show();
        wait.exec();
    }

    for (int i = 0; i < m_localAddrCount; ++i)
        m_searchSockets[i].close();
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
    EnableMyButton(false);
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
