#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;
struct Outcome;

// Every message box of the tool is shown through here, so that one place decides
// the title and buttons, and tests can see each text and answer it without a
// blocking window.
namespace Msg {

enum class Kind { Warning, Question };

struct Shown {
    Kind kind;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// Title of every warning and notice box.
QString productTitle();

// Warning box with the single OK button.
void warn(QWidget *parent, const QString &text);
void warn(QWidget *parent, const QString &title, const QString &text);

// The message of a failed step from the message table; nothing for a success
// or a silent failure.
void warnFor(QWidget *parent, const Outcome &outcome);

// Question box; returns the button pressed (NoButton when the box was dismissed).
QMessageBox::StandardButton ask(QWidget *parent, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No);

// Replaces the real boxes: the responder sees each box and returns the button
// "pressed". An empty responder restores the real boxes.
using Responder = std::function<QMessageBox::StandardButton(const Shown &)>;
void setResponder(Responder responder);

} // namespace Msg
