#include "support/messagespy.h"

MessageSpy::MessageSpy()
{
    Msg::setResponder([this](const Msg::Shown &box) {
        m_shown.append(box);
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return box.kind == Msg::Kind::Question ? QMessageBox::No : QMessageBox::Ok;
    });
}

MessageSpy::~MessageSpy()
{
    Msg::setResponder({});
}

void MessageSpy::answerNext(QMessageBox::StandardButton button)
{
    m_answers.append(button);
}

QStringList MessageSpy::texts() const
{
    QStringList result;
    for (const Msg::Shown &box : m_shown)
        result << box.text;
    return result;
}

QString MessageSpy::lastText() const
{
    return m_shown.isEmpty() ? QString() : m_shown.last().text;
}

void MessageSpy::clear()
{
    m_shown.clear();
    m_answers.clear();
}
