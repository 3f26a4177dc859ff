#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QString>

// The simulator's JSON-lines log; every entry is flushed at once so a test can
// read it while the simulator runs.
class SimLog
{
public:
    bool open(const QString &path, QString *error);
    // False without a log file: callers skip building their entries then.
    bool isOn() const { return m_file.isOpen(); }
    void write(QJsonObject entry);

private:
    QFile m_file;
    QElapsedTimer m_clock;
};
