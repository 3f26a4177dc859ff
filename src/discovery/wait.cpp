#include "discovery/wait.h"

#include "app/mainwindow.h"
#include "discovery/discoveryanswer.h"

#include "ui_wait.h"

#include <QDebug>
#include <QTimerEvent>

#include <algorithm>

Wait::Wait(MainWindow *owner, int count, QWidget *parent)
    : QDialog(parent)
    , m_owner(owner)
    , m_addrCount(qBound(0, count, int(MainWindow::MaxLocalAddresses)))
    , ui(new Ui_Wait)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Dialog"));
    resize(400, 38);
    setFixedWidth(400);
    ui->progressBar->setRange(0, MaxProgress);
    ui->progressBar->setValue(m_progress);
    ui->progressBar->setTextVisible(false);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                   | Qt::X11BypassWindowManagerHint);
    if (m_owner)
        move(m_owner->x() + (m_owner->width() - width()) / 2, m_owner->y() + (m_owner->height() - height()) / 2);
    setWindowModality(Qt::ApplicationModal);

    // Answers are read as they arrive instead of in a blocking wait per tick,
    // so silent interfaces cannot freeze the window.
    for (int i = 0; i < m_addrCount; ++i)
        connect(&m_owner->searchSocket(i), &QIODevice::readyRead, this, [this, i] { drainSocket(i); });

    m_ticks.fill(0, m_addrCount + 1);
    for (int i = 0; i <= m_addrCount; ++i)
        m_timerIds.append(startTimer(TickMs, Qt::PreciseTimer));
}

Wait::~Wait()
{
    delete ui;
}

void Wait::timerEvent(QTimerEvent *event)
{
    const int index = m_timerIds.indexOf(event->timerId());
    if (index < 0) {
        QDialog::timerEvent(event);
        return;
    }
    if (m_ended)
        return;
    if (index == m_addrCount)
        deadlineTick(index);
    else
        socketTick(index);
}

void Wait::deadlineTick(int index)
{
    m_progress += 20;
    ui->progressBar->setValue(m_progress);
    const int ticks = ++m_ticks[index];
    if (ticks > MaxTicks || (ticks >= FinishTickWithDevices && !m_owner->equipmentList().isEmpty()))
        finish();
}

void Wait::socketTick(int index)
{
    const int ticks = ++m_ticks[index];
    if (ticks > MaxTicks) {
        finish();
        return;
    }
    QUdpSocket &socket = m_owner->searchSocket(index);
    // A socket whose bind failed would bind itself to any address on write.
    if (socket.state() == QAbstractSocket::BoundState) {
        const QByteArray request = Discovery::request();
        if (socket.writeDatagram(request, m_owner->m_destAddr, m_owner->m_destPort) != request.size())
            qDebug() << "search: request not sent from" << socket.localAddress() << socket.errorString();
    }
    if (!drainSocket(index))
        return;
    if (ticks >= FinishTickWithDevices && !m_owner->equipmentList().isEmpty())
        finish();
}

bool Wait::drainSocket(int i)
{
    if (m_ended)
        return false;
    QUdpSocket &socket = m_owner->searchSocket(i);
    QVector<CEquipment *> &list = m_owner->equipmentList();
    while (socket.hasPendingDatagrams()) {
        // At most one answer's worth is read; the rest of a longer datagram is dropped.
        QByteArray datagram(Discovery::AnswerSize, '\0');
        const qint64 n = socket.readDatagram(datagram.data(), datagram.size(), &m_owner->m_peerAddr,
                                             &m_owner->m_peerPort);
        if (n < 0)
            break;
        datagram.truncate(int(n));
        CEquipment found;
        const Discovery::AnswerStatus status = Discovery::parseAnswer(datagram, m_seq, found);
        if (status == Discovery::AnswerStatus::WrongLength) {
            endSearch();
            return false;
        }
        if (status != Discovery::AnswerStatus::Ok)
            continue;
        const bool known = std::any_of(list.cbegin(), list.cend(),
                                       [&found](const CEquipment *e) { return e->m_ip == found.m_ip; });
        if (known)
            continue;
        list.append(new CEquipment(found));
        ++m_seq;
    }
    return true;
}

void Wait::finish()
{
    m_progress = MaxProgress;
    ui->progressBar->setValue(m_progress);
    endSearch();
}

void Wait::endSearch()
{
    m_ended = true;
    for (int id : qAsConst(m_timerIds))
        killTimer(id);
    m_timerIds.clear();
    done(QDialog::Accepted);
}
