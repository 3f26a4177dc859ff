#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

// A property every parse result must keep, whatever bytes came in. A broken
// one aborts, so libFuzzer keeps the input like any crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Four decimal numbers of 0 to 255 joined by dots, as the tool shows an address.
inline bool isDottedQuad(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        if (part.toInt(&ok) > 255 || !ok)
            return false;
    }
    return true;
}
