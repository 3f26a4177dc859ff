#pragma once

#include <QString>
#include <QTcpSocket>
#include <QWidget>

#include <array>
#include <cstdint>

class QCloseEvent;
class QPushButton;
class QTableWidgetItem;
class MyIPCtrl;
class Dialog_Save;
class Ui_Config;

// Set by the ID-mapping page's Set when the entered range cannot be used; Add
// and Modify read and reset it.
extern bool IsSetup;

// The seven-page editor of the current configuration (pConfigure). It edits
// the configuration in place: every page change stores the page being left
// and fills the page being entered. It deletes itself when closed, so create
// it with new.
class Config : public QWidget
{
    Q_OBJECT

public:
    static constexpr int PageCount = 7;
    static constexpr int HintPages = 4; // pages 3 to 6 show a hint on first entry
    static constexpr int RangeCount = 6;

    explicit Config(QWidget *parent = nullptr);
    ~Config() override;

    Ui_Config *widgets() const { return ui; }
    Dialog_Save *saveDialog() const { return m_saveDialog; }
    int currentPage() const { return m_curPage; }
    int modelCode() const { return m_modelCode; }

    // Dotted text to an integer with the first number in the lowest byte.
    static int32_t IPV4StringToInteger(const QString &text);
    // Fixed-layout block into `buffer` (1216 bytes); returns 1216.
    int SendPark(char *buffer);
    // Packed-layout block into `buffer`; returns the index of its last byte.
    int SendPark1(char *buffer);

    // Shows `text` in `ctrl`; a text that is not a dotted quad empties it.
    static void showIP(MyIPCtrl *ctrl, const QString &text);
    // What the control hands back (getIP) after showIP(text).
    static QString shownAddress(const QString &text);

    // Look of a frame that holds an IP entry control.
    static void setFrameLook(QWidget *frame, bool enabled);
    // A table item with its text centred both ways, as every editor table shows it.
    static QTableWidgetItem *centredItem(const QString &text);
    // Modes 1 and 3 are the master modes, 0 and 2 the slave modes.
    static bool isMasterMode(int mode);

    // The IP entry controls, in the order the pages show them.
    MyIPCtrl *ethernetCtrl(int i) const; // 0 IP, 1 mask, 2 gateway, 3 DNS1, 4 DNS2
    QWidget *ethernetFrame(int i) const;
    MyIPCtrl *rangeStartCtrl(int i) const;
    MyIPCtrl *rangeEndCtrl(int i) const;
    QWidget *rangeStartFrame(int i) const;
    QWidget *rangeEndFrame(int i) const;

Q_SIGNALS:
    // Asks the opener to save the configuration as it stands to a file
    // (the "Save" choices of the save-or-download dialog).
    void signal_save();

public Q_SLOTS:
    void setBtStatus(QPushButton *button, bool on);
    void slot_showErrorMsg();
    void Download();

    void on_tabWidget_currentChanged(int index);
    void on_bt_ok_clicked();
    void on_bt_cancel_clicked();
    void on_bt_help_clicked();

    // Mode page
    void on_RD_RTU_Slave_clicked();
    void on_RD_RTU_Master_clicked();
    void on_RD_ASCII_Slave_clicked();
    void on_RD_ASCII_Master_clicked();
    void WhetherDeleteIDMapping(int oldMode, int newMode);

    // Ethernet page
    void on_comboBox_EtherNet_activated(int index);
    void on_lineEdit_Name_editingFinished();

    // Serial page
    void on_comboBox_Select1_activated(int index);
    void on_m_baudRate1_activated(int index);
    void on_m_parityCheck1_activated(int index);
    void on_m_stopBit1_activated(int index);
    void on_pushButton_apply0_clicked();
    void on_pushButton_info0_clicked();

    // ID mapping page
    void on_bt_Setup_clicked();
    void on_bt_Add_clicked();
    void on_bt_Modbify_clicked();
    void on_bt_Delete_clicked();
    void on_page4_tab_cellClicked(int row, int column);
    void on_checkBox_stateChanged(int state);
    void on_m_serial2_activated(int index);

    // Timing page
    void on_combox_SelectPort_activated(int index);
    void on_lineEdit_chartimeout_editingFinished();
    void on_lineEdit_resptimeout_editingFinished();
    void on_lineEdit_delaypolls_editingFinished();
    void on_bt_apply1_clicked();
    void on_pushButton_info1_clicked();

    // Priority control page
    void on_checkBox_2_stateChanged(int state);
    void on_checkBox_3_stateChanged(int state);
    void on_checkBox_4_stateChanged(int state);
    void on_checkBox_5_stateChanged(int state);
    void on_lineEdit_slaveid6_editingFinished();
    void on_lineEdit_functioncode6_editingFinished();
    void on_bt_MasterAdd_clicked();
    void on_bt_MasterModify_clicked();
    void on_bt_MasterDelete_clicked();
    void on_pag6_Master_cellClicked(int row, int column);
    void on_pag6_Master_cellActivated(int row, int column);
    void on_bt_RequestAdd_clicked();
    void on_bt_RequestModify_clicked();
    void on_bt_RequestDelete_clicked();
    void on_pag6_Request_cellClicked(int row, int column);
    void on_pag6_Request_cellActivated(int row, int column);

    // Advanced page
    void on_checkBox_6_stateChanged(int state);
    void on_lineEdit_Port7_editingFinished();
    void on_lineEdit_TcpAlive_editingFinished();
    void on_lineEdit_SureWord_editingFinished();
    void on_checkBox_8_stateChanged(int state);
    void on_checkBox_9_stateChanged(int state);
    void on_checkBox_10_stateChanged(int state);
    void on_checkBox_11_stateChanged(int state);
    void on_checkBox_12_stateChanged(int state);
    void on_checkBox_13_stateChanged(int state);
    void on_bt_ReNewAll_clicked();

public:
    // Page entry: fills page N-1 from the configuration. The hint of pages 3
    // to 6 is shown by the page flow, not here.
    void OnSetActive_page1();
    void OnSetActive_page2();
    void OnSetActive_page3();
    void OnSetActive_page4();
    void OnSetActive_page5();
    void OnSetActive_page6();
    void OnSetActive_page7();

    // Leave hooks: store page N-1's fields into the configuration. Pages 0
    // and 5 have none.
    void OnKillActive_page2();
    void OnKillActive_page3();
    void OnKillActive_page4();
    void OnKillActive_page5();
    void OnKillActive_page7();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLists();
    void applyFonts();
    void bindRanges();
    void nameFields();
    void leavePage(int page);
    void enterPage(int page);

public:
    // Working state of the pages, open to the tests.
    int m_masterCount = 0;
    int m_selMaster = -1;
    int m_requestCount = 0;
    int m_selRequest = -1;
    int m_curPage = -1;
    int m_workMin = 1;
    int m_workMax = 1;
    int m_workOffset = 0;
    QString m_actualRange;
    int m_idMapCount = 0;
    int m_selIdMap = -1;
    std::array<bool, RangeCount> m_rangeOn{};
    QString m_newPassword;
    QString m_retypePassword;
    QTcpSocket m_socket;
    std::array<bool, HintPages> m_hintShown{};

private:
    int m_modelCode = 0;
    Dialog_Save *m_saveDialog = nullptr;
    Ui_Config *ui = nullptr;
};
