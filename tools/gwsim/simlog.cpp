#include "simlog.h"

#include <QJsonDocument>

bool SimLog::open(const QString &path, QString *error)
{
    m_clock.start();
    if (path.isEmpty())
        return true;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = QString("cannot write log %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

void SimLog::write(QJsonObject entry)
{
    if (!m_file.isOpen())
        return;
    QJsonObject line{{"t_ms", double(m_clock.elapsed())}};
    for (auto it = entry.begin(); it != entry.end(); ++it)
        line.insert(it.key(), it.value());
    m_file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
