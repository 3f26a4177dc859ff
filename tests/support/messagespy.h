#pragma once

#include "messages/messagebox.h"

#include <QList>
#include <QString>

// Stands in for the message boxes while it lives: each box is recorded and
// answered from the queue of expected answers (OK, or No for a question, when
// nothing was queued), so no window ever blocks a test.
class MessageSpy
{
public:
    MessageSpy();
    ~MessageSpy();
    MessageSpy(const MessageSpy &) = delete;
    MessageSpy &operator=(const MessageSpy &) = delete;

    // The answer for the next box shown.
    void answerNext(QMessageBox::StandardButton button);

    const QList<Msg::Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    QString lastText() const;
    void clear();

private:
    QList<Msg::Shown> m_shown;
    QList<QMessageBox::StandardButton> m_answers;
};
