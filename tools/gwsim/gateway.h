#pragma once

#include "faults.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// One simulated gateway: what it reports, what it holds, how it misbehaves.
// Shared by its discovery socket and all its TCP connections.
class Gateway
{
public:
    // false with a reason when the entry is not usable.
    bool load(const QJsonObject &json, const QString &stateDir, QString *error);

    const QString &ip() const { return m_ip; }
    const Faults &faults() const { return m_faults; }
    bool hasPassword() const { return !m_password.isEmpty(); }

    QByteArray discoveryAnswer() const;
    QByteArray readAnswer() const;
    QByteArray keepAliveReply() const;
    bool passwordMatches(const QByteArray &frame) const;

    void storeBlock(const QByteArray &frame);
    void storeKeepAlive(const QByteArray &frame);

private:
    void saveState(const QString &suffix, const QByteArray &bytes) const;

    QString m_ip;
    quint32 m_model = 130400;
    QByteArray m_name;
    QByteArray m_mac;
    quint16 m_fwMajor = 2;
    quint16 m_fwMinor = 1;
    QByteArray m_password;
    quint32 m_remoteFlag = 1;
    QByteArray m_block;
    bool m_keepOn = true;
    quint32 m_keepRaw = 0;
    Faults m_faults;
    QString m_stateDir;
};
