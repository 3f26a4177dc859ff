#include "gateway.h"

#include "blockbuilder.h"
#include "wire.h"

#include <QDir>
#include <QFile>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

namespace {

constexpr int kAnswerSize = 68;
const QByteArray kSignature("Talvenor");

bool parseMac(const QString &text, QByteArray *out)
{
    const QStringList parts = text.split(QRegularExpression("[-:]"));
    if (parts.size() != 6)
        return false;
    QByteArray mac;
    for (const QString &p : parts) {
        bool ok = false;
        const uint v = p.toUInt(&ok, 16);
        if (!ok || p.size() != 2 || v > 255)
            return false;
        mac.append(char(v));
    }
    *out = mac;
    return true;
}

bool parseFirmware(const QString &text, quint16 *major, quint16 *minor)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 2)
        return false;
    bool ok1 = false;
    bool ok2 = false;
    const uint a = parts.at(0).toUInt(&ok1);
    const uint b = parts.at(1).toUInt(&ok2);
    if (!ok1 || !ok2 || a > 0xFFFF || b > 0xFFFF)
        return false;
    *major = quint16(a);
    *minor = quint16(b);
    return true;
}

} // namespace

bool Gateway::load(const QJsonObject &json, const QString &stateDir, QString *error)
{
    static const QSet<QString> known = {"ip", "model", "name", "mac", "firmware", "password",
                                        "remote", "block", "keepalive", "faults"};
    for (const QString &key : json.keys())
        if (!known.contains(key)) {
            *error = QString("unknown key \"%1\"").arg(key);
            return false;
        }
    m_stateDir = stateDir;

    m_ip = json.value("ip").toString();
    QByteArray addr;
    if (!Wire::parseIpv4(m_ip, &addr)) {
        *error = QString("\"ip\" must be a dotted IPv4 address, got \"%1\"").arg(m_ip);
        return false;
    }
    if (json.contains("model")) {
        const double m = json.value("model").toDouble(-1);
        if (m < 0 || m > 0xFFFFFF || m != double(quint32(m))) {
            *error = "\"model\" must be a number from 0 to 16777215";
            return false;
        }
        m_model = quint32(m);
    }
    const QString name = json.value("name").toString(QString("GW-%1").arg(quint8(addr.at(3))));
    m_name = name.toLatin1().left(20);
    const QString mac = json.value("mac").toString(
        QString("00-1a-2b-3c-4d-%1").arg(quint8(addr.at(3)), 2, 16, QLatin1Char('0')));
    if (!parseMac(mac, &m_mac)) {
        *error = QString("bad \"mac\" \"%1\"").arg(mac);
        return false;
    }
    if (!parseFirmware(json.value("firmware").toString("2.1"), &m_fwMajor, &m_fwMinor)) {
        *error = "\"firmware\" must be \"major.minor\"";
        return false;
    }
    m_password = json.value("password").toString().toUtf8();
    const QJsonValue remote = json.value("remote");
    if (remote.isBool())
        m_remoteFlag = remote.toBool() ? 1 : 0;
    else if (remote.isDouble() && remote.toDouble() >= 0 && remote.toDouble() <= double(0xFFFFFFFFu))
        m_remoteFlag = quint32(remote.toDouble());
    else if (!remote.isUndefined()) {
        *error = "\"remote\" must be true, false or a number";
        return false;
    }

    if (json.contains("block")) {
        if (!json.value("block").isString() || !Wire::parseHex(json.value("block").toString(), &m_block) || m_block.size() < 8) {
            *error = "\"block\" must be hex of at least 8 bytes";
            return false;
        }
    } else {
        QFile stored(QDir(stateDir).filePath(m_ip + ".block.hex"));
        QByteArray fromFile;
        if (!stateDir.isEmpty() && stored.open(QIODevice::ReadOnly)
            && Wire::parseHex(QString::fromLatin1(stored.readAll()), &fromFile) && fromFile.size() >= 8)
            m_block = fromFile;
        else
            m_block = BlockBuilder::generate(m_model, m_ip, m_name, m_password);
    }

    m_keepRaw = BlockBuilder::defaultAliveTime(m_model) * 100;
    const QJsonObject keep = json.value("keepalive").toObject();
    for (const QString &key : keep.keys())
        if (key != "on" && key != "time" && key != "time_raw") {
            *error = QString("unknown keepalive key \"%1\"").arg(key);
            return false;
        }
    m_keepOn = keep.value("on").toBool(true);
    if (keep.contains("time")) {
        const double t = keep.value("time").toDouble(-1);
        if (t < 0 || t > 42949672) {
            *error = "keepalive \"time\" must be a number from 0 to 42949672";
            return false;
        }
        m_keepRaw = quint32(t * 100);
    }
    if (keep.contains("time_raw")) {
        const double t = keep.value("time_raw").toDouble(-1);
        if (t < 0 || t > double(0xFFFFFFFFu)) {
            *error = "keepalive \"time_raw\" must be a number from 0 to 4294967295";
            return false;
        }
        m_keepRaw = quint32(t);
    }

    QString faultError;
    if (!m_faults.load(json.value("faults").toObject(), &faultError)) {
        *error = faultError;
        return false;
    }
    return true;
}

