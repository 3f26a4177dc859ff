#pragma once

#include <QString>
#include <QStringList>

struct CConfigure;

// The settings that differ between the gateways of a fleet, set by their
// ".inf" key to a value written as the file writes it, under the editor's
// rules for the configuration's model.
namespace SettingOverride {

// The keys that can be set, as a user reads them ("Port<N>_Baud_Rate" for every port N).
QStringList keys();

// Sets `key` to `value`; empty when done, otherwise why not, and then the
// configuration is unchanged.
QString apply(CConfigure &configure, const QString &key, const QString &value);

} // namespace SettingOverride
