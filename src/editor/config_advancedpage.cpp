// Page "#Advanced" of the editor: password, port, timers and IP ranges.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/newconfigure.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_config.h"

#include <QMessageBox>

namespace {

const QString kDefaultPort = QStringLiteral("502");

// An unused range end is stored as empty or as 0.0.0.0; both mean the same.
QString comparableAddress(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("0.0.0.0") : text;
}

// The name a gateway of this model carries from the factory; empty for a
// model outside the catalogue, which keeps its name.
QString factoryName(int code)
{
    switch (code) {
    case 30103: return QStringLiteral("NTC-P01DL");
    case 30203: return QStringLiteral("KX500-EN-2RS485(Modbus TCP)");
    case 130100: return QStringLiteral("KX500-DL-RS");
    case 130200: return QStringLiteral("KX500-DL-2RS");
    case 130400: return QStringLiteral("KX500-DL-4RS");
    case 130800: return QStringLiteral("HW-P08");
    case 131600: return QStringLiteral("HW-P16");
    default: return QString();
    }
}

// The factory values are those of a configuration made new for the model.
void restoreFactorySettings(CConfigure &c)
{
    const QString name = factoryName(c.m_modelCode);
    NewConfigure::fill(c, c.m_modelCode, name.isEmpty() ? c.m_name : name);
}

// A decimal field's value when it holds a number from `low` to `high`; the
// stored value otherwise, so an emptied or mistyped field never reaches the gateway.
template<typename T>
T decimalOr(const QString &text, T low, T high, T stored)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return (ok && value >= qlonglong(low) && value <= qlonglong(high)) ? static_cast<T>(value) : stored;
}

// Row i's "Enable": both controls and their frames follow it. The stored
// range changes only when the page is left.
void switchRange(Config &editor, int i, bool on)
{
    editor.m_rangeOn[size_t(i)] = on;
    Config::setFrameLook(editor.rangeStartFrame(i), on);
    Config::setFrameLook(editor.rangeEndFrame(i), on);
    editor.rangeStartCtrl(i)->setIPCtrlEnabled(on);
    editor.rangeEndCtrl(i)->setIPCtrlEnabled(on);
}

} // namespace

void Config::OnSetActive_page7()
{
    if (!pConfigure)
        return;
    CAdvance &advance = pConfigure->m_advance;
    const std::array<QCheckBox *, RangeCount> boxes{ui->checkBox_8, ui->checkBox_9, ui->checkBox_10,
                                                    ui->checkBox_11, ui->checkBox_12, ui->checkBox_13};

    ui->lineEdit_Port7->setText(kDefaultPort);
    ui->lineEdit_Port7->setEnabled(false);
    ui->checkBox_6->setChecked(true);
    for (int i = 0; i < RangeCount; ++i) {
        boxes[i]->setChecked(false);
        switchRange(*this, i, false);
    }

    ui->lineEdit_Port7->setText(advance.m_highPort);
    const bool defaultPort = advance.m_highPort == kDefaultPort;
    ui->checkBox_6->setChecked(defaultPort);
    ui->lineEdit_Port7->setEnabled(!defaultPort);

    ui->lineEdit_DelayTime->setText(QString::number(advance.m_serialDelay));
    m_newPassword = advance.m_password;
    m_retypePassword = advance.m_password;
    ui->lineEdit_PassWord->setText(advance.m_password);
    ui->lineEdit_SureWord->setText(advance.m_password);
    ui->checkBox_7->setChecked(advance.m_keepAlive);
    ui->lineEdit_TcpAlive->setText(QString::number(advance.m_aliveTime));

    for (int i = 0; i < RangeCount; ++i) {
        if (!advance.m_limitOn[i])
            continue;
        boxes[i]->setChecked(true);
        switchRange(*this, i, true);
        showIP(rangeStartCtrl(i), advance.m_limitLow[i]);
        showIP(rangeEndCtrl(i), advance.m_limitHigh[i]);
    }

    const bool slave = !isMasterMode(g_commMode);
    ui->lineEdit_DelayTime->setEnabled(slave);
    ui->checkBox_6->setEnabled(slave);
    if (!slave) {
        advance.m_highPort = kDefaultPort;
        ui->lineEdit_Port7->setText(kDefaultPort);
        ui->lineEdit_Port7->setEnabled(false);
    }
}

