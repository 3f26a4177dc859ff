// Pages "Serial" (line settings) and "#Modbus" (timing) of the editor.
#include "editor/config.h"

#include "config/configure.h"
#include "config/globals.h"
#include "ui_config.h"

namespace {

// The field's value, or its default (also put into the field) when it is
// outside the range the timing handlers allow.
int correctedValue(QLineEdit *field, int low, int high, int fallback)
{
    bool ok = false;
    const int value = field->text().toInt(&ok);
    if (ok && value >= low && value <= high)
        return value;
    field->setText(QString::number(fallback));
    return fallback;
}

void showIndex(QComboBox *box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

} // namespace

void Config::OnSetActive_page3()
{
    const int port = ui->comboBox_Select1->currentIndex();
    if (!pConfigure || port < 0 || port >= CConfigure::SerialCount)
        return;
    const CSerialPort &serial = pConfigure->m_serial[port];
    showIndex(ui->m_baudRate1, serial.m_baudRate);
    showIndex(ui->m_parityCheck1, serial.m_parityCheck);
    showIndex(ui->m_stopBit1, serial.m_stopBit);
}

void Config::on_comboBox_Select1_activated(int)
{
    // filled by the page's own change
}

void Config::on_m_baudRate1_activated(int)
{
    // filled by the page's own change
}

void Config::on_m_parityCheck1_activated(int)
{
    // filled by the page's own change
}

void Config::on_m_stopBit1_activated(int)
{
    // filled by the page's own change
}

void Config::on_pushButton_apply0_clicked()
{
    // filled by the page's own change
}

void Config::on_pushButton_info0_clicked()
{
    // filled by the page's own change
}

void Config::OnKillActive_page3()
{
    const int port = ui->comboBox_Select1->currentIndex();
    if (!pConfigure || port < 0 || port >= CConfigure::SerialCount)
        return;
    CSerialPort &serial = pConfigure->m_serial[port];
    serial.m_baudRate = ui->m_baudRate1->currentIndex();
    serial.m_parityCheck = ui->m_parityCheck1->currentIndex();
    serial.m_stopBit = ui->m_stopBit1->currentIndex();
    serial.m_dataBits = 8;
}

void Config::OnSetActive_page5()
{
    const int port = ui->combox_SelectPort->currentIndex();
    if (!pConfigure || port < 0 || port >= CConfigure::SerialCount)
        return;
    const CSerialPort &serial = pConfigure->m_serial[port];
    ui->lineEdit_chartimeout->setText(QString::number(serial.m_charInterval));
    ui->lineEdit_resptimeout->setText(QString::number(serial.m_respTimeout));
    ui->lineEdit_delaypolls->setText(QString::number(serial.m_delayPolls));
}

void Config::on_combox_SelectPort_activated(int)
{
    // filled by the page's own change
}

void Config::on_lineEdit_chartimeout_editingFinished()
{
    // filled by the page's own change
}

void Config::on_lineEdit_resptimeout_editingFinished()
{
    // filled by the page's own change
}

void Config::on_lineEdit_delaypolls_editingFinished()
{
    // filled by the page's own change
}

void Config::on_bt_apply1_clicked()
{
    // filled by the page's own change
}

void Config::on_pushButton_info1_clicked()
{
    // filled by the page's own change
}

void Config::OnKillActive_page5()
{
    const int charInterval = correctedValue(ui->lineEdit_chartimeout, 1, 30000, 1);
    const int respTimeout = correctedValue(ui->lineEdit_resptimeout, 300, 60000, 300);
    const int delayPolls = correctedValue(ui->lineEdit_delaypolls, 0, 60000, 0);
    const int port = ui->combox_SelectPort->currentIndex();
    if (!pConfigure || port < 0 || port >= CConfigure::SerialCount)
        return;
    CSerialPort &serial = pConfigure->m_serial[port];
    serial.m_charInterval = charInterval;
    serial.m_respTimeout = respTimeout;
    serial.m_delayPolls = delayPolls;
}
