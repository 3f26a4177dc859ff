#include "messages/messagebox.h"

#include "messages/messagetable.h"
#include "messages/outcome.h"

namespace Msg {
namespace {

Responder &responder()
{
    static Responder r;
    return r;
}

QMessageBox::StandardButton show(QWidget *parent, const Shown &box)
{
    if (responder())
        return responder()(box);
    if (box.kind == Kind::Warning)
        return QMessageBox::warning(parent, box.title, box.text, box.buttons);
    return QMessageBox::question(parent, box.title, box.text, box.buttons);
}

} // namespace

QString productTitle()
{
    return QStringLiteral("ZUV-DL-CFG");
}

void warn(QWidget *parent, const QString &text)
{
    warn(parent, productTitle(), text);
}

void warn(QWidget *parent, const QString &title, const QString &text)
{
    show(parent, {Kind::Warning, title, text, QMessageBox::Ok});
}

void warnFor(QWidget *parent, const Outcome &outcome)
{
    if (!outcome.ok && outcome.messageId != 0)
        warn(parent, GetStr(outcome.messageId));
}

QMessageBox::StandardButton ask(QWidget *parent, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons)
{
    return show(parent, {Kind::Question, title, text, buttons});
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

} // namespace Msg
