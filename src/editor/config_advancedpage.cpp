// Page "#Advanced" of the editor: password, port, timers and IP ranges.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "ui_config.h"

namespace {

const QString kDefaultPort = QStringLiteral("502");

// An unused range end is stored as empty or as 0.0.0.0; both mean the same.
QString comparableAddress(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("0.0.0.0") : text;
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
        m_rangeOn[i] = false;
        setFrameLook(rangeStartFrame(i), false);
        setFrameLook(rangeEndFrame(i), false);
        rangeStartCtrl(i)->setIPCtrlEnabled(false);
        rangeEndCtrl(i)->setIPCtrlEnabled(false);
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
        m_rangeOn[i] = true;
        boxes[i]->setChecked(true);
        setFrameLook(rangeStartFrame(i), true);
        setFrameLook(rangeEndFrame(i), true);
        rangeStartCtrl(i)->setIPCtrlEnabled(true);
        rangeEndCtrl(i)->setIPCtrlEnabled(true);
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

    m_newPassword = ui->lineEdit_PassWord->text();
    m_retypePassword = ui->lineEdit_SureWord->text();
    advance.m_password = (m_newPassword == m_retypePassword && !m_newPassword.isEmpty()) ? m_newPassword : QString();
    advance.m_highPort = ui->lineEdit_Port7->text();

    advance.m_serialDelay = ui->lineEdit_DelayTime->text().toInt();
    if (advance.m_serialDelay != oldDelay)
        IsSave = true;
    advance.m_keepAlive = ui->checkBox_7->isChecked();
    advance.m_aliveTime = ui->lineEdit_TcpAlive->text().toULongLong();
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

void Config::on_checkBox_6_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_lineEdit_Port7_editingFinished()
{
    // filled by the page's own change
}

void Config::on_lineEdit_TcpAlive_editingFinished()
{
    // The field's validator already keeps the value within 1 to 65535.
}

void Config::on_lineEdit_SureWord_editingFinished()
{
    // filled by the page's own change
}

void Config::on_checkBox_8_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_9_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_10_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_11_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_12_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_checkBox_13_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_bt_ReNewAll_clicked()
{
    // filled by the page's own change
}
