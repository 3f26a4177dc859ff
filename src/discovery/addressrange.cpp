#include "discovery/addressrange.h"

#include "config/ipv4text.h"

#include <QSet>
#include <QVector>

#include <utility>

namespace AddressRange {

namespace {

// First and last address of one range, as numbers; false with `error` set when malformed.
bool bounds(const QString &range, quint32 &first, quint32 &last, QString &error)
{
    const QString text = range.trimmed();
    if (const int slash = text.indexOf(QLatin1Char('/')); slash >= 0) {
        const QHostAddress base = parseAddress(text.left(slash));
        const QString prefixText = text.mid(slash + 1);
        bool digits = !prefixText.isEmpty() && prefixText.size() <= 2;
        for (const QChar c : prefixText)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int prefix = digits ? prefixText.toInt() : -1;
        if (base.isNull() || prefix < 0 || prefix > 32) {
            error = QStringLiteral("malformed range \"%1\": expected a CIDR block such as 10.1.2.0/24").arg(range);
            return false;
        }
        // A block given by any of its addresses is the whole block.
        const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
        first = base.toIPv4Address() & mask;
        last = first | ~mask;
        return true;
    }
    const QStringList ends = text.split(QLatin1Char('-'));
    const QHostAddress from = parseAddress(ends.value(0));
    const QHostAddress to = parseAddress(ends.value(1));
    if (ends.size() != 2 || from.isNull() || to.isNull()) {
        error = QStringLiteral("malformed range \"%1\": expected a CIDR block such as 10.1.2.0/24 or "
                               "from-to such as 10.1.2.10-10.1.2.60")
                    .arg(range);
        return false;
    }
    first = from.toIPv4Address();
    last = to.toIPv4Address();
    if (first > last) {
        error = QStringLiteral("malformed range \"%1\": it ends before it starts").arg(range);
        return false;
    }
    return true;
}

} // namespace

QHostAddress parseAddress(const QString &text)
{
    uint32_t address = 0;
    return Ipv4::parseStrict(text, address) ? QHostAddress(address) : QHostAddress();
}

Parsed parse(const QStringList &ranges, int limit)
{
    Parsed parsed;
    QVector<std::pair<quint32, quint32>> blocks;
    qint64 total = 0;
    for (const QString &range : ranges) {
        quint32 first = 0;
        quint32 last = 0;
        if (!bounds(range, first, last, parsed.error))
            return parsed;
        blocks.append({first, last});
        total += qint64(last) - qint64(first) + 1;
    }
    QSet<quint32> seen;
    for (const auto &[first, last] : qAsConst(blocks)) {
        for (quint64 a = first; a <= last; ++a) {
            if (seen.contains(quint32(a)))
                continue;
            // Stops at the first address too many, so that a /0 costs no time.
            if (parsed.addresses.size() == limit) {
                parsed.addresses.clear();
                parsed.error = QStringLiteral("too many addresses: the ranges hold %1, at most %2 can be asked")
                                   .arg(total)
                                   .arg(limit);
                return parsed;
            }
            seen.insert(quint32(a));
            parsed.addresses << QHostAddress(quint32(a));
        }
    }
    return parsed;
}

} // namespace AddressRange
