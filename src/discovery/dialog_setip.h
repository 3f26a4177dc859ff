#pragma once

#include "discovery/deviceprobe.h"
#include "discovery/equipment.h"

#include <QVector>
#include <QWidget>

class QCloseEvent;
class QUdpSocket;
class Ui_Dialog_SetIP;

// Asks one gateway by its address with the discovery request and hands the
// device that answers to the main window.
class Dialog_SetIP : public QWidget
{
    Q_OBJECT

public:
    static constexpr quint16 LocalPort = DeviceProbe::LocalPort;

    explicit Dialog_SetIP(QWidget *parent = nullptr);
    ~Dialog_SetIP() override;

    // The socket of the search under way; null while none is.
    QUdpSocket *socket() const { return m_socket; }
    const QVector<CEquipment> &records() const { return m_records; }

Q_SIGNALS:
    void clearwidget(QVector<CEquipment *> records);

public Q_SLOTS:
    void on_bt_ok_clicked();
    void on_bt_cancel_clicked();
    void clientMessage();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Lets go of the port: another socket of the tool bound to it (the list
    // refresh) receives nothing while this one is bound, as it was bound later.
    void releaseSocket();

    QUdpSocket *m_socket = nullptr;
    QVector<CEquipment> m_records;
    Ui_Dialog_SetIP *ui = nullptr;
};
