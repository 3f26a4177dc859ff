#include "config/selectdevice.h"

#include "app/accessiblenames.h"
#include "config/newconfigure.h"
#include "editor/dialoglook.h"
#include "ui_selectdevice.h"

#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

// Outside any namespace, as the resource registration requires.
static void registerSelectDeviceResources()
{
    Q_INIT_RESOURCE(selectdevice);
}

SelectDevice::SelectDevice(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_SelectDevice)
{
    static const bool registered = (registerSelectDeviceResources(), true);
    Q_UNUSED(registered);

    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(330, 191);
    setWindowTitle(QStringLiteral("Select Device"));
    AccessibleNames::fromLabels(this);

    const QFont font = DialogLook::timesFont();
    for (QWidget *w : findChildren<QWidget *>())
        w->setFont(font);
    ui->label->setPixmap(QPixmap(QStringLiteral(":/image/zuv-cfg.bmp")));
    ui->comboBox->addItems(NewConfigure::offeredModels());
    ui->comboBox->setCurrentIndex(0);
}

SelectDevice::~SelectDevice()
{
    delete ui;
}

void SelectDevice::on_bt_ok_clicked()
{
    if (NewConfigure::install(ui->comboBox->currentText()))
        Q_EMIT Call_Config();
    close();
}

void SelectDevice::on_bt_cancel_clicked()
{
    close();
}
