// Page "#ID Mapping" of the editor.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "editor/pagetable.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_config.h"

#include <algorithm>
#include <cstdlib>

bool IsSetup = false;

namespace {

constexpr int kIdMapRows = 40;
const QString kDefaultPort = QStringLiteral("502");
const QString kNoAddress = QStringLiteral("0.0.0.0");

bool validSlaveId(int id)
{
    return id >= 1 && id <= 247;
}

// Column 3 of a stored entry: virtual range and actual range.
QString storedRangeText(const CIDMap &map)
{
    const int shift = map.m_negative ? -map.m_offset : map.m_offset;
    int values[4] = {map.m_idMin, map.m_idMax, map.m_idMin + shift, map.m_idMax + shift};
    if (!std::all_of(std::begin(values), std::end(values), validSlaveId))
        std::fill(std::begin(values), std::end(values), 1);
    return QStringLiteral("%1-%2<->%3-%4").arg(values[0]).arg(values[1]).arg(values[2]).arg(values[3]);
}

// The port label that Add and Modify write. Ports beyond the second carry the
// gateway family's own Chinese label until the page is entered again.
QString formPortLabel(int serialIndex, bool modify)
{
    if (serialIndex == 0)
        return GetStr(modify ? 5032 : 5029);
    if (serialIndex == 1)
        return GetStr(modify ? 5033 : 5030);
    return QStringLiteral("串口%1").arg(serialIndex + 1);
}

void setRow(QTableWidget *table, int row, const QString &type, const QString &details, const QString &range)
{
    table->setItem(row, 0, Config::centredItem(QString::number(row + 1)));
    table->setItem(row, 1, Config::centredItem(type));
    table->setItem(row, 2, Config::centredItem(details));
    table->setItem(row, 3, Config::centredItem(range));
}

// The form as Set, Add and Modify read it: the fields' decimal values, 0 when empty.
void readIdRangeFields(Config &editor, const Ui_Config &ui)
{
    editor.m_workMax = ui.lineEdit_max->text().toInt();
    editor.m_workMin = ui.lineEdit_min->text().toInt();
    editor.m_workOffset = ui.lineEdit_offset->text().toInt();
}

QString formPortText(const Ui_Config &ui)
{
    const QString typed = ui.lineEdit_Port4->text();
    return (ui.checkBox->isChecked() || typed.isEmpty()) ? kDefaultPort : typed;
}

// Add and Modify: runs Set, then takes the master mode's target address. False
// when Set refused (it has shown its message) or the address is empty or
// 0.0.0.0 (`emptyMessage` is shown).
bool setAndTakeTarget(Config &editor, const Ui_Config &ui, int emptyMessage, QString &address)
{
    editor.on_bt_Setup_clicked();
    if (IsSetup) {
        IsSetup = false;
        return false;
    }
    if (!Config::isMasterMode(g_commMode)) {
        address.clear();
        return true;
    }
    address = PageTable::usableAddress(ui.frame_12);
    if (address.isEmpty()) {
        Msg::warn(&editor, GetStr(emptyMessage));
        return false;
    }
    return true;
}

void writeFormRow(const Config &editor, const Ui_Config &ui, int row, const QString &address, const QString &port,
                  bool modify)
{
    const bool master = Config::isMasterMode(g_commMode);
    setRow(ui.page4_tab, row, master ? QStringLiteral("Modbus TCP") : QStringLiteral("Modbus"),
           master ? QStringLiteral("%1:%2").arg(address, port) : formPortLabel(ui.m_serial2->currentIndex(), modify),
           QStringLiteral("%1-%2<->%3").arg(editor.m_workMin).arg(editor.m_workMax).arg(editor.m_actualRange));
}

void storeForm(const Config &editor, const Ui_Config &ui, CIDMap &map, const QString &address, const QString &port)
{
    map.m_ip = Config::isMasterMode(g_commMode) ? address : kNoAddress;
    map.m_port = port;
    map.m_serialIndex = ui.m_serial2->currentIndex();
    map.m_idMin = editor.m_workMin;
    map.m_idMax = editor.m_workMax;
    map.m_negative = editor.m_workOffset < 0;
    map.m_offset = std::abs(editor.m_workOffset);
}

} // namespace

void Config::OnSetActive_page4()
{
    if (!pConfigure)
        return;
    m_idMapCount = pConfigure->m_idMaps.size();
    m_selIdMap = -1;
    ui->lineEdit_Port4->setText(kDefaultPort);

    const bool master = isMasterMode(g_commMode);
    ui->m_serial2->setEnabled(!master);
    setFrameLook(ui->frame_7, master);
    if (master) {
        ui->frame_12->setIPCtrlEnabled(true);
        ui->checkBox->setChecked(true);
    } else {
        ui->frame_12->clearEdit();
        ui->frame_12->setIPCtrlEnabled(false);
    }
    ui->lineEdit_Port4->setEnabled(false);

    QTableWidget *table = ui->page4_tab;
    table->setRowCount(0);
    table->setRowCount(std::max(kIdMapRows, m_idMapCount));
    for (int i = 0; i < m_idMapCount; ++i) {
        const CIDMap &map = *pConfigure->m_idMaps.at(i);
        const bool tcp = map.m_ip != kNoAddress;
        setRow(table, i, tcp ? QStringLiteral("Modbus TCP") : QStringLiteral("Modbus"),
               tcp ? QStringLiteral("%1:%2").arg(map.m_ip, map.m_port) : GetStr(5054).arg(map.m_serialIndex + 1),
               storedRangeText(map));
    }
}

