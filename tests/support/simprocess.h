#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Runs the gateway simulator (tools/gwsim, see its README.md) for one test:
// writes the configuration into a temporary directory, starts the process,
// waits for its "ready" line, reads its log and its state directory, and
// always stops it again (also from the destructor).
//
//     SimProcess sim;
//     QVERIFY2(sim.start(QJsonObject{{"gateways", QJsonArray{
//         QJsonObject{{"ip", ip}, {"model", 130400}}}}}), qPrintable(sim.errorText()));
class SimProcess
{
public:
    using LogPredicate = std::function<bool(const QList<QJsonObject> &)>;

    // Whether the simulator logs every datagram and frame. A benchmark leaves
    // the log out: writing it is the harness's work, which real gateways do
    // not put on the PC's processors and disk.
    enum class Log { Kept, Off };

    SimProcess() = default;
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // prefix runs the simulator through another program, e.g.
    // {"ip", "netns", "exec", name}. False (with errorText()) when it did not
    // report ready within 5 s; nothing is left running then.
    bool start(const QJsonObject &config, const QStringList &prefix = {}, Log log = Log::Kept);
    // SIGTERM, then SIGKILL after 2 s. True when the simulator ended by itself
    // with status 0 (a sanitizer report or a crash gives false, with the
    // report in errorText()); also true when nothing was running.
    bool stop();
    // Why start() failed, with what the simulator wrote on stderr.
    QString errorText() const { return m_error; }

    // The whole log, re-read from the file; empty when it is off.
    QList<QJsonObject> log() const;
    // Complete TCP frames of gateway ip in one direction ("recv" or "send"),
    // partial chunks left out.
    QList<QJsonObject> tcpFrames(const QString &ip, const QString &dir = QStringLiteral("recv")) const;
    // Datagrams gateway ip received.
    QList<QJsonObject> udpReceived(const QString &ip) const { return udp(ip, QStringLiteral("recv")); }
    // Datagrams gateway ip sent.
    QList<QJsonObject> udpSent(const QString &ip) const { return udp(ip, QStringLiteral("send")); }
    // Entries {"event": name}, of gateway ip when ip is not empty.
    QList<QJsonObject> events(const QString &name, const QString &ip = QString()) const;
    // The block last written to gateway ip by command 6; empty when none was.
    QByteArray heldBlock(const QString &ip) const;
    // Keeps the event loop running until predicate(log()) holds or the time
    // is up; returns whether it held.
    bool waitForLog(const LogPredicate &predicate, int timeoutMs = 3000) const;

    // A loopback address no other simulator is serving, derived from the
    // process id so that tests running in parallel do not collide; index
    // gives further addresses for the same test.
    static QString uniqueLoopbackIp(int index = 0);
    static QByteArray hex(const QJsonObject &entry);

    // The simulator's process id (a benchmark reads what processor time it
    // took); 0 when it is not running.
    qint64 processId() const { return m_process ? m_process->processId() : 0; }

private:
    QString path(const char *name) const { return m_dir ? m_dir->filePath(QLatin1String(name)) : QString(); }
    QList<QJsonObject> matching(const std::function<bool(const QJsonObject &)> &keep) const;
    QList<QJsonObject> udp(const QString &ip, const QString &dir) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
};
