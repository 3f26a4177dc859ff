#pragma once

#include <QDialog>

class Ui_MyDialog;

// The about box: product, version, maker and its web address.
class MyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MyDialog(QWidget *parent = nullptr);
    ~MyDialog() override;

    Ui_MyDialog *widgets() const { return ui; }

public Q_SLOTS:
    void on_bt_close_clicked();

private:
    Ui_MyDialog *ui = nullptr;
};
