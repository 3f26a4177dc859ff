// Page "#ID Mapping" of the editor.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "messages/messagetable.h"
#include "ui_config.h"

#include <algorithm>

bool IsSetup = false;

namespace {

constexpr int kIdMapRows = 40;

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

} // namespace

void Config::OnSetActive_page4()
{
    if (!pConfigure)
        return;
    m_idMapCount = pConfigure->m_idMaps.size();
    m_selIdMap = -1;
    ui->lineEdit_Port4->setText(QStringLiteral("502"));

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
        const bool tcp = map.m_ip != QLatin1String("0.0.0.0");
        table->setItem(i, 0, centredItem(QString::number(i + 1)));
        table->setItem(i, 1, centredItem(tcp ? QStringLiteral("Modbus TCP") : QStringLiteral("Modbus")));
        table->setItem(i, 2, centredItem(tcp ? QStringLiteral("%1:%2").arg(map.m_ip, map.m_port)
                                             : GetStr(5054).arg(map.m_serialIndex + 1)));
        table->setItem(i, 3, centredItem(storedRangeText(map)));
    }
}

void Config::OnKillActive_page4()
{
    // Every change of this page is stored by its buttons.
}

void Config::on_bt_Setup_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_Add_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_Modbify_clicked()
{
    // filled by the page's own change
}

void Config::on_bt_Delete_clicked()
{
    // filled by the page's own change
}

void Config::on_page4_tab_cellClicked(int, int)
{
    // filled by the page's own change
}

void Config::on_checkBox_stateChanged(int)
{
    // filled by the page's own change
}

void Config::on_m_serial2_activated(int)
{
    // Choosing a port is taken by Add or Modify.
}
