#pragma once

#include "messages/outcome.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

// Exit statuses, as grep and diff use them.
enum Exit { ExitDone = 0, ExitNone = 1, ExitError = 2 };

// Results go to standard output; messages and progress to standard error, so
// that a pipe or a redirection gets the results alone.
namespace Output {

QTextStream &out();
// A configuration file's text, in the file's encoding: on standard output,
// or into the file at `path` (replaced only once all of it was written).
int fileText(const QString &path, const QString &text);

// One line on standard error: "where: text", or the text alone when `where` is empty.
void message(const QString &where, const QString &text);
// message(), then ExitError to return.
int fail(const QString &where, const QString &text);

// The text the user reads for a failed step: the message table's, or what a
// step that fails without a message means.
QString failureText(const Outcome &outcome);

// A line on standard error that rewrites itself, only when that is a terminal.
void progress(const QString &text);
void endProgress();

// Rows under their headings, in columns as wide as their widest text.
void table(const QStringList &headings, const QList<QStringList> &rows);

} // namespace Output
