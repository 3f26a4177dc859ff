#include "config/dialog_password.h"

#include "app/accessiblenames.h"
#include "config/frames.h"
#include "config/gatewayclient.h"
#include "config/globals.h"
#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_dialog_password.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTcpSocket>

Dialog_Password::Dialog_Password(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Dialog_Password)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(304, 169);
    setWindowTitle(GetStr(7003));
    ui->label->setText(GetStr(7004));
    AccessibleNames::fromLabels(this);
    ui->bt_ok->setText(GetStr(7005));
    ui->bt_cancel->setText(GetStr(7006));
    const QFont font = DialogLook::timesFont();
    for (QWidget *w : {static_cast<QWidget *>(ui->label), static_cast<QWidget *>(ui->bt_ok),
                       static_cast<QWidget *>(ui->bt_cancel)})
        w->setFont(font);
    ui->lineEdit->setEchoMode(QLineEdit::Password);
    ui->lineEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[a-zA-Z0-9]+$")), ui->lineEdit));
    ui->lineEdit->clear();
}

Dialog_Password::~Dialog_Password()
{
    delete ui;
}

void Dialog_Password::on_bt_ok_clicked()
{
    const QString typed = ui->lineEdit->text();
    if (typed.isEmpty() || typed.size() > Frames::MaxPasswordLength) {
        Msg::warn(this, QStringLiteral("Incorrect Password Length!"));
        return;
    }
    if (g_appointIpAddr.isEmpty() || g_appointIpAddr.split(QLatin1Char('.')).size() != 4) {
        Msg::warn(this, QStringLiteral("Incorrect IP Address!"));
        return;
    }

    g_recvbuf.fill(0);
    GatewayClient client(g_Server());
    Outcome done = client.connectTo(g_appointIpAddr, GatewayClient::Purpose::Password);
    QByteArray reply;
    if (done) {
        Password = typed;
        done = client.sendPassword(typed, GatewayClient::PasswordSource::Typed, reply);
    }
    if (!done) {
        // The dialog stays open for another try.
        Msg::warnFor(this, done);
        client.close();
        return;
    }
    std::copy(reply.begin(), reply.end(), g_recvbuf.begin());
    m_result = true;
    accept();
}

void Dialog_Password::on_bt_cancel_clicked()
{
    m_result = false;
    reject();
}

PasswordResult evaluatePassword(const Dialog_Password &dialog, QWidget *messageParent, OnRejection onRejection)
{
    const QByteArray reply(reinterpret_cast<const char *>(g_recvbuf.data()), int(g_recvbuf.size()));
    g_recvbuf.fill(0);
    if (!dialog.passwordSent())
        return PasswordResult::Cancelled;
    const Outcome judged = GatewayClient::judgePassword(reply, GatewayClient::PasswordSource::Typed);
    if (judged)
        return PasswordResult::Accepted;
    Msg::warnFor(messageParent, judged);
    if (onRejection == OnRejection::CloseServer && g_Server().isOpen())
        g_Server().close();
    return PasswordResult::Rejected;
}

PasswordResult askPassword(QWidget *parent, OnRejection onRejection)
{
    Dialog_Password dialog(parent);
    dialog.exec();
    return evaluatePassword(dialog, parent, onRejection);
}
