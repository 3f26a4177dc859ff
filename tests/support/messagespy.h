#pragma once

#include "messages/messagebox.h"

#include <QList>
#include <QStringList>

// Stands in for the message boxes while it lives: each box is recorded and answered
// from the queue (else OK, or No for a question), so no window ever blocks a test.
class MessageSpy
{
public:
    MessageSpy()
    {
        Msg::setResponder([this](const Msg::Shown &box) {
            m_shown.append(box);
            if (!m_answers.isEmpty())
                return m_answers.takeFirst();
            return box.kind == Msg::Kind::Question ? QMessageBox::No : QMessageBox::Ok;
        });
    }
    ~MessageSpy() { Msg::setResponder({}); }
    MessageSpy(const MessageSpy &) = delete;
    MessageSpy &operator=(const MessageSpy &) = delete;

    void answerNext(QMessageBox::StandardButton button) { m_answers.append(button); }
    const QList<Msg::Shown> &shown() const { return m_shown; }
    QStringList texts() const
    {
        QStringList result;
        std::transform(m_shown.begin(), m_shown.end(), std::back_inserter(result), [](auto &box) { return box.text; });
        return result;
    }
    QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(), m_answers.clear(); }

private:
    QList<Msg::Shown> m_shown;
    QList<QMessageBox::StandardButton> m_answers;
};
