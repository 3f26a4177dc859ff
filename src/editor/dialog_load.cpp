#include "editor/dialog_load.h"

#include "config/configure.h"
#include "config/globals.h"
#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_dialog_load.h"

#include <QPointer>

Dialog_Load::Dialog_Load(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Dialog_Load)
{
    ui->setupUi(this);
    setFixedSize(250, 190);
    setWindowTitle(Msg::productTitle());
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    const QFont font = DialogLook::timesFont();
    setFont(font);
    ui->bt_ok->setFont(font);
    ui->bt_cancel->setFont(font);
    DialogLook::centreOnDesktop(this);
}

Dialog_Load::~Dialog_Load()
{
    delete ui;
}

bool Dialog_Load::confirmDhcp()
{
    if (!pConfigure || pConfigure->m_ipMode != 1)
        return true;
    if (Msg::ask(this, Msg::productTitle(), GetStr(9009)) != QMessageBox::Yes)
        return false;
    Msg::warn(this, QStringLiteral("It has been configured to DHCP. When DHCP cannot obtain an IP address, "
                                   "the gateway IP address will be fixed to 192.168.0.10."));
    return true;
}

void Dialog_Load::on_bt_ok_clicked()
{
    // A receiver may close windows while it runs; never touch a deleted dialog.
    QPointer<Dialog_Load> self(this);
    if (ui->rd1->isChecked()) {
        emit signal_save();
        if (self)
            close();
        return;
    }

    if (!confirmDhcp())
        return;
    if (ui->rd3->isChecked()) {
        emit signal_save();
        if (!self)
            return;
    }
    if (m_clickList1Item2 >= 0) {
        emit signal_download();
        if (self)
            close();
        return;
    }
    Msg::warn(this, GetStr(4311));
}

void Dialog_Load::on_bt_cancel_clicked()
{
    close();
}
