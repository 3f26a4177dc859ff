// Pages "Serial" (line settings) and "#Modbus" (timing) of the editor.
#include "editor/config.h"

#include "config/configure.h"
#include "config/globals.h"
#include "editor/dialog_information.h"
#include "editor/dialog_information1.h"
#include "ui_config.h"

namespace {

// The allowed range of a timing field and the value that replaces anything
// outside it.
struct TimingRange {
    int low;
    int high;
    int fallback;
};

constexpr TimingRange kCharInterval{1, 30000, 1};
constexpr TimingRange kRespTimeout{300, 60000, 300};
constexpr TimingRange kDelayPolls{0, 60000, 0};

// The field's value, or its default (also put into the field) when it is
// empty or outside the range.
int correctedValue(QLineEdit *field, const TimingRange &range)
{
    bool ok = false;
    const int value = field->text().toInt(&ok);
    if (ok && value >= range.low && value <= range.high)
        return value;
    field->setText(QString::number(range.fallback));
    return range.fallback;
}

// A stored value the list does not offer (Mark or Space on a model without
// them) shows as no selection, never as the value shown before.
void showIndex(QComboBox *box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// The record of the port chosen in `selector`, or null without a configuration.
CSerialPort *selectedPort(const QComboBox *selector)
{
    const int port = selector->currentIndex();
    if (!pConfigure || port < 0 || port >= CConfigure::SerialCount)
        return nullptr;
    return &pConfigure->m_serial[port];
}

// Stores `value`; when `counted`, a value that differs from the stored one is a change.
void store(int32_t &field, int value, bool counted = true)
{
    if (counted && field != value)
        IsSave = true;
    field = value;
}

struct LineSettings {
    int baudRate;
    int parityCheck;
    int stopBit;
};

// A list that shows no selection leaves its setting as stored.
void storeShown(int32_t &field, int index, bool counted)
{
    if (index >= 0)
        store(field, index, counted);
}

void storeLine(CSerialPort &serial, const LineSettings &line, bool counted)
{
    storeShown(serial.m_baudRate, line.baudRate, counted);
    storeShown(serial.m_parityCheck, line.parityCheck, counted);
    storeShown(serial.m_stopBit, line.stopBit, counted);
    // Not a choice of the user: the only data-bit setting the gateways take.
    serial.m_dataBits = 8;
}

struct Timing {
    int charInterval;
    int respTimeout;
    int delayPolls;
};

void storeTiming(CSerialPort &serial, const Timing &timing, bool counted)
{
    store(serial.m_charInterval, timing.charInterval, counted);
    store(serial.m_respTimeout, timing.respTimeout, counted);
    store(serial.m_delayPolls, timing.delayPolls, counted);
}

// Leaving the timing page: a field still showing the stored value, even one
// outside its range (a file may hold such), is no edit and stays as stored;
// an edited one is corrected and stored.
void storeEdited(QLineEdit *field, const TimingRange &range, int32_t &stored)
{
    if (field->text() != QString::number(stored))
        store(stored, correctedValue(field, range));
}

} // namespace

// Serial page: the lists always show the chosen port, whichever it is, so
// what is shown is what is stored; leaving stores only a list the user moved.
void Config::OnSetActive_page3()
{
    const CSerialPort *serial = selectedPort(ui->comboBox_Select1);
    if (!serial)
        return;
    showIndex(ui->m_baudRate1, serial->m_baudRate);
    showIndex(ui->m_parityCheck1, serial->m_parityCheck);
    showIndex(ui->m_stopBit1, serial->m_stopBit);
}

void Config::on_comboBox_Select1_activated(int)
{
    OnSetActive_page3();
}

void Config::on_m_baudRate1_activated(int index)
{
    if (CSerialPort *serial = selectedPort(ui->comboBox_Select1))
        store(serial->m_baudRate, index);
}

void Config::on_m_parityCheck1_activated(int index)
{
    if (CSerialPort *serial = selectedPort(ui->comboBox_Select1))
        store(serial->m_parityCheck, index);
}

void Config::on_m_stopBit1_activated(int index)
{
    if (CSerialPort *serial = selectedPort(ui->comboBox_Select1))
        store(serial->m_stopBit, index);
}

void Config::on_pushButton_apply0_clicked()
{
    if (!pConfigure)
        return;
    const LineSettings line{ui->m_baudRate1->currentIndex(), ui->m_parityCheck1->currentIndex(),
                            ui->m_stopBit1->currentIndex()};
    // Applying to every port leaves the change flag as it was.
    for (CSerialPort &serial : pConfigure->m_serial)
        storeLine(serial, line, false);
}

void Config::on_pushButton_info0_clicked()
{
    auto *summary = new Dialog_Information(this);
    summary->setAttribute(Qt::WA_DeleteOnClose);
    summary->show();
}

void Config::OnKillActive_page3()
{
    if (CSerialPort *serial = selectedPort(ui->comboBox_Select1))
        storeLine(*serial, {ui->m_baudRate1->currentIndex(), ui->m_parityCheck1->currentIndex(),
                            ui->m_stopBit1->currentIndex()}, true);
}

// Timing page: as on the serial page, the fields follow the chosen port.
void Config::OnSetActive_page5()
{
    const CSerialPort *serial = selectedPort(ui->combox_SelectPort);
    if (!serial)
        return;
    ui->lineEdit_chartimeout->setText(QString::number(serial->m_charInterval));
    ui->lineEdit_resptimeout->setText(QString::number(serial->m_respTimeout));
    ui->lineEdit_delaypolls->setText(QString::number(serial->m_delayPolls));
}

void Config::on_combox_SelectPort_activated(int)
{
    OnSetActive_page5();
}

void Config::on_lineEdit_chartimeout_editingFinished()
{
    const int value = correctedValue(ui->lineEdit_chartimeout, kCharInterval);
    if (CSerialPort *serial = selectedPort(ui->combox_SelectPort))
        store(serial->m_charInterval, value);
}

void Config::on_lineEdit_resptimeout_editingFinished()
{
    const int value = correctedValue(ui->lineEdit_resptimeout, kRespTimeout);
    if (CSerialPort *serial = selectedPort(ui->combox_SelectPort))
        store(serial->m_respTimeout, value);
}

void Config::on_lineEdit_delaypolls_editingFinished()
{
    const int value = correctedValue(ui->lineEdit_delaypolls, kDelayPolls);
    if (CSerialPort *serial = selectedPort(ui->combox_SelectPort))
        store(serial->m_delayPolls, value);
}

void Config::on_bt_apply1_clicked()
{
    const Timing timing{correctedValue(ui->lineEdit_chartimeout, kCharInterval),
                        correctedValue(ui->lineEdit_resptimeout, kRespTimeout),
                        correctedValue(ui->lineEdit_delaypolls, kDelayPolls)};
    if (!pConfigure)
        return;
    // Applying to every port leaves the change flag as it was.
    for (CSerialPort &serial : pConfigure->m_serial)
        storeTiming(serial, timing, false);
}

void Config::on_pushButton_info1_clicked()
{
    auto *summary = new Dialog_Information1(this);
    summary->setAttribute(Qt::WA_DeleteOnClose);
    summary->show();
}

void Config::OnKillActive_page5()
{
    CSerialPort *serial = selectedPort(ui->combox_SelectPort);
    if (!serial)
        return;
    storeEdited(ui->lineEdit_chartimeout, kCharInterval, serial->m_charInterval);
    storeEdited(ui->lineEdit_resptimeout, kRespTimeout, serial->m_respTimeout);
    storeEdited(ui->lineEdit_delaypolls, kDelayPolls, serial->m_delayPolls);
}
