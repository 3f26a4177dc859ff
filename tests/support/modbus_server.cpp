#include "support/modbus_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

ModbusServer::ModbusServer() = default;

ModbusServer::~ModbusServer()
{
    stop();
}

QString ModbusServer::program()
{
    return QFileInfo(QStringLiteral(GWSIM_PATH)).absoluteDir().filePath(QStringLiteral("modbus-server"));
}

bool ModbusServer::start(const QStringList &extraArgs, int readyTimeoutMs)
{
    stop();
    m_error.clear();
    m_port = 0;
    if (!QFileInfo(program()).isExecutable()) {
        m_error = QStringLiteral("%1 is not built (target modbus-server, needs libmodbus-dev)").arg(program());
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    QStringList args{QStringLiteral("--log"), m_dir->filePath(QStringLiteral("requests.log")),
                     QStringLiteral("--lifetime-s"), QStringLiteral("300"), QStringLiteral("--die-with-parent")};
    args << extraArgs;
    m_process->start(program(), args);
    if (!m_process->waitForStarted(readyTimeoutMs)) {
        m_error = QStringLiteral("modbus-server did not start: ") + m_process->errorString();
        m_process.reset();
        return false;
    }
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < readyTimeoutMs && m_process->state() == QProcess::Running) {
        m_process->waitForReadyRead(50);
        out += m_process->readAllStandardOutput();
    }
    const QList<QByteArray> words = out.trimmed().split(' ');
    if (words.size() == 2 && words[0] == "ready")
        m_port = quint16(words[1].toUInt());
    if (m_port == 0) {
        m_error = QStringLiteral("modbus-server was not ready: ") + QString::fromLocal8Bit(out)
            + QString::fromLocal8Bit(m_process->readAllStandardError());
        stop();
        return false;
    }
    return true;
}

bool ModbusServer::stop()
{
    if (!m_process)
        return true;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(2000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    const bool clean = m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    if (!clean)
        m_error = QStringLiteral("modbus-server ended badly: ") + QString::fromLocal8Bit(m_process->readAllStandardError());
    m_process.reset();
    return clean;
}

QList<QByteArray> ModbusServer::logged(const QString &tag) const
{
    QList<QByteArray> result;
    if (!m_dir)
        return result;
    QFile file(m_dir->filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray prefix = tag.toLatin1() + ' ';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            result << QByteArray::fromHex(line.mid(prefix.size()));
    }
    return result;
}