QByteArray Gateway::discoveryAnswer() const
{
    QByteArray a(kAnswerSize, '\0');
    Wire::putBytes(a, 0, 8, Wire::header(3, kAnswerSize - 8));
    if (m_faults.udpBadHeader)
        a[3] = 4;
    a[9] = char((m_model >> 16) & 0xFF);
    a[10] = char((m_model >> 8) & 0xFF);
    a[11] = char(m_model & 0xFF);
    Wire::put16(a, 24, m_fwMajor);
    Wire::put16(a, 26, m_fwMinor);
    Wire::putBytes(a, 28, 6, m_mac);
    Wire::putBytes(a, 36, 4, Wire::ipv4Bytes(m_faults.answerIp.isEmpty() ? m_ip : m_faults.answerIp));
    const qint64 pwFlag = m_faults.passwordFlag >= 0 ? m_faults.passwordFlag : (hasPassword() ? 1 : 0);
    Wire::put32(a, 40, quint32(pwFlag));
    Wire::putBytes(a, 44, 20, m_faults.hasNameHex ? m_faults.nameHex : m_name);
    Wire::put32(a, 64, m_remoteFlag);
    if (m_faults.udpWrongLength >= 0) {
        a = a.left(m_faults.udpWrongLength);
        if (a.size() < m_faults.udpWrongLength)
            a.append(QByteArray(m_faults.udpWrongLength - a.size(), '\0'));
    }
    return a;
}

QByteArray Gateway::readAnswer() const
{
    QByteArray b = m_block;
    b[0] = 0;
    b[1] = 0;
    b[2] = 0;
    b[3] = char(m_faults.readBadHeader >= 0 ? m_faults.readBadHeader : 5);
    if (m_faults.readLength >= 0)
        Wire::put32(b, 4, quint32(m_faults.readLength));
    return b;
}

QByteArray Gateway::keepAliveReply() const
{
    QByteArray r = Wire::header(m_faults.keepaliveBadHeader ? 0x0C : 0x0D, 8);
    r.append(QByteArray(8, '\0'));
    r[11] = char(m_keepOn ? 1 : 0);
    Wire::put32(r, 12, m_keepRaw);
    return r;
}

bool Gateway::passwordMatches(const QByteArray &frame) const
{
    if (frame.mid(8, 8) != kSignature)
        return false;
    if (m_password.isEmpty())
        return true;
    QByteArray typed = frame.mid(16, 20);
    const int zero = typed.indexOf('\0');
    if (zero >= 0)
        typed.truncate(zero);
    return typed == m_password;
}

void Gateway::storeBlock(const QByteArray &frame)
{
    m_block = frame;
    saveState(".block.hex", frame);
}

void Gateway::storeKeepAlive(const QByteArray &frame)
{
    if (frame.size() >= 16) {
        m_keepOn = frame.at(11) != 0;
        m_keepRaw = Wire::get32(frame, 12);
    }
    saveState(".keepalive.hex", frame);
}

void Gateway::saveState(const QString &suffix, const QByteArray &bytes) const
{
    if (m_stateDir.isEmpty())
        return;
    QSaveFile file(QDir(m_stateDir).filePath(m_ip + suffix));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes.toHex() + '\n');
        file.commit();
    }
}
