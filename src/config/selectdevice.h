#pragma once

#include <QWidget>

class Ui_SelectDevice;

// Chooser of the model for a new configuration made without a gateway.
class SelectDevice : public QWidget
{
    Q_OBJECT

public:
    explicit SelectDevice(QWidget *parent = nullptr);
    ~SelectDevice() override;

Q_SIGNALS:
    // The new configuration is current; the editor may open on it.
    void Call_Config();

private Q_SLOTS:
    void on_bt_ok_clicked();
    void on_bt_cancel_clicked();

private:
    Ui_SelectDevice *ui = nullptr;
};