void Config::OnKillActive_page4()
{
    // Every change of this page is stored by its buttons.
}

void Config::on_bt_Setup_clicked()
{
    // Only this Set's outcome counts: a refusal left over from an earlier
    // click must not swallow the next Add or Modify.
    IsSetup = false;
    readIdRangeFields(*this, *ui);
    if (m_workMax < m_workMin) {
        Msg::warn(this, GetStr(5023));
        m_workMin = m_workMax = 1;
        IsSetup = true;
        return;
    }
    const int first = m_workMin + m_workOffset;
    const int last = m_workMax + m_workOffset;
    if (validSlaveId(first) && validSlaveId(last)) {
        m_actualRange = QStringLiteral("%1-%2").arg(first).arg(last);
        ui->lineEdit_slave->setText(m_actualRange);
        return;
    }
    Msg::warn(this, GetStr(5024));
    m_workOffset = 0;
    IsSetup = true;
}

void Config::on_bt_Add_clicked()
{
    if (!pConfigure)
        return;
    QTableWidget *table = ui->page4_tab;
    if (table->rowCount() < kIdMapRows)
        table->setRowCount(kIdMapRows);
    if (m_idMapCount >= Catalogue::byCode(modelCode()).maxIdMaps) {
        Msg::warn(this, GetStr(5025));
        return;
    }
    readIdRangeFields(*this, *ui);
    if (m_workMax < m_workMin) {
        Msg::warn(this, GetStr(5026));
        m_workMin = m_workMax = 1;
        return;
    }
    QString address;
    if (!setAndTakeTarget(*this, *ui, 5028, address))
        return;
    const QString port = formPortText(*ui);
    writeFormRow(*this, *ui, m_idMapCount, address, port, false);
    ++m_idMapCount;

    auto *map = new CIDMap;
    storeForm(*this, *ui, *map, address, port);
    pConfigure->m_idMaps.append(map);
    IsSave = true;
}

void Config::on_bt_Modbify_clicked()
{
    if (!pConfigure || m_selIdMap < 0 || m_selIdMap >= pConfigure->m_idMaps.size())
        return;
    CIDMap &map = *pConfigure->m_idMaps.at(m_selIdMap);
    const CIDMap before = map;
    QString address;
    if (!setAndTakeTarget(*this, *ui, 5031, address))
        return;
    const QString port = formPortText(*ui);
    writeFormRow(*this, *ui, m_selIdMap, address, port, true);
    storeForm(*this, *ui, map, address, port);
    // The sign counts as a change too: +5 turned into -5 must not close unprompted.
    if (map.m_ip != before.m_ip || map.m_port != before.m_port || map.m_serialIndex != before.m_serialIndex
        || map.m_idMin != before.m_idMin || map.m_idMax != before.m_idMax || map.m_offset != before.m_offset
        || map.m_negative != before.m_negative)
        IsSave = true;
}

void Config::on_bt_Delete_clicked()
{
    if (!pConfigure || !PageTable::deleteEntry(pConfigure->m_idMaps, m_selIdMap))
        return;
    PageTable::removeNumberedRow(ui->page4_tab, m_selIdMap);
    --m_idMapCount;
    m_selIdMap = -1;
    IsSave = true;
}

void Config::on_page4_tab_cellClicked(int row, int)
{
    if (!pConfigure || row < 0 || row >= pConfigure->m_idMaps.size())
        return;
    m_selIdMap = row;
    const CIDMap &map = *pConfigure->m_idMaps.at(row);
    if (map.m_serialIndex >= ui->m_serial2->count()) {
        Msg::warn(this, QStringLiteral("Index is Error"));
        m_selIdMap = -1;
        return;
    }

    const bool master = isMasterMode(g_commMode);
    if (master && map.m_ip != kNoAddress) {
        showIP(ui->frame_12, map.m_ip);
        const bool defaultPort = map.m_port == kDefaultPort;
        ui->checkBox->setChecked(defaultPort);
        ui->lineEdit_Port4->setText(defaultPort ? kDefaultPort : map.m_port);
        ui->lineEdit_Port4->setEnabled(!defaultPort);
    } else {
        if (!master && map.m_ip == kNoAddress)
            ui->m_serial2->setCurrentIndex(map.m_serialIndex);
        ui->frame_12->clearEdit();
        ui->checkBox->setChecked(true);
        ui->lineEdit_Port4->setText(kDefaultPort);
        ui->lineEdit_Port4->setEnabled(false);
    }

    m_workMin = map.m_idMin;
    m_workMax = map.m_idMax;
    m_workOffset = map.m_negative ? -map.m_offset : map.m_offset;
    m_actualRange = QStringLiteral("%1-%2").arg(m_workMin + m_workOffset).arg(m_workMax + m_workOffset);
    ui->lineEdit_slave->setText(m_actualRange);
}

void Config::on_checkBox_stateChanged(int state)
{
    const bool useDefault = state == Qt::Checked;
    if (useDefault)
        ui->lineEdit_Port4->setText(kDefaultPort);
    ui->lineEdit_Port4->setEnabled(!useDefault);
}

void Config::on_m_serial2_activated(int)
{
    // Choosing a port is taken by Add or Modify.
}
