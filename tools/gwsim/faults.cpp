#include "faults.h"

#include "wire.h"

#include <QJsonValue>

#include <functional>
#include <map>

namespace {

bool readHex(const QJsonValue &v, QByteArray *out)
{
    return v.isString() && Wire::parseHex(v.toString(), out);
}

bool readBool(const QJsonValue &v, bool *out)
{
    if (!v.isBool())
        return false;
    *out = v.toBool();
    return true;
}

bool readInt(const QJsonValue &v, qint64 lo, qint64 hi, qint64 *out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (d < double(lo) || d > double(hi) || d != double(qint64(d)))
        return false;
    *out = qint64(d);
    return true;
}

bool readInt(const QJsonValue &v, int lo, int hi, int *out)
{
    qint64 x = 0;
    if (!readInt(v, qint64(lo), qint64(hi), &x))
        return false;
    *out = int(x);
    return true;
}

} // namespace

bool Faults::load(const QJsonObject &json, QString *error)
{
    const int maxMs = 600000;
    using Reader = std::function<bool(const QJsonValue &)>;
    const std::map<QString, Reader> readers = {
        {"udp_silent", [this](const QJsonValue &v) { return readBool(v, &udpSilent); }},
        {"udp_wrong_length", [this](const QJsonValue &v) { return readInt(v, 0, 65000, &udpWrongLength); }},
        {"udp_bad_header", [this](const QJsonValue &v) { return readBool(v, &udpBadHeader); }},
        {"udp_delay_ms", [this](const QJsonValue &v) { return readInt(v, 0, maxMs, &udpDelayMs); }},
        {"answer_ip", [this](const QJsonValue &v) {
             QByteArray b;
             answerIp = v.toString();
             return v.isString() && Wire::parseIpv4(answerIp, &b);
         }},
        {"password_flag", [this](const QJsonValue &v) { return readInt(v, qint64(0), qint64(0xFFFFFFFFLL), &passwordFlag); }},
        {"name_hex", [this](const QJsonValue &v) { hasNameHex = true; return readHex(v, &nameHex) && nameHex.size() <= 20; }},
        {"udp_repeat", [this](const QJsonValue &v) { return readInt(v, 1, 100000, &udpRepeat); }},
        {"udp_repeat_gap_ms", [this](const QJsonValue &v) { return readInt(v, 0, 10000, &udpRepeatGapMs); }},
        {"udp_prefix_hex", [this](const QJsonValue &v) { return readHex(v, &udpPrefix); }},
        {"tcp_refuse", [this](const QJsonValue &v) { return readBool(v, &tcpRefuse); }},
        {"tcp_silent", [this](const QJsonValue &v) { return readBool(v, &tcpSilent); }},
        {"unsolicited_hex", [this](const QJsonValue &v) { return readHex(v, &unsolicited); }},
        {"require_auth", [this](const QJsonValue &v) { return readBool(v, &requireAuth); }},
        {"pw_reject", [this](const QJsonValue &v) { return readBool(v, &pwReject); }},
        {"pw_short", [this](const QJsonValue &v) { return readBool(v, &pwShort); }},
        {"pw_delay_ms", [this](const QJsonValue &v) { return readInt(v, 0, maxMs, &pwDelayMs); }},
        {"pw_silent", [this](const QJsonValue &v) { return readBool(v, &pwSilent); }},
        {"read_bad_header", [this](const QJsonValue &v) {
             if (v.isBool()) {
                 readBadHeader = v.toBool() ? 6 : -1;
                 return true;
             }
             return readInt(v, 0, 255, &readBadHeader);
         }},
        {"read_length", [this](const QJsonValue &v) { return readInt(v, qint64(0), qint64(0xFFFFFFFFLL), &readLength); }},
        {"read_truncate", [this](const QJsonValue &v) { return readInt(v, 0, 1 << 20, &readTruncate); }},
        {"read_drip", [this](const QJsonValue &v) {
             if (v.isBool()) {
                 readDrip = v.toBool();
                 return true;
             }
             if (!v.isObject())
                 return false;
             readDrip = true;
             const QJsonObject o = v.toObject();
             for (const QString &k : o.keys())
                 if (k != "piece" && k != "gap_ms")
                     return false;
             return (!o.contains("piece") || readInt(o.value("piece"), 1, 65536, &dripPiece))
                 && (!o.contains("gap_ms") || readInt(o.value("gap_ms"), 0, 60000, &dripGapMs));
         }},
        {"drop_midway", [this](const QJsonValue &v) { return readBool(v, &dropMidway); }},
        {"read_silent", [this](const QJsonValue &v) { return readBool(v, &readSilent); }},
        {"keepalive_bad_header", [this](const QJsonValue &v) { return readBool(v, &keepaliveBadHeader); }},
        {"keepalive_silent", [this](const QJsonValue &v) { return readBool(v, &keepaliveSilent); }},
        {"write_answer_code5", [this](const QJsonValue &v) { return readBool(v, &writeAnswerCode5); }},
        {"write_silent", [this](const QJsonValue &v) { return readBool(v, &writeSilent); }},
        {"keepalive_write_bad", [this](const QJsonValue &v) { return readBool(v, &keepaliveWriteBad); }},
    };
    for (auto it = json.begin(); it != json.end(); ++it) {
        const auto reader = readers.find(it.key());
        if (reader == readers.end()) {
            *error = QString("unknown fault \"%1\"").arg(it.key());
            return false;
        }
        if (!reader->second(it.value())) {
            *error = QString("bad value for fault \"%1\"").arg(it.key());
            return false;
        }
    }
    return true;
}
