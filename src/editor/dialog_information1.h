#pragma once

#include <QDialog>

class Ui_Dialog_Information1;

// Read-only summary of the timing (time between characters, response timeout,
// delay between polls) of every serial port, as the configuration holds them
// when it opens.
class Dialog_Information1 : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog_Information1(QWidget *parent = nullptr);
    ~Dialog_Information1() override;

    Ui_Dialog_Information1 *widgets() const { return ui; }

private:
    Ui_Dialog_Information1 *ui = nullptr;
};
