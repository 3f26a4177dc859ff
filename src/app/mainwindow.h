#pragma once

#include "discovery/devicesearch.h"
#include "discovery/equipment.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QMainWindow>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QVector>

class QMenu;
class QPoint;
class QPushButton;
class QUrl;
class QTimer;
class Dialog_SetIP;
class Ui_MainWindow_1;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void EnableMyButton(bool enabled);
    // The "About" action's handler, connected by hand: as a slot its name would
    // make the automatic connection by object name look for an "action" object.
    void on_action_trigered();
    static int IPV4StringToInteger(const QString &text);

    bool MyRecvBuf();
    int RecvPack(unsigned char *block);
    int RecvPack1(unsigned char *block);
    // Writes the current configuration to an ".inf" file as it stands, with
    // `modelName` as the file's model; the gateway is not read.
    void saveConfiguration(const QString &modelName);

    // Read access for the search progress dialog and for tests.
    QVector<CEquipment *> &equipmentList() { return m_equipmentList; }
    DeviceSearch &deviceSearch() { return m_search; }
    QUdpSocket &searchSocket(int i) { return m_search.socket(i); }
    QUdpSocket &refreshSocket() { return m_refreshSocket; }
    int selectedRow() const { return m_selectedRow; }
    Ui_MainWindow_1 *widgets() const { return ui; }
    QTimer *netTimer() const { return m_netTimer; }
    bool netOk() const { return m_netOk; }
    QMenu *contextMenu() const { return m_menu; }
    bool dragOff() const { return m_dragOff; }

    // Where the banner pictures lead.
    static QUrl bannerUrl(int picture);
    static QString bannerToolTip(int picture);
    // Looked up periodically; the banner links are live while it resolves.
    static QString reachabilityHost();

    // Sender of the last answer to the list refresh.
    quint16 m_peerPort = 0;
    QHostAddress m_peerAddr;

public Q_SLOTS:
    void setBtStatus(QPushButton *button, bool enabled);
    void Slot_ClearWidget(QVector<CEquipment *> records);
    void Show_Configui();
    void OnProperties(QString model, QString version);
    void OnConfigure();
    void on_bt_Save_clicked();
    void clientMessage();
    void onTimeout();
    void onLookupHost(const QHostInfo &info);
    void on_bt_Search_clicked();
    void on_bt_CappointIP_clicked();
    void on_tableWidget_cellClicked(int row, int column);
    void on_bt_New_clicked();
    void on_bt_Communicate_clicked();
    void on_tableWidget_cellDoubleClicked(int row, int column);
    void on_bt_Locate_clicked();
    void on_bt_Remotely_reset_clicked();
    void on_bt_Open_clicked();
    void on_bt_Configure_clicked();
    void on_bt_Exit_clicked();
    void on_toolButton_clicked();
    void on_toolButton_2_clicked();
    void on_toolButton_3_clicked();
    void on_bt_Help_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public:
    // Fills the table rows from m_equipmentList and centres the cells.
    void fillTable();

private:
    // Removes the entries of m_equipmentList and deletes them.
    void clearEquipment();
    // No row is selected any more and the buttons that need a selected gateway
    // are off: a row number of the old list names another gateway in the new.
    void forgetSelection();
    CEquipment *selectedEquipment() const;
    bool insideBanner(const QPoint &windowPos) const;
    void moveBy(const QPoint &globalPos);

    QVector<CEquipment *> m_equipmentList;
    int m_localAddrCount = 0;
    DeviceSearch m_search;
    QUdpSocket m_refreshSocket;
    QTcpSocket m_cmdSocket;
    QTcpSocket *m_readSocket = nullptr;
    Dialog_SetIP *m_ipSearchDialog = nullptr;
    int m_selectedRow = -1;
    QTimer *m_netTimer = nullptr;
    bool m_netOk = false;
    QMenu *m_menu = nullptr;
    bool m_dragOff = true;
    int m_lastPos[2] = {0, 0};
    Ui_MainWindow_1 *ui = nullptr;
};
