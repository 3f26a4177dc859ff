#include "diagnostics/communication_test.h"

#include "app/accessiblenames.h"
#include "app/buttonstyle.h"
#include "app/myipctrl.h"
#include "diagnostics/modbusrequest.h"
#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_communication_test.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTextBrowser>

namespace {

const char kPortPattern[] = "^(0|[1-9]|[1-9][0-9]|[1-9][0-9][0-9]|[1-9][0-9][0-9][0-9]|[1-5][0-9][0-9][0-9][0-9]|"
                            "6([0-4][0-9][0-9][0-9]|5([0-4][0-9][0-9]|5([0-2][0-9]|3[0-5]))))$";
const char kBytePattern[] = "^(0|[1-9]|[1-9][0-9]|1[0-9][0-9]|2([0-4][0-9]|5[0-5]))$";

QValidator *validator(const char *pattern, QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QLatin1String(pattern)), parent);
}

} // namespace

Communication_Test::Communication_Test(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_Communication_Test)
    , m_client(m_socket)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint
                   | Qt::WindowContextHelpButtonHint);
    setWindowModality(Qt::ApplicationModal);

    setWindowTitle(GetStr(1019));
    ui->groupBox->setTitle(GetStr(1020));
    ui->label_IP->setText(GetStr(1021));
    ui->label_Function->setText(GetStr(1022));
    ui->label_StartAddress->setText(GetStr(1023));
    AccessibleNames::fromLabels(this);
    AccessibleNames::set(ui->textBrowser, ui->groupBox_2->title());

    const QFont font = DialogLook::timesFont();
    for (QWidget *w : findChildren<QWidget *>()) {
        if (qobject_cast<QPushButton *>(w) || qobject_cast<QLabel *>(w) || qobject_cast<QComboBox *>(w)
            || qobject_cast<QGroupBox *>(w) || qobject_cast<QLineEdit *>(w))
            w->setFont(font);
    }

    // Start address and unit ID are sent as 16 and 8 bits: larger numbers would
    // silently reach another address or unit than the one typed.
    ui->lineEdit_StartAddress->setValidator(validator(kPortPattern, this));
    ui->lineEdit_Port->setValidator(validator(kPortPattern, this));
    ui->lineEdit_Slaveid->setValidator(validator(kBytePattern, this));
    ui->lineEdit_number->setValidator(validator("[0-9]+$", this));
    ui->textBrowser->setReadOnly(true);

    for (QLineEdit *field : {ui->lineEdit_StartAddress, ui->lineEdit_Port, ui->lineEdit_Slaveid,
                             ui->lineEdit_number})
        setFieldEnabled(field, true);
    setFieldEnabled(ui->lineEdit_input, false);
    setFieldEnabled(ui->lineEdit_State, false);
    ui->comboBox->setCurrentIndex(0);
    setBtStatus(ui->bt_Send, true);
}

Communication_Test::~Communication_Test()
{
    m_client.close();
    delete ui;
}

unsigned char Communication_Test::conversion(unsigned char high, unsigned char low)
{
    return ModbusRequest::conversion(high, low);
}

void Communication_Test::setBtStatus(QPushButton *button, bool on)
{
    setButtonEnabled(button, on, ButtonTone::Ordinary);
}

int Communication_Test::currentCode() const
{
    return ModbusRequest::functionCodeForIndex(ui->comboBox->currentIndex());
}

void Communication_Test::setFieldEnabled(QLineEdit *field, bool enabled)
{
    field->setEnabled(enabled);
    field->setStyleSheet(enabled ? QStringLiteral("background-color : rgb(255,255,255)")
                                 : QStringLiteral("background-color : rgb(227,227,227)"));
}

void Communication_Test::on_comboBox_activated(int index)
{
    if (index <= 3) {
        setFieldEnabled(ui->lineEdit_input, false);
        ui->lineEdit_input->clear();
        setFieldEnabled(ui->lineEdit_number, true);
    } else if (index <= 5) {
        setFieldEnabled(ui->lineEdit_input, true);
        setFieldEnabled(ui->lineEdit_number, false);
        ui->lineEdit_input->clear();
    } else {
        setFieldEnabled(ui->lineEdit_input, true);
        setFieldEnabled(ui->lineEdit_number, true);
    }
    clampQuantityField();
}

void Communication_Test::on_lineEdit_number_editingFinished()
{
    clampQuantityField();
}

void Communication_Test::clampQuantityField()
{
    const QString clamped = ModbusRequest::clampQuantity(currentCode(), ui->lineEdit_number->text());
    if (clamped != ui->lineEdit_number->text())
        ui->lineEdit_number->setText(clamped);
}

void Communication_Test::on_bt_Send_clicked()
{
    m_transId = ModbusRequest::transIdToSend(m_transId);
    // The send blocks without painting, so the button's disabled look would
    // never be seen: only its state changes, which keeps a request round trip cheap.
    ui->bt_Send->setEnabled(false);
    send();
    ui->bt_Send->setEnabled(true);
}

void Communication_Test::send()
{
    const int code = currentCode();
    const ModbusRequest::DataText data = ModbusRequest::parseDataText(ui->lineEdit_input->text(), code);
    if (!data.ok()) {
        Msg::warn(this, GetStr(data.messageId));
        return;
    }
    const quint16 port = quint16(ModbusRequest::fieldValue(ui->lineEdit_Port->text()) & 0xFFFF);
    const Outcome connected = m_client.connectTo(ui->frame_2->getIP(), port);
    if (!connected) {
        clearResult();
        Msg::warnFor(this, connected);
        return;
    }

    // A quantity typed and sent without leaving the field is clamped here too.
    clampQuantityField();
    ModbusRequest::Inputs inputs;
    inputs.transId = m_transId;
    inputs.unitId = ModbusRequest::fieldValue(ui->lineEdit_Slaveid->text());
    inputs.functionCode = code;
    inputs.startAddress = ModbusRequest::fieldValue(ui->lineEdit_StartAddress->text());
    inputs.quantity = ModbusRequest::fieldValue(ui->lineEdit_number->text());
    inputs.data = data.bytes;
    const ModbusRequest::Built request = ModbusRequest::buildRequest(inputs);
    if (!request.ok()) {
        Msg::warn(this, GetStr(request.messageId));
        return;
    }

    const ModbusClient::Reply reply = m_client.request(request.frame, code);
    if (reply.sent)
        ++m_transId;
    // The state field is not emptied first: the send blocks without painting, so
    // only the text showReply leaves in it is ever seen. A request that never
    // left shows "No response", not the state of an earlier send.
    showReply(reply);
}

void Communication_Test::showReply(const ModbusClient::Reply &reply)
{
    m_state = GetStr(ModbusRequest::verdictMessageId(reply.verdict));
    // Repeated requests mostly get the same answer: an unchanged field is not laid
    // out again, which keeps the round trip close to the network's.
    if (ui->lineEdit_State->text() != m_state)
        ui->lineEdit_State->setText(m_state);
    const QString hex = ModbusRequest::replyHexText(reply.bytes);
    if (ui->textBrowser->toPlainText() != hex)
        ui->textBrowser->setPlainText(hex);
}

void Communication_Test::clearResult()
{
    m_state.clear();
    ui->lineEdit_State->clear();
    ui->textBrowser->clear();
}
