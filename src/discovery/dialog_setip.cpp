#include "discovery/dialog_setip.h"

#include "app/accessiblenames.h"
#include "app/myipctrl.h"
#include "config/globals.h"
#include "discovery/deviceprobe.h"
#include "discovery/discoveryanswer.h"
#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_dialog_setip.h"

#include <QCloseEvent>
#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QUdpSocket>

Dialog_SetIP::Dialog_SetIP(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_Dialog_SetIP)
{
    ui->setupUi(this);
    setFixedSize(300, 120);
    setWindowTitle(QStringLiteral("Search Equipment By IP"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    AccessibleNames::set(ui->frame_3, GetStr(1021)); // "IP Address"

    const QFont font = DialogLook::timesFont();
    setFont(font);
    for (QWidget *w : findChildren<QWidget *>()) {
        if (qobject_cast<QPushButton *>(w) || qobject_cast<QLabel *>(w))
            w->setFont(font);
    }
    DialogLook::centreOnDesktop(this);
}

Dialog_SetIP::~Dialog_SetIP()
{
    delete ui;
}

void Dialog_SetIP::releaseSocket()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->close();
    // Also called from within the socket's own readyRead handling.
    m_socket->deleteLater();
    m_socket = nullptr;
}

void Dialog_SetIP::closeEvent(QCloseEvent *event)
{
    // A closed dialog waits for nothing: a late answer must not replace the
    // device list, nor may the port stay taken from the list refresh.
    releaseSocket();
    QWidget::closeEvent(event);
}

void Dialog_SetIP::on_bt_ok_clicked()
{
    g_appointIpAddr = ui->frame_3->getIP();
    if (g_appointIpAddr.isEmpty() || g_appointIpAddr.split(QLatin1Char('.')).size() != 4) {
        Msg::warn(this, QStringLiteral("Please enter the correct IP address."));
        g_appointIpAddr.clear();
        ui->frame_3->clearEdit();
        return;
    }

    m_records.clear();
    releaseSocket();
    // A child, so that a socket let go while the event loop is not running is
    // still deleted with the dialog.
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, &Dialog_SetIP::clientMessage);

    if (!DeviceProbe::bind(*m_socket)) {
        Msg::warn(this, QStringLiteral("Failed to Bind %1:%2,Please confirm whether the IP address is correct.")
                            .arg(QHostAddress(QHostAddress::AnyIPv4).toString())
                            .arg(LocalPort));
        close();
        return;
    }
    if (!DeviceProbe::ask(*m_socket, g_appointIpAddr)) {
        Msg::warn(this, QStringLiteral("Failed to Write Data To %1:%2,Please confirm whether the IP address is correct.")
                            .arg(g_appointIpAddr)
                            .arg(Discovery::Port));
        close();
    }
}

void Dialog_SetIP::on_bt_cancel_clicked()
{
    ui->frame_3->clearEdit();
    close();
}

void Dialog_SetIP::clientMessage()
{
    if (m_socket) {
        const DeviceProbe::Answers answers = DeviceProbe::read(*m_socket, 1, DeviceProbe::LongerDatagram::Refused);
        if (!answers.devices.isEmpty())
            m_records = {answers.devices.last()};
    }

    ui->frame_3->clearEdit();
    QVector<CEquipment *> handed;
    for (CEquipment &record : m_records)
        handed.append(&record);
    Q_EMIT clearwidget(handed);
}
