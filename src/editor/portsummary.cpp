#include "editor/portsummary.h"

#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "editor/config.h"
#include "editor/dialoglook.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"

#include <QDialog>
#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>

namespace PortSummary {

namespace {

QString portLabel(int port)
{
    return GetStr(5054).arg(port);
}

QString baudText(int index)
{
    static const char *const rates[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"};
    return QString::fromLatin1(index >= 1 && index <= 8 ? rates[index] : rates[0]);
}

QString parityText(int parity)
{
    static const unsigned int ids[] = {5013, 5014, 5015, 5016, 5017};
    return GetStr(parity >= 1 && parity <= 4 ? ids[parity] : ids[0]);
}

} // namespace

QStringList lineSettingsRow(int port, const CSerialPort &serial)
{
    return {portLabel(port), baudText(serial.m_baudRate), parityText(serial.m_parityCheck),
            serial.m_stopBit == 1 ? QStringLiteral("2") : QStringLiteral("1"),
            // The gateways take only 8 data bits, whatever the record holds.
            QStringLiteral("8")};
}

QStringList timingRow(int port, const CSerialPort &serial)
{
    return {portLabel(port), QString::number(serial.m_charInterval), QString::number(serial.m_respTimeout),
            QString::number(serial.m_delayPolls)};
}

void build(QDialog *dialog, QTableWidget *table, RowTexts rowTexts)
{
    dialog->setWindowTitle(Msg::productTitle());
    dialog->setWindowModality(Qt::ApplicationModal);

    table->setFont(DialogLook::timesFont());
    table->horizontalHeader()->setStyleSheet(QStringLiteral("font:15px 'Times';"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);

    DialogLook::centreOnDesktop(dialog);

    const int ports =
        pConfigure ? std::min(Catalogue::serialPorts(pConfigure->m_modelCode), int(CConfigure::SerialCount)) : 0;
    table->setRowCount(ports + SpareRows);
    for (int row = 0; row < ports; ++row) {
        const QStringList texts = rowTexts(row + 1, pConfigure->m_serial[row]);
        for (int column = 0; column < texts.size(); ++column)
            table->setItem(row, column, Config::centredItem(texts.at(column)));
    }
}

} // namespace PortSummary
