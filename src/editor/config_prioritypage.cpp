// Page "#Priority Control" of the editor: the masters and requests served first.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "ui_config.h"

#include <algorithm>

namespace {

constexpr int kPriorityRows = 100;

bool hasPrioritySwitches(int code)
{
    return code == 30103 || code == 30203;
}

} // namespace

void Config::OnSetActive_page6()
{
    m_selMaster = -1;
    m_selRequest = -1;
    if (!pConfigure)
        return;
    const bool master = isMasterMode(g_commMode);

    if (master) {
        for (QCheckBox *box : {ui->checkBox_2, ui->checkBox_3, ui->checkBox_4, ui->checkBox_5})
            box->setChecked(false);
        ui->lineEdit_slaveid6->clear();
        ui->lineEdit_functioncode6->clear();
        ui->frame_17->clearEdit();

        for (QWidget *widget : {static_cast<QWidget *>(ui->checkBox_2), static_cast<QWidget *>(ui->checkBox_3),
                                static_cast<QWidget *>(ui->checkBox_4), static_cast<QWidget *>(ui->checkBox_5),
                                static_cast<QWidget *>(ui->lineEdit_SerialPort6),
                                static_cast<QWidget *>(ui->lineEdit_slaveid6),
                                static_cast<QWidget *>(ui->lineEdit_functioncode6)})
            widget->setEnabled(false);
        setFrameLook(ui->frame_16, false);
        ui->frame_17->setIPCtrlEnabled(false);
        for (QPushButton *button : {ui->bt_MasterAdd, ui->bt_MasterModify, ui->bt_MasterDelete,
                                    ui->bt_RequestAdd, ui->bt_RequestModify, ui->bt_RequestDelete})
            setBtStatus(button, false);
    } else {
        ui->checkBox_2->setChecked(!pConfigure->m_masters.isEmpty());
        ui->checkBox_3->setChecked(!pConfigure->m_requests.isEmpty());
        if (pConfigure->m_requests.isEmpty()) {
            ui->checkBox_4->setChecked(false);
            ui->checkBox_5->setChecked(false);
        }
        ui->checkBox_2->setEnabled(true);
        ui->checkBox_3->setEnabled(true);

        const bool masters = ui->checkBox_2->isChecked();
        ui->frame_17->setIPCtrlEnabled(masters);
        setFrameLook(ui->frame_16, masters);
        for (QPushButton *button : {ui->bt_MasterAdd, ui->bt_MasterModify, ui->bt_MasterDelete})
            setBtStatus(button, masters);

        const bool requests = ui->checkBox_3->isChecked();
        ui->checkBox_4->setEnabled(requests);
        ui->checkBox_5->setEnabled(requests);
        ui->lineEdit_slaveid6->setEnabled(requests && ui->checkBox_4->isChecked());
        ui->lineEdit_functioncode6->setEnabled(requests && ui->checkBox_5->isChecked());
        for (QPushButton *button : {ui->bt_RequestAdd, ui->bt_RequestModify, ui->bt_RequestDelete})
            setBtStatus(button, requests);
    }

    m_masterCount = pConfigure->m_masters.size();
    m_requestCount = pConfigure->m_requests.size();
    ui->pag6_Master->setRowCount(0);
    ui->pag6_Master->setRowCount(std::max(kPriorityRows, m_masterCount));
    for (int i = 0; i < m_masterCount; ++i) {
        ui->pag6_Master->setItem(i, 0, centredItem(QString::number(i + 1)));
        ui->pag6_Master->setItem(i, 1, centredItem(master ? QStringLiteral("Modbus") : QStringLiteral("Modbus TCP")));
        ui->pag6_Master->setItem(i, 2, centredItem(pConfigure->m_masters.at(i)->m_ip));
    }
    ui->pag6_Request->setRowCount(0);
    ui->pag6_Request->setRowCount(std::max(kPriorityRows, m_requestCount));
    for (int i = 0; i < m_requestCount; ++i) {
        const CSpecifiedRequest &request = *pConfigure->m_requests.at(i);
        ui->pag6_Request->setItem(i, 0, centredItem(QString::number(i + 1)));
        ui->pag6_Request->setItem(i, 1, centredItem(request.m_slaveIdOn ? request.m_slaveId : QString()));
        ui->pag6_Request->setItem(i, 2, centredItem(request.m_functionOn ? request.m_functionCode : QString()));
    }

    if (!hasPrioritySwitches(modelCode())) {
        ui->checkBox_2->setEnabled(false);
        ui->checkBox_3->setEnabled(false);
    }
}

void Config::on_checkBox_2_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_3_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_4_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_5_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_lineEdit_slaveid6_editingFinished()
{
    // filled by the page's own change
}

void Config::on_lineEdit_functioncode6_editingFinished()
{
    // filled by the page's own change
}

void Config::on_bt_MasterAdd_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_MasterModify_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_MasterDelete_clicked()
{
    // filled by the page's own change
}

void Config::on_pag6_Master_cellClicked(int, int)
{
    // filled by the page's own change
}

void Config::on_pag6_Master_cellActivated(int, int)
{
    // filled by the page's own change
}

void Config::on_bt_RequestAdd_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_RequestModify_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_RequestDelete_clicked()
{
    // filled by the page's own change
}

void Config::on_pag6_Request_cellClicked(int, int)
{
    // filled by the page's own change
}

void Config::on_pag6_Request_cellActivated(int, int)
{
    // filled by the page's own change
}
