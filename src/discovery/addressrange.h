#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

// The addresses a range search asks: ranges as a user writes them, either a
// CIDR block ("10.1.2.0/24") or from-to ("10.1.2.10-10.1.2.60").
namespace AddressRange {

// A dotted quad of four decimal numbers 0 to 255; a null address for any other text.
QHostAddress parseAddress(const QString &text);

struct Parsed {
    QList<QHostAddress> addresses; // each once, in the order the ranges give them
    QString error; // empty when every range was taken
    bool ok() const { return error.isEmpty(); }
};

// Every address of the ranges; a malformed range, or more than `limit`
// addresses in all, is an error and gives no address at all.
Parsed parse(const QStringList &ranges, int limit);

} // namespace AddressRange
