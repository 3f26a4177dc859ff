#pragma once

#include <QDialog>

class Ui_Dialog_Load;

// Opened by the editor's OK: save the configuration to a file, write it to
// the selected gateway, or both.
class Dialog_Load : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog_Load(QWidget *parent = nullptr);
    ~Dialog_Load() override;

    Ui_Dialog_Load *widgets() const { return ui; }

Q_SIGNALS:
    // Asks the receiver to write the configuration to the gateway.
    void signal_download();
    // Asks the receiver to save the configuration as it stands to a file,
    // without reading the gateway first.
    void signal_save();

public Q_SLOTS:
    void on_bt_ok_clicked();
    void on_bt_cancel_clicked();

private:
    // The DHCP question and notice; false when the user stops.
    bool confirmDhcp();

    Ui_Dialog_Load *ui = nullptr;
};
