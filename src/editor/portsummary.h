#pragma once

#include <QStringList>

class QDialog;
class QTableWidget;
struct CSerialPort;

// What the two read-only summaries of the serial ports share: the window, the
// table's look and one row per serial port of the current configuration.
namespace PortSummary {

// Empty rows left below the ports.
constexpr int SpareRows = 10;

// Cell texts of port `port` (counted from 1): line settings or timing.
QStringList lineSettingsRow(int port, const CSerialPort &serial);
QStringList timingRow(int port, const CSerialPort &serial);

using RowTexts = QStringList (*)(int port, const CSerialPort &serial);

// Titles and places `dialog`, makes `table` read-only with whole-row
// selection, and fills it from the current configuration as it is now.
void build(QDialog *dialog, QTableWidget *table, RowTexts rowTexts);

} // namespace PortSummary
