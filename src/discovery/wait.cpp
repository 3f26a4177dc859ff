#include "discovery/wait.h"

#include "app/mainwindow.h"
#include "discovery/devicesearch.h"

#include "ui_wait.h"

Wait::Wait(MainWindow *owner, int count, QWidget *parent)
    : QDialog(parent)
    , m_search(owner->deviceSearch())
    , m_progress(DeviceSearch::StartProgress)
    , ui(new Ui_Wait)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Dialog"));
    resize(400, 38);
    setFixedWidth(400);
    ui->progressBar->setRange(0, DeviceSearch::MaxProgress);
    ui->progressBar->setValue(m_progress);
    ui->progressBar->setTextVisible(false);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                   | Qt::X11BypassWindowManagerHint);
    move(owner->x() + (owner->width() - width()) / 2, owner->y() + (owner->height() - height()) / 2);
    setWindowModality(Qt::ApplicationModal);

    connect(&m_search, &DeviceSearch::progressed, this, &Wait::showProgress);
    connect(&m_search, &DeviceSearch::finished, this, [this] { done(QDialog::Accepted); });
    m_search.start(count);
}

Wait::~Wait()
{
    // Closed from outside, the search ends with the dialog.
    if (m_search.isRunning())
        m_search.close();
    delete ui;
}

void Wait::showProgress(int value)
{
    m_progress = value;
    ui->progressBar->setValue(m_progress);
}
