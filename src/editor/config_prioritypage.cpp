// Page "#Priority Control" of the editor: the masters and requests served first.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "editor/pagetable.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_config.h"

#include <QHeaderView>

#include <algorithm>

namespace {

constexpr int kPriorityRows = 100;

bool hasPrioritySwitches(int code)
{
    return code == 30103 || code == 30203;
}

void writeMasterRow(QTableWidget *table, int row, const QString &address)
{
    table->setItem(row, 0, Config::centredItem(QString::number(row + 1)));
    table->setItem(row, 1, Config::centredItem(Config::isMasterMode(g_commMode) ? QStringLiteral("Modbus")
                                                                                : QStringLiteral("Modbus TCP")));
    table->setItem(row, 2, Config::centredItem(address));
}

void writeRequestRow(QTableWidget *table, int row, const CSpecifiedRequest &request)
{
    table->setItem(row, 0, Config::centredItem(QString::number(row + 1)));
    table->setItem(row, 1, Config::centredItem(request.m_slaveIdOn ? request.m_slaveId : QString()));
    table->setItem(row, 2, Config::centredItem(request.m_functionOn ? request.m_functionCode : QString()));
}

// The request the form describes, or false when it is incomplete: no filter
// switched on, or nothing typed for the filter that stands alone.
bool requestFromForm(const Ui_Config &ui, CSpecifiedRequest *request)
{
    const QString slaveId = ui.lineEdit_slaveid6->text();
    const QString function = ui.lineEdit_functioncode6->text();
    const bool slaveIdOn = ui.checkBox_4->isChecked();
    const bool functionOn = ui.checkBox_5->isChecked();
    if ((slaveId.isEmpty() && function.isEmpty()) || (!slaveIdOn && !functionOn)
        || (!functionOn && slaveId.isEmpty()) || (!slaveIdOn && function.isEmpty()))
        return false;
    request->m_slaveIdOn = slaveIdOn;
    request->m_slaveId = slaveId;
    request->m_functionOn = functionOn;
    request->m_functionCode = function;
    return true;
}

// A slave ID travels as one byte: digits only, and no more than a byte holds.
bool acceptableSlaveId(const QString &text)
{
    const bool digitsOnly = std::all_of(text.begin(), text.end(),
                                        [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    bool number = false;
    return digitsOnly && text.toInt(&number) <= 255 && number;
}

// The master group follows its "Enable" box; the address control stays off in a master mode.
void updateMasterGroup(Config &editor, const Ui_Config &ui)
{
    const bool on = ui.checkBox_2->isChecked();
    Config::setFrameLook(ui.frame_16, on);
    ui.frame_17->setIPCtrlEnabled(on && !Config::isMasterMode(g_commMode));
    for (QPushButton *button : {ui.bt_MasterAdd, ui.bt_MasterModify, ui.bt_MasterDelete})
        editor.setBtStatus(button, on);
}

// The request group follows its "Enable" box, each field also its own switch.
void updateRequestGroup(Config &editor, const Ui_Config &ui)
{
    const bool on = ui.checkBox_3->isChecked();
    ui.checkBox_4->setEnabled(on);
    ui.checkBox_5->setEnabled(on);
    ui.lineEdit_slaveid6->setEnabled(on && ui.checkBox_4->isChecked());
    ui.lineEdit_functioncode6->setEnabled(on && ui.checkBox_5->isChecked());
    for (QPushButton *button : {ui.bt_RequestAdd, ui.bt_RequestModify, ui.bt_RequestDelete})
        editor.setBtStatus(button, on);
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
        updateMasterGroup(*this, *ui);
        updateRequestGroup(*this, *ui);
    }

    m_masterCount = pConfigure->m_masters.size();
    m_requestCount = pConfigure->m_requests.size();
    ui->pag6_Master->setRowCount(0);
    ui->pag6_Master->setRowCount(std::max(kPriorityRows, m_masterCount));
    for (int i = 0; i < m_masterCount; ++i)
        writeMasterRow(ui->pag6_Master, i, pConfigure->m_masters.at(i)->m_ip);
    ui->pag6_Request->setRowCount(0);
    ui->pag6_Request->setRowCount(std::max(kPriorityRows, m_requestCount));
    for (int i = 0; i < m_requestCount; ++i)
        writeRequestRow(ui->pag6_Request, i, *pConfigure->m_requests.at(i));

    if (!hasPrioritySwitches(modelCode())) {
        ui->checkBox_2->setEnabled(false);
        ui->checkBox_3->setEnabled(false);
    }
}

void Config::on_checkBox_2_stateChanged(int)
{
    updateMasterGroup(*this, *ui);
}

void Config::on_checkBox_3_stateChanged(int)
{
    updateRequestGroup(*this, *ui);
}

void Config::on_checkBox_4_stateChanged(int state)
{
    ui->lineEdit_slaveid6->setEnabled(state == Qt::Checked);
}

void Config::on_checkBox_5_stateChanged(int state)
{
    ui->lineEdit_functioncode6->setEnabled(state == Qt::Checked);
}

void Config::on_lineEdit_slaveid6_editingFinished()
{
    const QString text = ui->lineEdit_slaveid6->text();
    if (text.isEmpty() || acceptableSlaveId(text))
        return;
    // The gateway family's table holds this text for the slave-ID complaint.
    Msg::warn(this, GetStr(5053));
    ui->lineEdit_slaveid6->setText(QStringLiteral("0"));
}

void Config::on_lineEdit_functioncode6_editingFinished()
{
    static const QStringList codes{"1", "2", "3", "4", "5", "6", "15", "16"};
    if (!codes.contains(ui->lineEdit_functioncode6->text()))
        ui->lineEdit_functioncode6->setText(QStringLiteral("1"));
}

void Config::on_bt_MasterAdd_clicked()
{
    if (!pConfigure)
        return;
    if (m_masterCount >= Catalogue::byCode(modelCode()).maxMasters) {
        Msg::warn(this, GetStr(5025));
        return;
    }
    const QString address = PageTable::usableAddress(ui->frame_17);
    if (address.isEmpty()) {
        Msg::warn(this, GetStr(5035));
        return;
    }
    ui->pag6_Master->resizeColumnsToContents();
    writeMasterRow(ui->pag6_Master, m_masterCount, address);
    ++m_masterCount;
    auto *entry = new CSpecifiedMaster;
    entry->m_ip = address;
    entry->m_serial2 = false;
    pConfigure->m_masters.append(entry);
    IsSave = true;
}

void Config::on_bt_MasterModify_clicked()
{
    if (!pConfigure || m_selMaster < 0 || m_selMaster >= pConfigure->m_masters.size())
        return;
    const QString address = PageTable::usableAddress(ui->frame_17);
    if (address.isEmpty()) {
        Msg::warn(this, GetStr(5038));
        return;
    }
    writeMasterRow(ui->pag6_Master, m_selMaster, address);
    CSpecifiedMaster &entry = *pConfigure->m_masters.at(m_selMaster);
    if (entry.m_ip != address)
        IsSave = true;
    entry.m_ip = address;
}

void Config::on_bt_MasterDelete_clicked()
{
    m_selMaster = ui->pag6_Master->currentRow();
    if (!pConfigure || !PageTable::deleteEntry(pConfigure->m_masters, m_selMaster))
        return;
    PageTable::removeNumberedRow(ui->pag6_Master, m_selMaster);
    --m_masterCount;
    m_selMaster = -1;
    IsSave = true;
}

void Config::on_pag6_Master_cellClicked(int row, int)
{
    m_selMaster = row;
}

void Config::on_pag6_Master_cellActivated(int row, int)
{
    if (!pConfigure || row < 0 || row >= pConfigure->m_masters.size())
        return;
    m_selMaster = row;
    if (!isMasterMode(g_commMode))
        showIP(ui->frame_17, pConfigure->m_masters.at(row)->m_ip);
}

void Config::on_bt_RequestAdd_clicked()
{
    CSpecifiedRequest request;
    if (!pConfigure || !requestFromForm(*ui, &request))
        return;
    if (m_requestCount >= Catalogue::byCode(modelCode()).maxRequests) {
        Msg::warn(this, GetStr(5025));
        return;
    }
    ui->pag6_Request->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    writeRequestRow(ui->pag6_Request, m_requestCount, request);
    ++m_requestCount;
    pConfigure->m_requests.append(new CSpecifiedRequest(request));
    IsSave = true;
}

void Config::on_bt_RequestModify_clicked()
{
    CSpecifiedRequest request;
    if (!pConfigure || m_selRequest < 0 || m_selRequest >= pConfigure->m_requests.size()
        || !requestFromForm(*ui, &request))
        return;
    writeRequestRow(ui->pag6_Request, m_selRequest, request);
    CSpecifiedRequest &entry = *pConfigure->m_requests.at(m_selRequest);
    // A switched filter is a change as much as a retyped value.
    if (entry.m_slaveId != request.m_slaveId || entry.m_functionCode != request.m_functionCode
        || entry.m_slaveIdOn != request.m_slaveIdOn || entry.m_functionOn != request.m_functionOn)
        IsSave = true;
    entry = request;
}

void Config::on_bt_RequestDelete_clicked()
{
    m_selRequest = ui->pag6_Request->currentRow();
    if (!pConfigure || !PageTable::deleteEntry(pConfigure->m_requests, m_selRequest))
        return;
    PageTable::removeNumberedRow(ui->pag6_Request, m_selRequest);
    --m_requestCount;
    m_selRequest = -1;
    IsSave = true;
}

void Config::on_pag6_Request_cellClicked(int row, int)
{
    m_selRequest = row;
}

void Config::on_pag6_Request_cellActivated(int row, int)
{
    if (!pConfigure || row < 0 || row >= pConfigure->m_requests.size())
        return;
    m_selRequest = row;
    if (isMasterMode(g_commMode) || !ui->checkBox_3->isChecked())
        return;
    const CSpecifiedRequest &request = *pConfigure->m_requests.at(row);
    ui->checkBox_4->setChecked(request.m_slaveIdOn);
    ui->lineEdit_slaveid6->setEnabled(request.m_slaveIdOn);
    ui->lineEdit_slaveid6->setText(request.m_slaveIdOn ? request.m_slaveId : QString());
    ui->checkBox_5->setChecked(request.m_functionOn);
    ui->lineEdit_functioncode6->setEnabled(request.m_functionOn);
    ui->lineEdit_functioncode6->setText(request.m_functionOn ? request.m_functionCode : QString());
}
