#include "cli/output.h"

#include "config/inffile.h"
#include "messages/messagetable.h"

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace Output {

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool g_progressShown = false;

} // namespace

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

int fileText(const QString &path, const QString &text)
{
    if (!path.isEmpty()) {
        if (InfFile::saveFile(path, text) != InfFile::WriteStatus::Written)
            return fail(path, QStringLiteral("cannot be written"));
        return ExitDone;
    }
    const QByteArray data = InfFile::encode(text);
    out().flush();
    std::fwrite(data.constData(), 1, size_t(data.size()), stdout);
    return std::fflush(stdout) == 0 ? int(ExitDone) : fail(QString(), QStringLiteral("standard output cannot be written"));
}

void message(const QString &where, const QString &text)
{
    endProgress();
    out().flush();
    err() << (where.isEmpty() ? text : where + QStringLiteral(": ") + text) << Qt::endl;
}

int fail(const QString &where, const QString &text)
{
    message(where, text);
    return ExitError;
}

QString failureText(const Outcome &outcome)
{
    const QString text = GetStr(outcome.messageId);
    // The window stays silent where a gateway stopped answering in the middle of an exchange.
    return text.isEmpty() ? QStringLiteral("the gateway did not answer in time") : text;
}

void progress(const QString &text)
{
    if (!::isatty(STDERR_FILENO))
        return;
    err() << '\r' << text << "\033[K" << Qt::flush;
    g_progressShown = true;
}

void endProgress()
{
    if (!g_progressShown)
        return;
    err() << "\r\033[K" << Qt::flush;
    g_progressShown = false;
}

void table(const QStringList &headings, const QList<QStringList> &rows)
{
    QVector<int> widths;
    for (const QString &h : headings)
        widths << h.size();
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], int(row[i].size()));
    }
    const auto print = [&widths](const QStringList &cells) {
        QString line;
        for (int i = 0; i < cells.size(); ++i)
            line += i + 1 < cells.size() ? cells[i].leftJustified(widths[i] + 2) : cells[i];
        out() << line << '\n';
    };
    print(headings);
    for (const QStringList &row : rows)
        print(row);
    out().flush();
}

} // namespace Output
