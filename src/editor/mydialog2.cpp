#include "editor/mydialog2.h"

#include "editor/config.h"
#include "editor/dialoglook.h"

#include <QGridLayout>
#include <QLabel>

MyDialog2::MyDialog2(const QString &text, Config *editor, QWidget *parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_text(new QLabel(text, this))
{
    DialogLook::initEditorResources();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                   | Qt::X11BypassWindowManagerHint);
    resize(354, 153);
    setWindowOpacity(0.9);

    auto *grid = new QGridLayout(this);
    grid->setSpacing(0);
    m_icon->setPixmap(QPixmap(QStringLiteral(":/image/icon4.ico")));
    m_text->setWordWrap(true);
    QFont font = m_text->font();
    font.setPixelSize(15);
    m_text->setFont(font);
    grid->addWidget(m_icon, 0, 0);
    grid->addWidget(m_text, 0, 1);

    DialogLook::centreOver(this, editor);

    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &MyDialog2::on_timer);
    m_timer.start();
}

QString MyDialog2::text() const
{
    return m_text->text();
}

void MyDialog2::on_timer()
{
    m_timer.stop();
    // Each notice counts its own ticks: a notice that closed early (its editor
    // went away) must not shorten the next one.
    if (++m_ticks > LastTick) {
        m_ticks = 0;
        close();
        return;
    }
    m_timer.start(TickMs);
}
