#pragma once

#include <QDialog>

class Ui_Dialog_Save;

// The editor's close prompt: asks whether the configuration is to be saved to
// a file before the editor closes.
class Dialog_Save : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog_Save(QWidget *parent = nullptr);
    ~Dialog_Save() override;

    Ui_Dialog_Save *widgets() const { return ui; }

Q_SIGNALS:
    // Historical name: asks the receiver to save the configuration to a file.
    void signal_download();

public Q_SLOTS:
    void on_bt_yes_clicked();
    void on_bt_no_clicked();

private:
    Ui_Dialog_Save *ui = nullptr;
};
