#pragma once

#include "diagnostics/modbusclient.h"

#include <QString>
#include <QTcpSocket>
#include <QWidget>

class QLineEdit;
class QPushButton;
class Ui_Communication_Test;

// Sends one Modbus TCP request at a time to a server the user names and shows
// whether and how it answered, through a ModbusClient that keeps the
// connection between sends to the same address and port.
class Communication_Test : public QWidget
{
    Q_OBJECT

public:
    explicit Communication_Test(QWidget *parent = nullptr);
    ~Communication_Test() override;

    // Two lowercase hex digit characters to a byte.
    static unsigned char conversion(unsigned char high, unsigned char low);
    void setBtStatus(QPushButton *button, bool on);

    int transId() const { return m_transId; }
    QString state() const { return m_state; }

private Q_SLOTS:
    void on_comboBox_activated(int index);
    void on_lineEdit_number_editingFinished();
    void on_bt_Send_clicked();

private:
    int currentCode() const;
    void clampQuantityField();
    void setFieldEnabled(QLineEdit *field, bool enabled);
    void send();
    void showReply(const ModbusClient::Reply &reply);
    void clearResult();

    Ui_Communication_Test *ui = nullptr;
    int m_transId = 0;
    QTcpSocket m_socket;
    ModbusClient m_client;
    QString m_state;
};
