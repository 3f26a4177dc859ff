// The editor window: construction, page flow, OK, Cancel, closing and Help.
#include "editor/config.h"

#include "app/accessiblenames.h"
#include "app/buttonstyle.h"
#include "app/manual.h"
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "config/settinglist.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "editor/dialoglook.h"
#include "editor/mydialog2.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "resources/resources.h"
#include "ui_config.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTableWidget>

#include <algorithm>

namespace {

const char *const kEnabledLook = "background: rgb(255,255,255);border-radius: 3px;";
const char *const kDisabledLook = "background: rgb(200,200,200);border-radius: 3px;";

// Decimal ranges as the fields accept them: no leading zeros.
const char *const k0to65535 = "^(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])$";
const char *const k1to65535 = "^([1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])$";
const char *const k1to30000 = "^([1-9][0-9]{0,3}|[12][0-9]{4}|30000)$";
const char *const k1to60000 = "^([1-9][0-9]{0,3}|[1-5][0-9]{4}|60000)$";
const char *const k0to60000 = "^(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|60000)$";
const char *const k0to247 = "^(0|[1-9][0-9]?|1[0-9]{2}|2[0-3][0-9]|24[0-7])$";
const char *const kOffset = "^(0|[+-]?([1-9][0-9]?|1[0-9]{2}|2[0-3][0-9]|24[0-7]))$";
const char *const kPassword = "^[a-zA-Z0-9]+$";

void setPattern(QLineEdit *edit, const char *pattern)
{
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)), edit));
}

bool hasFixedLayout(int code)
{
    return code == 30103 || code == 30203;
}

} // namespace

Config::Config(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_Config)
{
    initResources();
    DialogLook::initEditorResources();
    m_modelCode = pConfigure ? pConfigure->m_modelCode : 0;

    ui->setupUi(this);
    resize(918, 523);
    setMinimumSize(918, 521);
    setMaximumSize(994, 532);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(IDS);
    DialogLook::centreOnDesktop(this);

    applyFonts();

    setPattern(ui->lineEdit_PassWord, kPassword);
    setPattern(ui->lineEdit_SureWord, kPassword);
    setPattern(ui->lineEdit_Port4, k0to65535);
    setPattern(ui->lineEdit_Port7, k0to65535);
    setPattern(ui->lineEdit_chartimeout, k1to30000);
    setPattern(ui->lineEdit_resptimeout, k1to60000);
    setPattern(ui->lineEdit_delaypolls, k0to60000);
    setPattern(ui->lineEdit_min, k0to247);
    setPattern(ui->lineEdit_max, k0to247);
    setPattern(ui->lineEdit_offset, kOffset);
    setPattern(ui->lineEdit_TcpAlive, k1to65535);

    ui->lineEdit_Port4->setEnabled(false);
    ui->lineEdit_Port7->setEnabled(false);

    buildLists();

    for (int i = 0; i < 5; ++i) {
        setFrameLook(ethernetFrame(i), false);
        ethernetCtrl(i)->setIPCtrlEnabled(false);
    }

    for (QPushButton *button : {ui->bt_MasterAdd, ui->bt_MasterModify, ui->bt_MasterDelete,
                                ui->bt_RequestAdd, ui->bt_RequestModify, ui->bt_RequestDelete})
        setBtStatus(button, false);
    ui->checkBox_2->setEnabled(hasFixedLayout(m_modelCode));
    ui->checkBox_3->setEnabled(hasFixedLayout(m_modelCode));

    if (pConfigure) {
        m_masterCount = pConfigure->m_masters.size();
        m_requestCount = pConfigure->m_requests.size();
        m_idMapCount = pConfigure->m_idMaps.size();
    }

    bindRanges();
    nameFields();

    m_curPage = -1;
    m_saveDialog = new Dialog_Save(this);
    ui->tabWidget->setCurrentIndex(0);
    on_tabWidget_currentChanged(0);
}

Config::~Config()
{
    delete ui;
}

