#pragma once

#include "config/settinglist.h"

#include <QString>

// Differences between two configurations, one line each on standard output,
// the setting's ".inf" key first.
namespace Differences {

// `pattern` takes the key, the first value and the second, e.g. "%1: %2 -> %3".
void print(const QVector<SettingList::Difference> &differences, const QString &pattern);

} // namespace Differences
