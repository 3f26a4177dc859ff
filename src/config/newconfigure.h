#pragma once

#include <QString>
#include <QStringList>

struct CConfigure;

// A configuration made offline for a chosen model, without a gateway.
namespace NewConfigure {

// The models a new configuration can be made for, in the chooser's order.
QStringList offeredModels();

// Model code of an offered model; 0 for any other name.
int modelCodeFor(const QString &modelName);

// Gives `configure` the values of a new configuration of the given model.
void fill(CConfigure &configure, int modelCode, const QString &modelName);

// Replaces the current configuration by a new one of the given model and
// marks it as new; the gateway selection and the kept password stay.
// False, with nothing changed, for a model that is not offered.
bool install(const QString &modelName);

} // namespace NewConfigure