void Config::applyFonts()
{
    const QFont times = DialogLook::timesFont();

    const auto setFontOf = [&times](auto widgets) {
        for (QWidget *widget : widgets)
            widget->setFont(times);
    };
    setFontOf(findChildren<QPushButton *>());
    setFontOf(findChildren<QComboBox *>());
    setFontOf(findChildren<QRadioButton *>());
    setFontOf(findChildren<QGroupBox *>());
    setFontOf(findChildren<QCheckBox *>());
    // The IP entry controls keep their own fixed-pitch fields and dots.
    const auto outsideIpControls = [](auto widgets) {
        widgets.erase(std::remove_if(widgets.begin(), widgets.end(),
                                     [](QWidget *w) { return qobject_cast<MyIPCtrl *>(w->parentWidget()); }),
                      widgets.end());
        return widgets;
    };
    setFontOf(outsideIpControls(findChildren<QLabel *>()));
    setFontOf(outsideIpControls(findChildren<QLineEdit *>()));
    for (QTableWidget *table : {ui->page4_tab, ui->pag6_Master, ui->pag6_Request}) {
        table->setFont(times);
        table->horizontalHeader()->setStyleSheet(QStringLiteral("font:15px 'Times';"));
    }
    ui->tabWidget->setFont(times);

    const QString border = QStringLiteral("border:3px;");
    for (int i = 0; i < 5; ++i)
        ethernetFrame(i)->setStyleSheet(border);
    ui->frame_7->setStyleSheet(border);
    ui->frame_16->setStyleSheet(border);
    for (int i = 0; i < RangeCount; ++i) {
        rangeStartFrame(i)->setStyleSheet(border);
        rangeEndFrame(i)->setStyleSheet(border);
    }
    ui->frame->setStyleSheet(QStringLiteral("border-radius: 0px;border:0px solid rgb(200,200,200);"));

    const QPixmap connect(QStringLiteral(":/image/bitmapconnect.bmp"));
    if (!connect.isNull())
        ui->label->setPixmap(connect.scaled(ui->label->size()));
    ui->page4_tab->setColumnWidth(3, 260);
    ui->pag6_Request->setColumnWidth(0, 120);
}

void Config::buildLists()
{
    ui->comboBox_EtherNet->addItem(GetStr(5012));
    ui->comboBox_EtherNet->addItem(QStringLiteral("DHCP"));
    if (Catalogue::offersBootp(m_modelCode))
        ui->comboBox_EtherNet->addItem(QStringLiteral("BOOTP"));
    ui->comboBox_EtherNet->setCurrentIndex(0);

    const int ports = Catalogue::serialPorts(m_modelCode);
    for (int i = 1; i <= ports; ++i) {
        const QString name = GetStr(5054).arg(i);
        ui->comboBox_Select1->addItem(name);
        ui->m_serial2->addItem(name);
        ui->combox_SelectPort->addItem(name);
    }
    ui->comboBox_Select1->setCurrentIndex(0);
    ui->m_serial2->setCurrentIndex(0);
    ui->combox_SelectPort->setCurrentIndex(0);

    ui->m_baudRate1->addItems(SettingList::baudWords());
    for (unsigned int id = 5013; id < 5013u + unsigned(Catalogue::parityChoices(m_modelCode)); ++id)
        ui->m_parityCheck1->addItem(GetStr(id));
    ui->m_stopBit1->addItems({"1", "2"});
    ui->m_dataBit1->addItem(QStringLiteral("8"));
    for (QComboBox *box : {ui->m_baudRate1, ui->m_parityCheck1, ui->m_stopBit1, ui->m_dataBit1})
        box->setCurrentIndex(0);
}

// Fields beside a label take its text; the others are named after what
// stands in for a label: the check box in front, the group around them.
void Config::nameFields()
{
    AccessibleNames::fromLabels(this);
    const QString range = ui->label_125->text().trimmed();
    AccessibleNames::set(ui->lineEdit_min, range + QStringLiteral(", first"));
    AccessibleNames::set(ui->lineEdit_max, range + QStringLiteral(", last"));
    AccessibleNames::set(ui->lineEdit_slaveid6, ui->checkBox_4->text());
    AccessibleNames::set(ui->lineEdit_functioncode6, ui->checkBox_5->text());
    AccessibleNames::set(ui->pag6_Master, ui->groupBox_4->title());
    AccessibleNames::set(ui->pag6_Request, ui->groupBox_5->title());
    for (int i = 0; i < RangeCount; ++i) {
        const QString row = QStringLiteral("%1 %2").arg(ui->groupBox_6->title()).arg(i + 1);
        AccessibleNames::set(rangeStartCtrl(i), row + QStringLiteral(", start"));
        AccessibleNames::set(rangeEndCtrl(i), row + QStringLiteral(", end"));
    }
}

void Config::bindRanges()
{
    for (int i = 0; i < RangeCount; ++i) {
        MyIPCtrl *start = rangeStartCtrl(i);
        MyIPCtrl *end = rangeEndCtrl(i);
        start->bindIP(end, false);
        end->bindIP(start, true);
        connect(start, &MyIPCtrl::showErrorMessage, this, &Config::slot_showErrorMsg);
        connect(end, &MyIPCtrl::showErrorMessage, this, &Config::slot_showErrorMsg);
    }
}

MyIPCtrl *Config::ethernetCtrl(int i) const
{
    const std::array<MyIPCtrl *, 5> ctrls{ui->ipCtrl_IP, ui->ipCtrl_Mask, ui->ipCtrl_Gateway,
                                          ui->ipCtrl_DNS1, ui->ipCtrl_DNS2};
    return ctrls.at(i);
}

