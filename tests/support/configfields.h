#pragma once

#include "config/configure.h"
#include "config/modelcatalogue.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <memory>

// Every field of a configuration by name, so that round trips compare whole records field by field and table
// rows set or check single fields in a line. Names: mode (g_commMode), model, name, ipMode, ip, mask, gateway,
// dns1, dns2; sN.baud .parity .stop .data .char .resp .delay of serial port N from 1; maps, masters, requests
// (entry counts); mapN.ip .port .serial .min .max .neg .offset; masterN.ip .serial2; reqN.slaveOn .slave .funcOn
// .func; password, highPort, serialDelay, keepAlive, alive; rangeN.on .low .high for N from 1 to 6.
// Flags read 1 or 0. Header-only: the core tests and the fuzz checks link only the core library.
namespace ConfigFields {

// Calls f(name, field) for every field in a fixed order; serial ports 1 to `ports`.
template<typename Config, typename F>
void visit(Config &c, int ports, F &&f)
{
    f(QStringLiteral("model"), c.m_modelCode);
    f(QStringLiteral("name"), c.m_name);
    f(QStringLiteral("ipMode"), c.m_ipMode);
    f(QStringLiteral("ip"), c.m_ip);
    f(QStringLiteral("mask"), c.m_mask);
    f(QStringLiteral("gateway"), c.m_gateway);
    f(QStringLiteral("dns1"), c.m_dns1);
    f(QStringLiteral("dns2"), c.m_dns2);
    for (int n = 0; n < ports && n < CConfigure::SerialCount; ++n) {
        auto &s = c.m_serial[n];
        const QString p = QStringLiteral("s%1.").arg(n + 1);
        f(p + "baud", s.m_baudRate); f(p + "parity", s.m_parityCheck); f(p + "stop", s.m_stopBit);
        f(p + "data", s.m_dataBits); f(p + "char", s.m_charInterval); f(p + "resp", s.m_respTimeout);
        f(p + "delay", s.m_delayPolls);
    }
    for (int i = 0; i < c.m_idMaps.size(); ++i) {
        auto &m = *c.m_idMaps[i];
        const QString p = QStringLiteral("map%1.").arg(i + 1);
        f(p + "ip", m.m_ip); f(p + "port", m.m_port); f(p + "serial", m.m_serialIndex); f(p + "min", m.m_idMin);
        f(p + "max", m.m_idMax); f(p + "neg", m.m_negative); f(p + "offset", m.m_offset);
    }
    for (int i = 0; i < c.m_masters.size(); ++i) {
        f(QStringLiteral("master%1.ip").arg(i + 1), c.m_masters[i]->m_ip);
        f(QStringLiteral("master%1.serial2").arg(i + 1), c.m_masters[i]->m_serial2);
    }
    for (int i = 0; i < c.m_requests.size(); ++i) {
        auto &r = *c.m_requests[i];
        const QString p = QStringLiteral("req%1.").arg(i + 1);
        f(p + "slaveOn", r.m_slaveIdOn); f(p + "slave", r.m_slaveId); f(p + "funcOn", r.m_functionOn); f(p + "func", r.m_functionCode);
    }
    auto &a = c.m_advance;
    f(QStringLiteral("password"), a.m_password); f(QStringLiteral("highPort"), a.m_highPort);
    f(QStringLiteral("serialDelay"), a.m_serialDelay); f(QStringLiteral("keepAlive"), a.m_keepAlive); f(QStringLiteral("alive"), a.m_aliveTime);
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        const QString p = QStringLiteral("range%1.").arg(i + 1);
        f(p + "on", a.m_limitOn[size_t(i)]); f(p + "low", a.m_limitLow[size_t(i)]); f(p + "high", a.m_limitHigh[size_t(i)]);
    }
}

inline QString text(const QString &v) { return v; }
inline QString text(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }
template<typename N> QString text(N v) { return QString::number(v); }
inline void assign(QString &field, const QString &v) { field = v; }
inline void assign(bool &field, const QString &v) { field = v == QLatin1String("1"); }
template<typename N> void assign(N &field, const QString &v) { field = static_cast<N>(v.toLongLong()); }

// The whole record as "name=value" lines, the list counts and the mode included.
inline QStringList describe(const CConfigure &c, int mode, int ports = CConfigure::SerialCount)
{
    QStringList lines{QStringLiteral("mode=%1").arg(mode), QStringLiteral("maps=%1").arg(c.m_idMaps.size()),
                      QStringLiteral("masters=%1").arg(c.m_masters.size()), QStringLiteral("requests=%1").arg(c.m_requests.size())};
    visit(c, ports, [&lines](const QString &name, const auto &field) { lines << name + '=' + text(field); });
    return lines;
}