void Config::OnKillActive_page7()
{
    if (!pConfigure)
        return;
    CAdvance &advance = pConfigure->m_advance;
    const int32_t oldDelay = advance.m_serialDelay;
    const uint64_t oldAlive = advance.m_aliveTime;
    const QString oldPassword = advance.m_password;
    const QString oldPort = advance.m_highPort;

    m_newPassword = ui->lineEdit_PassWord->text();
    m_retypePassword = ui->lineEdit_SureWord->text();
    advance.m_password = (m_newPassword == m_retypePassword && !m_newPassword.isEmpty()) ? m_newPassword : QString();
    // An emptied port field means the gateway's default port, as for the ID-mapping targets.
    const QString port = ui->lineEdit_Port7->text();
    advance.m_highPort = port.isEmpty() ? kDefaultPort : port;
    // A password or port that changes here (a check box, a lone "New Password")
    // must keep the close prompt.
    if (advance.m_password != oldPassword || advance.m_highPort != oldPort)
        IsSave = true;

    advance.m_serialDelay = decimalOr<int32_t>(ui->lineEdit_DelayTime->text(), 0, 65535, oldDelay);
    if (advance.m_serialDelay != oldDelay)
        IsSave = true;
    advance.m_keepAlive = ui->checkBox_7->isChecked();
    advance.m_aliveTime = decimalOr<uint64_t>(ui->lineEdit_TcpAlive->text(), 1, 65535, oldAlive);
    if (advance.m_aliveTime != oldAlive)
        IsSave = true;

    for (int i = 0; i < RangeCount; ++i) {
        const QString oldLow = comparableAddress(advance.m_limitLow[i]);
        const QString oldHigh = comparableAddress(advance.m_limitHigh[i]);
        MyIPCtrl *start = rangeStartCtrl(i);
        MyIPCtrl *end = rangeEndCtrl(i);
        advance.m_limitOn[i] = m_rangeOn[i] && start->IsBlank() && end->IsBlank();
        advance.m_limitLow[i] = start->getIP();
        advance.m_limitHigh[i] = end->getIP();
        if (comparableAddress(advance.m_limitLow[i]) != oldLow || comparableAddress(advance.m_limitHigh[i]) != oldHigh)
            IsSave = true;
    }
}

void Config::on_checkBox_6_stateChanged(int state)
{
    const bool useDefault = state == Qt::Checked;
    if (useDefault)
        ui->lineEdit_Port7->setText(kDefaultPort);
    ui->lineEdit_Port7->setEnabled(!useDefault);
}

void Config::on_lineEdit_Port7_editingFinished()
{
    const QString typed = ui->lineEdit_Port7->text();
    // The gateway keeps 18800 and 18801 for itself; 18801 is its configuration port.
    if (typed == QLatin1String("18800") || typed == QLatin1String("18801"))
        ui->lineEdit_Port7->setText(kDefaultPort);
    if (pConfigure && typed != pConfigure->m_advance.m_highPort)
        IsSave = true;
}

void Config::on_lineEdit_TcpAlive_editingFinished()
{
    // The field's validator already keeps the value within 1 to 65535.
}

void Config::on_lineEdit_SureWord_editingFinished()
{
    if (ui->lineEdit_PassWord->text().isEmpty()) {
        Msg::warn(this, QStringLiteral("Please enter a new PassWord"));
        return;
    }
    m_newPassword = ui->lineEdit_PassWord->text();
    m_retypePassword = ui->lineEdit_SureWord->text();
    if (m_newPassword != m_retypePassword) {
        Msg::warn(this, GetStr(5042));
        m_newPassword.clear();
        m_retypePassword.clear();
        ui->lineEdit_PassWord->clear();
        ui->lineEdit_SureWord->clear();
    }
    if (pConfigure && m_newPassword != pConfigure->m_advance.m_password)
        IsSave = true;
}

void Config::on_checkBox_8_stateChanged(int state)
{
    switchRange(*this, 0, state == Qt::Checked);
}

void Config::on_checkBox_9_stateChanged(int state)
{
    switchRange(*this, 1, state == Qt::Checked);
}

void Config::on_checkBox_10_stateChanged(int state)
{
    switchRange(*this, 2, state == Qt::Checked);
}

void Config::on_checkBox_11_stateChanged(int state)
{
    switchRange(*this, 3, state == Qt::Checked);
}

void Config::on_checkBox_12_stateChanged(int state)
{
    switchRange(*this, 4, state == Qt::Checked);
}

void Config::on_checkBox_13_stateChanged(int state)
{
    switchRange(*this, 5, state == Qt::Checked);
}

void Config::on_bt_ReNewAll_clicked()
{
    if (Msg::ask(this, Msg::productTitle(), GetStr(5011)) != QMessageBox::Yes || !pConfigure)
        return;
    g_commMode = 0; // RTU Slave
    restoreFactorySettings(*pConfigure);
    m_idMapCount = 0;
    m_masterCount = 0;
    m_requestCount = 0;

    m_rangeOn.fill(false);
    for (int i = 0; i < RangeCount; ++i) {
        rangeStartCtrl(i)->clearEdit();
        rangeEndCtrl(i)->clearEdit();
    }
    // The page is refilled from the restored values; nothing of the form is stored first.
    m_curPage = -1;
    on_tabWidget_currentChanged(6);
}