QWidget *Config::ethernetFrame(int i) const
{
    const std::array<QWidget *, 5> frames{ui->frame_3, ui->frame_8, ui->frame_9, ui->frame_10, ui->frame_11};
    return frames.at(i);
}

MyIPCtrl *Config::rangeStartCtrl(int i) const
{
    const std::array<MyIPCtrl *, RangeCount> ctrls{ui->frame_24, ui->frame_28, ui->frame_32,
                                                   ui->frame_36, ui->frame_40, ui->frame_44};
    return ctrls.at(i);
}

MyIPCtrl *Config::rangeEndCtrl(int i) const
{
    const std::array<MyIPCtrl *, RangeCount> ctrls{ui->frame_26, ui->frame_30, ui->frame_34,
                                                   ui->frame_38, ui->frame_42, ui->frame_46};
    return ctrls.at(i);
}

QWidget *Config::rangeStartFrame(int i) const
{
    const std::array<QWidget *, RangeCount> frames{ui->frame_23, ui->frame_27, ui->frame_31,
                                                   ui->frame_35, ui->frame_39, ui->frame_43};
    return frames.at(i);
}

QWidget *Config::rangeEndFrame(int i) const
{
    const std::array<QWidget *, RangeCount> frames{ui->frame_25, ui->frame_29, ui->frame_33,
                                                   ui->frame_37, ui->frame_41, ui->frame_45};
    return frames.at(i);
}

void Config::showIP(MyIPCtrl *ctrl, const QString &text)
{
    if (text.split(QLatin1Char('.')).size() == 4)
        ctrl->setIP(text);
    else
        ctrl->clearEdit();
}

QString Config::shownAddress(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    return parts.size() == 4 && !parts.contains(QString()) ? text : QString();
}

void Config::setFrameLook(QWidget *frame, bool enabled)
{
    frame->setStyleSheet(QString::fromLatin1(enabled ? kEnabledLook : kDisabledLook));
}

QTableWidgetItem *Config::centredItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return item;
}

bool Config::isMasterMode(int mode)
{
    return (mode & ~2) == 1;
}

void Config::setBtStatus(QPushButton *button, bool on)
{
    setButtonEnabled(button, on);
}

void Config::slot_showErrorMsg()
{
    Msg::warn(this, GetStr(5023));
}

void Config::leavePage(int page)
{
    switch (page) {
    case 1: OnKillActive_page2(); break;
    case 2: OnKillActive_page3(); break;
    case 3: OnKillActive_page4(); break;
    case 4: OnKillActive_page5(); break;
    case 6: OnKillActive_page7(); break;
    default: break;
    }
}

void Config::enterPage(int page)
{
    switch (page) {
    case 0: OnSetActive_page1(); break;
    case 1: OnSetActive_page2(); break;
    case 2: OnSetActive_page3(); break;
    case 3: OnSetActive_page4(); break;
    case 4: OnSetActive_page5(); break;
    case 5: OnSetActive_page6(); break;
    case 6: OnSetActive_page7(); break;
    default: break;
    }
}

void Config::on_tabWidget_currentChanged(int index)
{
    if (index < 0 || index >= PageCount)
        return;
    leavePage(m_curPage);
    const int hint = index - 3;
    if (hint >= 0 && hint < HintPages && !m_hintShown[hint]) {
        m_hintShown[hint] = true;
        auto *notice = new MyDialog2(GetStr(index == 3 ? 4310 : 4309), this, this);
        notice->show();
    }
    enterPage(index);
    m_curPage = index;
}

void Config::on_bt_ok_clicked()
{
    if (pConfigure && isMasterMode(g_commMode) && pConfigure->m_idMaps.isEmpty()) {
        Msg::warn(this, GetStr(4312));
        return;
    }
    leavePage(m_curPage);

    // The choice dialog outlives a successful download, which closes the editor.
    auto *load = new Dialog_Load(nullptr);
    load->setAttribute(Qt::WA_DeleteOnClose);
    connect(load, &Dialog_Load::signal_download, this, &Config::Download);
    // The changes count as kept once they go to a file or the writer has
    // stored them; cancelling the choice keeps the close prompt.
    connect(load, &Dialog_Load::signal_save, this, [this] {
        IsSave = false;
        emit signal_save();
    });
    load->show();

    if (IsTrue)
        g_Server().close();
}

void Config::on_bt_cancel_clicked()
{
    close();
}

void Config::closeEvent(QCloseEvent *event)
{
    leavePage(m_curPage);
    if (IsSave) {
        m_saveDialog->exec();
        IsSave = false;
    }
    event->accept();
}

void Config::on_bt_help_clicked()
{
    Manual::open();
}