// "name=value, name=value" as a list.
inline QStringList split(const QString &fields)
{
    return fields.isEmpty() ? QStringList() : fields.split(QStringLiteral(", "));
}

// The record's lines for the names of `expected`, in its order, to compare with split(expected).
inline QStringList pick(const CConfigure &c, int mode, const QString &expected)
{
    const QStringList all = describe(c, mode);
    QStringList picked;
    for (const QString &want : split(expected)) {
        const QString name = want.section('=', 0, 0) + '=';
        const auto found = std::find_if(all.begin(), all.end(), [&](const QString &l) { return l.startsWith(name); });
        picked << (found == all.end() ? name + "<none>" : *found);
    }
    return picked;
}

template<typename T> void resize(QList<T *> &list, int size)
{
    while (list.size() > size)
        delete list.takeLast();
    while (list.size() < size)
        list.append(new T{});
}

// Sets the fields of "name=value, name=value"; a list grows to the highest entry named, "maps=N" and the
// other counts resize a list, "mode=N" sets `mode`.
inline void apply(CConfigure &c, int &mode, const QString &edits)
{
    QMap<QString, QString> values;
    for (const QString &edit : split(edits))
        values.insert(edit.section('=', 0, 0), edit.section('=', 1));
    static const QRegularExpression entry(QStringLiteral("^(map|master|req)(\\d+)\\."));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QRegularExpressionMatch m = entry.match(it.key());
        const int n = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (m.captured(1) == "map" && c.m_idMaps.size() < n)
            resize(c.m_idMaps, n);
        if (m.captured(1) == "master" && c.m_masters.size() < n)
            resize(c.m_masters, n);
        if (m.captured(1) == "req" && c.m_requests.size() < n)
            resize(c.m_requests, n);
    }
    if (values.contains("maps"))
        resize(c.m_idMaps, values.value("maps").toInt());
    if (values.contains("masters"))
        resize(c.m_masters, values.value("masters").toInt());
    if (values.contains("requests"))
        resize(c.m_requests, values.value("requests").toInt());
    if (values.contains("mode"))
        mode = values.value("mode").toInt();
    visit(c, CConfigure::SerialCount, [&values](const QString &name, auto &field) {
        if (values.contains(name))
            assign(field, values.value(name));
    });
}

// Every field set, each to its own value within what the block and file readers keep, for round trips;
// `entries` per list, -1 for the model's limits; masters bound to serial 2 in turn when `bindings` (a file keeps
// no binding). The active IP ranges come first, as the fixed layout sends them.
inline std::unique_ptr<CConfigure> rich(int code, int entries, bool bindings)
{
    auto c = std::make_unique<CConfigure>();
    const ModelInfo &m = Catalogue::byCode(code);
    const int ports = m.layout == BlockLayout::Fixed ? 2 : m.serialPorts;
    c->m_modelCode = code;
    static_cast<CEthernet &>(*c) = {"GW-" + QString::number(code), 0, "10.1.2.3", "255.255.0.0", "10.1.0.1", "8.8.4.4", "9.9.9.9"};
    for (int n = 0; n < CConfigure::SerialCount; ++n)
        c->m_serial[n] = {(n + 3) % 9, n % 5, n % 2, 8, 1 + 7 * n, 300 + 113 * n, 17 * n};
    if (code == 30103) // the one-port fixed model's block carries only port 2's baud rate
        c->m_serial[1] = {5, 0, 0, 0, 30000, 60000, 60000};
    for (int i = 0; i < (entries < 0 ? m.maxIdMaps : entries); ++i)
        c->m_idMaps << new CIDMap{QStringLiteral("10.0.%1.%2").arg(i).arg(i + 1), QString::number(500 + i), i % ports,
                                  i % 200 + 1, i % 200 + 1 + i % 7, i % 2 == 1, (5 * i) % 248};
    for (int i = 0; i < (entries < 0 ? m.maxMasters : entries); ++i)
        c->m_masters << new CSpecifiedMaster{QStringLiteral("10.1.%1.%2").arg(i).arg(i + 1), bindings && i % 2 == 0};
    const QStringList codes{"1", "2", "3", "4", "5", "6", "15", "16"};
    for (int i = 0; i < (entries < 0 ? m.maxRequests : entries); ++i)
        c->m_requests << new CSpecifiedRequest{i % 2 == 0, QString::number(7 * i % 256), i % 2 == 1, codes[i % 8]};
    c->m_advance = {"pw" + QString::number(code), "1502", 65535, true, 65535, {true, true, true},
                    {"10.2.0.1", "10.2.1.1", "10.2.2.1"}, {"10.2.0.9", "10.2.1.9", "10.2.2.9"}};
    return c;
}

} // namespace ConfigFields
