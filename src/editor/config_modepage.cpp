// Pages "Mode" and "Ethernet" of the editor.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_config.h"

#include <QTableWidget>

#include <array>

namespace {

constexpr int kMaxNameLength = 20; // the gateway keeps 20 bytes of name

bool isStaticAddressing(int ipMode)
{
    return ipMode != 1 && ipMode != 2;
}

// Address, mask and gateway are edited only with a manually assigned
// address; the DNS servers are shown but never edited here.
void showAddressing(const Config *editor, bool editable)
{
    for (int i = 0; i < 3; ++i) {
        Config::setFrameLook(editor->ethernetFrame(i), editable);
        editor->ethernetCtrl(i)->setIPCtrlEnabled(editable);
    }
    for (int i = 3; i < 5; ++i) {
        if (!editable)
            Config::setFrameLook(editor->ethernetFrame(i), false);
        editor->ethernetCtrl(i)->setIPCtrlEnabled(false);
    }
}

// The name as the gateway gets it: the text before the first blank.
QString nameBeforeBlank(const QString &text)
{
    return text.section(QLatin1Char(' '), 0, 0);
}

void chooseMode(Config *editor, int mode)
{
    if (!pConfigure)
        return;
    editor->WhetherDeleteIDMapping(g_commMode, mode);
    if (g_commMode == mode)
        IsSave = true;
}

} // namespace

void Config::OnSetActive_page1()
{
    const std::array<QRadioButton *, 4> buttons{ui->RD_RTU_Slave, ui->RD_RTU_Master, ui->RD_ASCII_Slave,
                                                ui->RD_ASCII_Master};
    const int mode = (g_commMode >= 0 && g_commMode <= 3) ? g_commMode : 0;
    buttons[mode]->setChecked(true);
}

void Config::on_RD_RTU_Slave_clicked()
{
    chooseMode(this, 0);
}

void Config::on_RD_RTU_Master_clicked()
{
    chooseMode(this, 1);
}

void Config::on_RD_ASCII_Slave_clicked()
{
    chooseMode(this, 2);
}

void Config::on_RD_ASCII_Master_clicked()
{
    chooseMode(this, 3);
}

void Config::WhetherDeleteIDMapping(int oldMode, int newMode)
{
    // RTU and ASCII of the same side keep the mappings: they name the same
    // kind of target (a serial port for a slave, a TCP server for a master).
    if (isMasterMode(oldMode) == isMasterMode(newMode)) {
        g_commMode = newMode;
        return;
    }
    const QMessageBox::StandardButton answer =
        Msg::ask(this, Msg::productTitle(),
                 QStringLiteral("This operation will clear the ID Mapping, whether to continue?"));
    if (answer == QMessageBox::Yes) {
        if (pConfigure)
            clearEntries(pConfigure->m_idMaps);
        ui->page4_tab->setRowCount(0);
        m_idMapCount = 0;
        m_selIdMap = -1;
        g_commMode = newMode;
        return;
    }
    OnSetActive_page1();
}

void Config::OnSetActive_page2()
{
    if (!pConfigure)
        return;
    const int ipMode = pConfigure->m_ipMode;
    // A mode this model does not offer (BOOTP on most) shows as no selection.
    ui->comboBox_EtherNet->setCurrentIndex(ipMode >= 0 && ipMode < ui->comboBox_EtherNet->count() ? ipMode : -1);
    const std::array<const QString *, 5> addresses{&pConfigure->m_ip, &pConfigure->m_mask, &pConfigure->m_gateway,
                                                   &pConfigure->m_dns1, &pConfigure->m_dns2};
    for (int i = 0; i < 5; ++i)
        showIP(ethernetCtrl(i), *addresses[i]);
    ui->lineEdit_Name->setText(pConfigure->m_name);
    showAddressing(this, isStaticAddressing(ipMode));
}

void Config::on_comboBox_EtherNet_activated(int index)
{
    showAddressing(this, isStaticAddressing(index));
    if (pConfigure && index != pConfigure->m_ipMode)
        IsSave = true;
}

void Config::on_lineEdit_Name_editingFinished()
{
    if (!pConfigure)
        return;
    // The field is corrected before any box opens: the box takes the focus,
    // which finishes the editing once more.
    const QString text = ui->lineEdit_Name->text();
    if (text.size() > kMaxNameLength) {
        ui->lineEdit_Name->clear();
        Msg::warn(this, GetStr(5051));
        return;
    }
    const QString name = nameBeforeBlank(text);
    ui->lineEdit_Name->setText(name);
    if (name != text)
        Msg::warn(this, GetStr(5052));
    if (name != pConfigure->m_name)
        IsSave = true;
}

// Leaving stores only what the user changed: a field that still shows the
// stored value keeps it, also one the page cannot show as it stands (a mode
// the model lacks, an address that is no dotted quad, a name with a blank).
void Config::OnKillActive_page2()
{
    if (!pConfigure)
        return;
    const int ipMode = ui->comboBox_EtherNet->currentIndex();
    if (ipMode >= 0 && ipMode != pConfigure->m_ipMode) {
        IsSave = true;
        pConfigure->m_ipMode = ipMode;
    }
    const std::array<QString *, 5> addresses{&pConfigure->m_ip, &pConfigure->m_mask, &pConfigure->m_gateway,
                                             &pConfigure->m_dns1, &pConfigure->m_dns2};
    for (int i = 0; i < 5; ++i) {
        const QString shown = ethernetCtrl(i)->getIP();
        if (shown != shownAddress(*addresses[i])) {
            IsSave = true;
            *addresses[i] = shown;
        }
    }
    // A name typed without finishing the edit is stored here too, so it
    // counts as a change as well.
    const QString text = ui->lineEdit_Name->text();
    if (text == pConfigure->m_name)
        return;
    const QString name = text.size() > kMaxNameLength ? QString() : nameBeforeBlank(text);
    if (name != pConfigure->m_name)
        IsSave = true;
    pConfigure->m_name = name;
}
