#include "editor/dialoglook.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// Outside any namespace, as the resource registration requires.
static void registerEditorResources()
{
    Q_INIT_RESOURCE(editor);
}

namespace DialogLook {

void initEditorResources()
{
    static const bool once = (registerEditorResources(), true);
    Q_UNUSED(once);
}

QFont timesFont()
{
    QFont font(QStringLiteral("Times"));
    font.setPixelSize(15);
    return font;
}

void centreOnDesktop(QWidget *window)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect desk = screen->availableGeometry();
    window->move(desk.x() + (desk.width() - window->width()) / 2,
                 desk.y() + (desk.height() - window->height()) / 2);
}

void centreOver(QWidget *window, const QWidget *owner)
{
    if (!owner) {
        centreOnDesktop(window);
        return;
    }
    const QRect frame = owner->frameGeometry();
    window->move(frame.x() + (frame.width() - window->width()) / 2,
                 frame.y() + (frame.height() - window->height()) / 2);
}

} // namespace DialogLook
