#pragma once

#include <QDialog>

class DeviceSearch;
class MainWindow;
class Ui_Wait;

// Progress dialog of the device search: it starts the owner's search over its
// `count` local addresses, shows its progress, and closes when it ends.
class Wait : public QDialog
{
    Q_OBJECT

public:
    Wait(MainWindow *owner, int count, QWidget *parent = nullptr);
    ~Wait() override;

    int progress() const { return m_progress; }

private:
    void showProgress(int value);

    DeviceSearch &m_search;
    int m_progress;
    Ui_Wait *ui;
};
