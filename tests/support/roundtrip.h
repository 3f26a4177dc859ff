#pragma once

#include "configfields.h"

#include <QTest>

// The rows the block and file round trips share: every model and the unknown one, in each communication mode,
// with the model's limits, one or no entries per list.
namespace RoundTrip {

inline void addRows()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("entries"); // -1: the model's limits
    for (const ModelInfo &m : Catalogue::models() + QList<ModelInfo>{Catalogue::byCode(0)}) {
        for (const auto &[mode, entries] : {std::pair{0, -1}, {1, 1}, {2, 0}, {3, -1}})
            QTest::addRow("%d, mode %d, %d entries", m.code, mode, entries) << m.code << mode << entries;
    }
}

// The current row's record, every field set; the IP mode and keep-alive walk with the mode.
inline std::unique_ptr<CConfigure> record(bool bindings)
{
    QFETCH(int, model);
    QFETCH(int, mode);
    QFETCH(int, entries);
    auto c = ConfigFields::rich(model, entries, bindings);
    c->m_ipMode = mode % 3;
    c->m_advance.m_keepAlive = mode < 2;
    return c;
}

} // namespace RoundTrip
