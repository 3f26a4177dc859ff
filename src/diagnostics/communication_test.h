#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <QWidget>

class QLineEdit;
class QPushButton;
class Ui_Communication_Test;

// Sends one Modbus TCP request at a time to a server the user names and shows
// whether and how it answered. The connection is kept between sends to the
// same address and port.
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
    // Reuses the kept connection when it still leads to the requested server,
    // otherwise connects anew; false (after the warning) when that fails.
    bool openConnection();
    void dropStaleBytes();
    bool writeFrame(const QByteArray &frame);
    QByteArray readReply();
    void showReply(const QByteArray &reply, int code);
    void clearResult();

    Ui_Communication_Test *ui = nullptr;
    int m_transId = 0;
    QTcpSocket m_socket;
    QString m_lastIp;
    quint16 m_lastPort = 502;
    bool m_sameTarget = false;
    bool m_connected = false;
    QString m_state;
};
