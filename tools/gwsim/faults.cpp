#include "faults.h"

#include "wire.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>

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

// {"<command>": "hex", ...}: bytes per command code.
bool readPerCommand(const QJsonValue &v, QMap<int, QByteArray> *out)
{
    if (!v.isObject())
        return false;
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool ok = false;
        const int command = it.key().toInt(&ok);
        QByteArray bytes;
        if (!ok || command < 0 || command > 255 || !readHex(it.value(), &bytes))
            return false;
        out->insert(command, bytes);
    }
    return true;
}

} // namespace

bool Faults::readPace(const QJsonObject &o, bool isObject, const QStringList &otherKeys)
{
    if (!isObject)
        return false;
    for (const QString &k : o.keys())
        if (k != "piece" && k != "gap_ms" && !otherKeys.contains(k))
            return false;
    return (!o.contains("piece") || readInt(o.value("piece"), 1, 65536, &dripPiece))
        && (!o.contains("gap_ms") || readInt(o.value("gap_ms"), 0, 60000, &dripGapMs));
}

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
        {"udp_repeat_within_ms", [this](const QJsonValue &v) { return readInt(v, 1, 60000, &udpRepeatWithinMs); }},
        {"udp_repeat_vary_ip", [this](const QJsonValue &v) { return readBool(v, &udpRepeatVaryIp); }},
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
                 if (v.toBool())
                     dripCommands.insert(5);
                 return true;
             }
             dripCommands.insert(5);
             return readPace(v.toObject(), v.isObject(), {});
         }},
        {"answer_drip", [this](const QJsonValue &v) {
             const QJsonObject o = v.toObject();
             if (!v.isObject() || !o.value("commands").isArray())
                 return false;
             for (const QJsonValue &c : o.value("commands").toArray()) {
                 int command = 0;
                 if (!readInt(c, 0, 255, &command))
                     return false;
                 dripCommands.insert(command);
             }
             return readPace(o, true, {"commands"});
         }},
        {"answer_prefix_hex", [this](const QJsonValue &v) { return readPerCommand(v, &answerPrefix); }},
        {"answer_suffix_hex", [this](const QJsonValue &v) { return readPerCommand(v, &answerSuffix); }},
        {"drop_midway", [this](const QJsonValue &v) { return readBool(v, &dropMidway); }},
        {"read_silent", [this](const QJsonValue &v) { return readBool(v, &readSilent); }},
        {"keepalive_bad_header", [this](const QJsonValue &v) { return readBool(v, &keepaliveBadHeader); }},
        {"keepalive_silent", [this](const QJsonValue &v) { return readBool(v, &keepaliveSilent); }},
        {"write_answer_code5", [this](const QJsonValue &v) { return readBool(v, &writeAnswerCode5); }},
        {"write_silent", [this](const QJsonValue &v) { return readBool(v, &writeSilent); }},
        {"write_not_stored", [this](const QJsonValue &v) { return readBool(v, &writeNotStored); }},
        {"keepalive_write_bad", [this](const QJsonValue &v) { return readBool(v, &keepaliveWriteBad); }},
    };
    // One pace serves every dripped answer of a connection.
    if (json.contains("read_drip") && json.contains("answer_drip")) {
        *error = "\"read_drip\" and \"answer_drip\" cannot be combined: list command 5 in answer_drip";
        return false;
    }
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
