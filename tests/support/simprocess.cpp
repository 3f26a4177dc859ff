#include "support/simprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QSet>
#include <QTcpServer>
#include <QThread>

#include <algorithm>

#include <unistd.h>

bool SimProcess::start(const QJsonObject &config, const QStringList &prefix, Log log)
{
    constexpr int kReadyTimeoutMs = 5000;
    stop();
    m_error.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QFile configFile(m_dir->filePath("config.json"));
    if (!m_dir->isValid() || !QDir().mkpath(path("state")) || !configFile.open(QIODevice::WriteOnly)
        || configFile.write(QJsonDocument(config).toJson()) < 0) {
        m_error = "cannot write the simulator configuration";
        return false;
    }
    configFile.close();

    QStringList args = prefix;
    args << QStringLiteral(GWSIM_PATH) << "--config" << configFile.fileName() << "--state-dir" << path("state")
         << "--die-with-parent";
    if (log == Log::Kept)
        args << "--log" << path("log.jsonl");
    const QString program = args.takeFirst();
    m_process = std::make_unique<QProcess>();
    m_process->start(program, args);
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!out.contains("ready\n") && clock.elapsed() < kReadyTimeoutMs && m_process->state() != QProcess::NotRunning) {
        m_process->waitForReadyRead(50);
        out += m_process->readAllStandardOutput();
    }
    if (out.contains("ready\n"))
        return true;
    m_error = m_process->state() == QProcess::Running ? "the simulator did not report ready in time"
                                                      : QString("%1 ended before it was ready: %2").arg(program, m_process->errorString());
    stop();
    return false;
}

bool SimProcess::stop()
{
    if (!m_process)
        return true;
    constexpr int kStopWaitMs = 2000;
    bool clean = true;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(kStopWaitMs)) {
            m_process->kill();
            m_process->waitForFinished(kStopWaitMs);
            clean = false;
            m_error += QString(m_error.isEmpty() ? "" : "; ") + "the simulator ignored SIGTERM";
        }
    }
    clean = clean && m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    const QString err = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
    if (!err.isEmpty())
        m_error += (m_error.isEmpty() ? "" : ": ") + err;
    m_process.reset();
    return clean;
}

QList<QJsonObject> SimProcess::log() const
{
    QList<QJsonObject> entries;
    QFile file(path("log.jsonl"));
    for (const QByteArray &line : file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>()) {
        if (const QJsonDocument doc = QJsonDocument::fromJson(line); doc.isObject())
            entries.append(doc.object());
    }
    return entries;
}

QList<QJsonObject> SimProcess::matching(const std::function<bool(const QJsonObject &)> &keep) const
{
    const QList<QJsonObject> all = log();
    QList<QJsonObject> found;
    std::copy_if(all.begin(), all.end(), std::back_inserter(found), keep);
    return found;
}

QList<QJsonObject> SimProcess::tcpFrames(const QString &ip, const QString &dir) const
{
    return matching([&](const QJsonObject &e) {
        return e.value("proto") == "tcp" && e.value("gw") == ip && e.value("dir") == dir && !e.contains("event") && !e.value("partial").toBool();
    });
}

QList<QJsonObject> SimProcess::udp(const QString &ip, const QString &dir) const
{
    return matching([&](const QJsonObject &e) { return e.value("proto") == "udp" && e.value("gw") == ip && e.value("dir") == dir; });
}

QList<QJsonObject> SimProcess::events(const QString &name, const QString &ip) const
{
    return matching([&](const QJsonObject &e) { return e.value("event") == name && (ip.isEmpty() || e.value("gw") == ip); });
}

QByteArray SimProcess::heldBlock(const QString &ip) const
{
    QFile file(QDir(path("state")).filePath(ip + ".block.hex"));
    return file.open(QIODevice::ReadOnly) ? QByteArray::fromHex(file.readAll().trimmed()) : QByteArray();
}

bool SimProcess::waitForLog(const LogPredicate &predicate, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (predicate(log()))
            return true;
        if (clock.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

QString SimProcess::uniqueLoopbackIp(int index)
{
    static QSet<QString> handedOut;
    const quint32 pid = quint32(::getpid());
    // 127.<pid-derived>.<pid-derived>.<n>: other processes get other /24s.
    const quint32 net = (pid * 2654435761u) % (250u * 256u);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const quint32 n = net + quint32(attempt) * 977u;
        const QString ip = QString("127.%1.%2.%3")
                               .arg(1 + (n / 256) % 250)
                               .arg(n % 256)
                               .arg(2 + index % 250);
        QTcpServer probe; // free: no other simulator serves it
        if (!handedOut.contains(ip) && probe.listen(QHostAddress(ip), 18801)) {
            handedOut.insert(ip);
            return ip;
        }
    }
    return QString();
}

QByteArray SimProcess::hex(const QJsonObject &entry)
{
    return QByteArray::fromHex(entry.value("hex").toString().toLatin1());
}
