#pragma once

#include <QDialog>

class Ui_Dialog_Information;

// Read-only summary of the line settings (baud rate, check bits, stop bits,
// data bits) of every serial port, as the configuration holds them when it opens.
class Dialog_Information : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog_Information(QWidget *parent = nullptr);
    ~Dialog_Information() override;

    Ui_Dialog_Information *widgets() const { return ui; }

private:
    Ui_Dialog_Information *ui = nullptr;
};
