#include "editor/dialog_save.h"

#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "ui_dialog_save.h"

Dialog_Save::Dialog_Save(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Dialog_Save)
{
    ui->setupUi(this);
    setFixedSize(344, 147);
    setWindowTitle(Msg::productTitle());
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    const QFont font = DialogLook::timesFont();
    for (QWidget *widget : {static_cast<QWidget *>(ui->label), static_cast<QWidget *>(ui->bt_yes),
                            static_cast<QWidget *>(ui->bt_no)})
        widget->setFont(font);
    DialogLook::centreOnDesktop(this);
}

Dialog_Save::~Dialog_Save()
{
    delete ui;
}

void Dialog_Save::on_bt_yes_clicked()
{
    hide();
    emit signal_download();
    close();
}

void Dialog_Save::on_bt_no_clicked()
{
    close();
}
