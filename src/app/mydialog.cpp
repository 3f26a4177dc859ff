#include "app/mydialog.h"

#include "editor/dialoglook.h"
#include "resources/resources.h"
#include "ui_mydialog.h"

#include <QLabel>
#include <QPushButton>

MyDialog::MyDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_MyDialog)
{
    initResources();
    ui->setupUi(this);
    setFixedSize(398, 270);
    setWindowTitle(QStringLiteral("About Software ZUV-DL-CFG"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);

    const QFont times = DialogLook::timesFont();
    for (QLabel *label : findChildren<QLabel *>())
        label->setFont(times);
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setFont(times);
    // The logo is shown at its own size, never scaled.
    ui->label_3->setPixmap(QPixmap(QStringLiteral(":/image/logo.png")));
    DialogLook::centreOnDesktop(this);
}

MyDialog::~MyDialog()
{
    delete ui;
}

void MyDialog::on_bt_close_clicked()
{
    close();
}
