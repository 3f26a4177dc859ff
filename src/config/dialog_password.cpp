#include "config/dialog_password.h"

#include "app/accessiblenames.h"
#include "config/commandchannel.h"
#include "config/frames.h"
#include "config/globals.h"
#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_dialog_password.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTcpSocket>

namespace {

constexpr int MaxPasswordLength = 12;

} // namespace

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
    if (typed.isEmpty() || typed.size() > MaxPasswordLength) {
        Msg::warn(this, QStringLiteral("Incorrect Password Length!"));
        return;
    }
    if (g_appointIpAddr.isEmpty() || g_appointIpAddr.split(QLatin1Char('.')).size() != 4) {
        Msg::warn(this, QStringLiteral("Incorrect IP Address!"));
        return;
    }

    g_recvbuf.fill(0);
    QTcpSocket &server = g_Server();
    if (!CommandChannel::connectTo(server, g_appointIpAddr)) {
        failConnection();
        return;
    }
    const QByteArray frame = Frames::passwordFrame(typed);
    Password = typed;
    if (!CommandChannel::send(server, frame)) {
        failConnection();
        return;
    }
    bool readFailed = false;
    const QByteArray reply = CommandChannel::readAnswer(server, Frames::ReplySize,
                                                        CommandChannel::AnswerTimeoutMs, &readFailed);
    if (readFailed) {
        failConnection();
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

void Dialog_Password::failConnection()
{
    Msg::warn(this, GetStr(7002));
    g_Server().close();
}

PasswordResult evaluatePassword(const Dialog_Password &dialog, QWidget *messageParent, OnRejection onRejection)
{
    const bool accepted = dialog.passwordSent() && Frames::passwordAccepted(g_recvbuf);
    g_recvbuf.fill(0);
    if (!dialog.passwordSent())
        return PasswordResult::Cancelled;
    if (accepted)
        return PasswordResult::Accepted;
    Msg::warn(messageParent, GetStr(4014));
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
