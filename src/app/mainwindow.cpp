#include "app/mainwindow.h"

#include "app/accessiblenames.h"
#include "app/bannerpictures.h"
#include "app/buttonstyle.h"
#include "app/manual.h"
#include "app/mydialog.h"
#include "app/myadvertisewidget.h"
#include "config/globals.h"
#include "config/selectdevice.h"
#include "diagnostics/communication_test.h"
#include "discovery/dialog_setip.h"
#include "editor/dialoglook.h"
#include "messages/messagetable.h"
#include "resources/resources.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDebug>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

const char *const kReachabilityHost = "www.example.com";

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow_1)
{
    initResources();
    auto *banner = new BannerPictures({QStringLiteral(":/image/zuv-IOT-QT.png"), QStringLiteral(":/image/HART.png"),
                                       QStringLiteral(":/image/EtherNet.png")},
                                      this);
    // Set before the widgets exist, this sheet costs no restyling of the whole tree.
    setStyleSheet(QStringLiteral("border-radius: 1px;solid rgb(0,0,0)"));
    ui->setupUi(this);
    setFixedSize(1174, 665);
    setWindowTitle(QStringLiteral("ZUV-DL-CFG"));

    const QFont times = DialogLook::timesFont();
    const QList<QPushButton *> buttons = findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        button->setFont(times);
    ui->tableWidget->setFont(times);
    QHeaderView *header = ui->tableWidget->horizontalHeader();
    header->setFont(times);
    header->setStyleSheet(QStringLiteral("font:15px 'Times';"));
    header->setSectionResizeMode(QHeaderView::Stretch);
    ui->tableWidget->setColumnWidth(CEquipment::Number, 60);
    ui->tableWidget->setColumnWidth(CEquipment::Model, 180);
    ui->tableWidget->setColumnWidth(CEquipment::MacAddress, 150);
    AccessibleNames::set(ui->tableWidget, QStringLiteral("Equipment List"));
    ui->frame->setStyleSheet(QStringLiteral("border:none;"));
    ui->frame_2->setStyleSheet(QStringLiteral("border:none;"));
    ui->frame_3->setStyleSheet(QStringLiteral("border:none;"));

    setBtStatus(ui->bt_Locate, false);
    setBtStatus(ui->bt_Configure, false);
    setBtStatus(ui->bt_Remotely_reset, false);
    setBtStatus(ui->bt_Save, false);
    ui->bt_Search->setStyleSheet(buttonStyle(true, ButtonTone::Primary));
    m_ipSearchDialog = nullptr;
    m_selectedRow = -1;

    setWindowFlags(Qt::CustomizeWindowHint);
    const QString white = QStringLiteral("border-radius: 0px;background: white");
    ui->toolButton->setStyleSheet(white);
    ui->toolButton_2->setStyleSheet(white);
    ui->toolButton_3->setStyleSheet(white);
    ui->label_2->setStyleSheet(QStringLiteral("background: white"));
    ui->label_3->setStyleSheet(QStringLiteral("background: white"));
    ui->centralWidget->setStyleSheet(QStringLiteral("border-radius: 1px;solid rgb(0,0,0)"));

    const QPixmap icon(QStringLiteral(":/image/favicon.ico"));
    ui->label_3->setPixmap(icon.scaled(ui->label_3->maximumSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    banner->handTo(ui->label);

    DialogLook::centreOnDesktop(this);
    installEventFilter(this);
    connect(&m_refreshSocket, &QUdpSocket::readyRead, this, &MainWindow::clientMessage);

    m_menu = new QMenu(this);
    QAction *about = m_menu->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, &MainWindow::on_action_trigered);

    m_netTimer = new QTimer(this);
    connect(m_netTimer, &QTimer::timeout, this, &MainWindow::onTimeout);
    m_netTimer->start(100);
}

MainWindow::~MainWindow()
{
    delete m_ipSearchDialog;
    clearEquipment();
    delete ui;
}

void MainWindow::clearEquipment()
{
    qDeleteAll(m_equipmentList);
    m_equipmentList.clear();
}

void MainWindow::fillTable()
{
    QTableWidget *table = ui->tableWidget;
    table->clearContents();
    table->setRowCount(m_equipmentList.size() + 10);
    for (int row = 0; row < m_equipmentList.size(); ++row) {
        for (int column = 0; column < CEquipment::ColumnCount; ++column) {
            auto *item = new QTableWidgetItem(m_equipmentList[row]->field(column));
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(row, column, item);
        }
    }
}

CEquipment *MainWindow::selectedEquipment() const
{
    return m_selectedRow >= 0 && m_selectedRow < m_equipmentList.size() ? m_equipmentList[m_selectedRow] : nullptr;
}

void MainWindow::setBtStatus(QPushButton *button, bool enabled)
{
    const bool primary = button == ui->bt_Configure || button == ui->bt_Search;
    setButtonEnabled(button, enabled, primary ? ButtonTone::Primary : ButtonTone::Ordinary);
}

void MainWindow::EnableMyButton(bool enabled)
{
    setBtStatus(ui->bt_Save, enabled);
    setBtStatus(ui->bt_Locate, enabled);
    setBtStatus(ui->bt_Configure, enabled);
    setBtStatus(ui->bt_Remotely_reset, enabled);
}

int MainWindow::IPV4StringToInteger(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return 0;
    // Unsigned shifts: the first number lands in the sign bit.
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value |= quint32(parts[i].toInt()) << (24 - 8 * i);
    return int(value);
}

QUrl MainWindow::bannerUrl(int picture)
{
    switch (picture) {
    case 0: return QUrl(QStringLiteral("https://www.example.com/products/search?category=iot"));
    case 1: return QUrl(QStringLiteral("https://www.example.com/products/hart"));
    default: return QUrl(QStringLiteral("https://www.example.com/products/ethernet-ip"));
    }
}

QString MainWindow::bannerToolTip(int picture)
{
    switch (picture) {
    case 0: return QStringLiteral("IOT");
    case 1: return QStringLiteral("HRAT");
    default: return QStringLiteral("EtherNet/IP");
    }
}

QString MainWindow::reachabilityHost()
{
    return QString::fromLatin1(kReachabilityHost);
}

void MainWindow::on_action_trigered()
{
    auto *about = new MyDialog;
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void MainWindow::onTimeout()
{
    m_netTimer->stop();
    QHostInfo::lookupHost(reachabilityHost(), this, SLOT(onLookupHost(QHostInfo)));
}

void MainWindow::onLookupHost(const QHostInfo &info)
{
    if (info.error() == QHostInfo::NoError) {
        m_netOk = true;
        qDebug() << "Lookup success";
    } else {
        m_netOk = false;
        qDebug() << "Lookup failed:" << info.errorString();
    }
    m_netTimer->start(10000);
}

void MainWindow::on_bt_CappointIP_clicked()
{
    g_appointIpAddr.clear();
    if (!m_ipSearchDialog) {
        m_ipSearchDialog = new Dialog_SetIP;
        connect(m_ipSearchDialog, &Dialog_SetIP::clearwidget, this, &MainWindow::Slot_ClearWidget);
    }
    m_ipSearchDialog->show();
}

void MainWindow::on_tableWidget_cellClicked(int row, int)
{
    if (row < 0 || row >= m_equipmentList.size()) {
        EnableMyButton(false);
        return;
    }
    m_selectedRow = row;
    const QTableWidgetItem *model = ui->tableWidget->item(row, CEquipment::Model);
    if (model && model->text() == GetStr(8000)) {
        EnableMyButton(false);
        return;
    }
    m_clickList1Item1 = m_clickList1Item2 = row;
    EnableMyButton(true);
    const CEquipment *device = m_equipmentList[row];
    IsTrue = device->m_password == GetStr(4010);
    g_appointIpAddr = device->m_ip;
}

void MainWindow::on_bt_New_clicked()
{
    auto *chooser = new SelectDevice;
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    connect(chooser, &SelectDevice::Call_Config, this, &MainWindow::Show_Configui);
    savefilename.clear();
    chooser->show();
}

void MainWindow::on_bt_Communicate_clicked()
{
    auto *test = new Communication_Test;
    test->setAttribute(Qt::WA_DeleteOnClose);
    test->show();
}

void MainWindow::on_tableWidget_cellDoubleClicked(int row, int)
{
    if (row >= 0 && row < m_equipmentList.size())
        OnConfigure();
}

void MainWindow::on_bt_Configure_clicked()
{
    OnConfigure();
}

void MainWindow::on_bt_Exit_clicked()
{
    close();
}

void MainWindow::on_toolButton_clicked()
{
    close();
}

void MainWindow::on_toolButton_2_clicked()
{
    on_action_trigered();
}

void MainWindow::on_toolButton_3_clicked()
{
    showMinimized();
}

void MainWindow::on_bt_Help_clicked()
{
    Manual::open();
}

bool MainWindow::insideBanner(const QPoint &windowPos) const
{
    const QRect banner(ui->label->mapTo(this, QPoint(0, 0)), ui->label->size());
    return banner.contains(windowPos);
}

void MainWindow::moveBy(const QPoint &globalPos)
{
    move(pos() + globalPos - QPoint(m_lastPos[0], m_lastPos[1]));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::EnterWhatsThisMode:
        on_action_trigered();
        return false;
    case QEvent::WindowStateChange: {
        QHeaderView *header = ui->tableWidget->horizontalHeader();
        if (isMaximized() || m_equipmentList.isEmpty()) {
            header->setSectionResizeMode(QHeaderView::Stretch);
        } else {
            for (int column = 0; column < CEquipment::ColumnCount; ++column)
                header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint global(qRound(mouse->screenPos().x()), qRound(mouse->screenPos().y()));
        m_dragOff = false;
        m_lastPos[0] = global.x();
        m_lastPos[1] = global.y();
        if (mouse->buttons() == Qt::RightButton) {
            m_dragOff = true;
            m_menu->popup(global);
        }
        if (insideBanner(mapFromGlobal(global)) && m_netOk)
            QDesktopServices::openUrl(bannerUrl(ui->label->currentIndex()));
        return false;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint global(qRound(mouse->screenPos().x()), qRound(mouse->screenPos().y()));
        if (!m_dragOff)
            moveBy(global);
        m_lastPos[0] = global.x();
        m_lastPos[1] = global.y();
        if (insideBanner(mapFromGlobal(global)) && m_netOk) {
            setCursor(Qt::PointingHandCursor);
            ui->label->setToolTip(bannerToolTip(ui->label->currentIndex()));
        } else {
            setCursor(Qt::ArrowCursor);
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_dragOff)
            moveBy(QPoint(qRound(mouse->screenPos().x()), qRound(mouse->screenPos().y())));
        m_dragOff = true;
        return false;
    }
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}
