// Pages "Mode" and "Ethernet" of the editor.
#include "editor/config.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "ui_config.h"

#include <array>

namespace {

bool isStaticAddressing(int ipMode)
{
    return ipMode != 1 && ipMode != 2;
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
    // filled by the page's own change
}

void Config::on_RD_RTU_Master_clicked()
{
    // filled by the page's own change
}

void Config::on_RD_ASCII_Slave_clicked()
{
    // filled by the page's own change
}

void Config::on_RD_ASCII_Master_clicked()
{
    // filled by the page's own change
}

void Config::WhetherDeleteIDMapping(int, int)
{
    // filled by the page's own change
}

void Config::OnSetActive_page2()
{
    if (!pConfigure)
        return;
    const int ipMode = pConfigure->m_ipMode;
    // A mode this model does not offer shows as the manual assignment.
    ui->comboBox_EtherNet->setCurrentIndex(ipMode >= 0 && ipMode < ui->comboBox_EtherNet->count() ? ipMode : 0);
    const std::array<const QString *, 5> addresses{&pConfigure->m_ip, &pConfigure->m_mask, &pConfigure->m_gateway,
                                                   &pConfigure->m_dns1, &pConfigure->m_dns2};
    for (int i = 0; i < 5; ++i)
        showIP(ethernetCtrl(i), *addresses[i]);
    ui->lineEdit_Name->setText(pConfigure->m_name);

    const bool editable = isStaticAddressing(ipMode);
    for (int i = 0; i < 3; ++i) {
        setFrameLook(ethernetFrame(i), editable);
        ethernetCtrl(i)->setIPCtrlEnabled(editable);
    }
    for (int i = 3; i < 5; ++i) {
        if (!editable)
            setFrameLook(ethernetFrame(i), false);
        ethernetCtrl(i)->setIPCtrlEnabled(false);
    }
}

void Config::on_comboBox_EtherNet_activated(int)
{
    // filled by the page's own change
}

void Config::on_lineEdit_Name_editingFinished()
{
    // filled by the page's own change
}

void Config::OnKillActive_page2()
{
    if (!pConfigure)
        return;
    pConfigure->m_ipMode = ui->comboBox_EtherNet->currentIndex();
    const std::array<QString *, 5> addresses{&pConfigure->m_ip, &pConfigure->m_mask, &pConfigure->m_gateway,
                                             &pConfigure->m_dns1, &pConfigure->m_dns2};
    for (int i = 0; i < 5; ++i) {
        const QString shown = ethernetCtrl(i)->getIP();
        if (shown != *addresses[i])
            IsSave = true;
        *addresses[i] = shown;
    }
    const QString name = ui->lineEdit_Name->text();
    pConfigure->m_name = name.size() > 20 ? QString() : name.section(QLatin1Char(' '), 0, 0);
}
