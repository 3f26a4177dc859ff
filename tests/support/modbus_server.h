#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Runs tools/modbus-server (libmodbus) on loopback for one test: a Modbus TCP
// peer independent of the tool's own request code. The port is chosen by the
// system and read from the "ready <port>" line; the server is always stopped
// again, also from the destructor.
class ModbusServer
{
public:
    ModbusServer() = default;
    ~ModbusServer() { stop(); }
    ModbusServer(const ModbusServer &) = delete;
    ModbusServer &operator=(const ModbusServer &) = delete;

    // extraArgs: e.g. {"--silent"}, {"--delay-ms", "2500", "--delay-count", "1"},
    // {"--close-after", "1"}. False (with errorText()) when it was not ready within 5 s.
    bool start(const QStringList &extraArgs = {});
    // SIGTERM, then SIGKILL after 2 s.
    void stop();
    QString errorText() const { return m_error; }
    quint16 port() const { return m_port; }

    // Requests as the server framed them ("req" lines), or the raw chunks it
    // received in silent mode ("raw" lines), in order.
    QList<QByteArray> logged(const QString &tag = QStringLiteral("req")) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_error;
};
