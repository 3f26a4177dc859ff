// Locate and remote reset of the selected gateway.
#include "app/mainwindow.h"

#include "config/gatewayclient.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_mainwindow.h"

void MainWindow::on_bt_Locate_clicked()
{
    const CEquipment *entry = selectedEquipment();
    if (!entry)
        return;
    if (entry->m_status == GetStr(4029)) {
        Msg::warn(this, GetStr(4034));
        return;
    }
    const Outcome done = GatewayClient(m_cmdSocket).locate(entry->m_ip);
    Msg::warnFor(this, done);
    if (!done)
        setBtStatus(ui->bt_CappointIP, true);
}

void MainWindow::on_bt_Remotely_reset_clicked()
{
    const CEquipment *entry = selectedEquipment();
    if (!entry)
        return;
    if (entry->m_status == GetStr(4029)) {
        Msg::warn(this, GetStr(4030));
        return;
    }
    if (Msg::ask(this, GetStr(15001), GetStr(15002), QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    // The question may have waited while the list changed under it.
    entry = selectedEquipment();
    if (!entry)
        return;
    const Outcome done = GatewayClient(m_cmdSocket).restart(entry->m_ip);
    Msg::warnFor(this, done);
    if (!done)
        setBtStatus(ui->bt_CappointIP, true);
}
