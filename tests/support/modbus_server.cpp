#include "support/modbus_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

bool ModbusServer::start(const QStringList &extraArgs)
{
    constexpr int kReadyMs = 5000;
    stop();
    m_error.clear();
    m_port = 0;
    // Built next to the gateway simulator.
    const QString program =
        QFileInfo(QStringLiteral(GWSIM_PATH)).absoluteDir().filePath(QStringLiteral("modbus-server"));
    if (!QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("%1 is not built (target modbus-server, needs libmodbus-dev)").arg(program);
        return false;
    }
    QFile::remove(m_dir.filePath(QStringLiteral("requests.log")));
    m_process = std::make_unique<QProcess>();
    m_process->start(program, QStringList{QStringLiteral("--log"), m_dir.filePath(QStringLiteral("requests.log")),
                                          QStringLiteral("--lifetime-s"), QStringLiteral("300"),
                                          QStringLiteral("--die-with-parent")}
                                  + extraArgs);
    if (!m_process->waitForStarted(kReadyMs)) {
        m_error = QStringLiteral("modbus-server did not start: ") + m_process->errorString();
        m_process.reset();
        return false;
    }
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < kReadyMs && m_process->state() == QProcess::Running) {
        m_process->waitForReadyRead(50);
        out += m_process->readAllStandardOutput();
    }
    const QList<QByteArray> words = out.trimmed().split(' ');
    if (words.size() == 2 && words[0] == "ready")
        m_port = quint16(words[1].toUInt());
    if (m_port == 0) {
        m_error = QStringLiteral("modbus-server was not ready: ")
            + QString::fromLocal8Bit(out + m_process->readAllStandardError());
        stop();
        return false;
    }
    return true;
}

void ModbusServer::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(2000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
}

QList<QByteArray> ModbusServer::logged(const QString &tag) const
{
    QList<QByteArray> result;
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray prefix = tag.toLatin1() + ' ';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            result << QByteArray::fromHex(line.mid(prefix.size()));
    }
    return result;
}
