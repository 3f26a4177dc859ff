#pragma once

#include <QByteArray>
#include <QString>

// A plausible configuration block for a model, so that a gateway configured
// without "block" still gives the reader lists and ranges to work through.
namespace BlockBuilder {

bool isFixedLayout(quint32 model);
int serialPorts(quint32 model);
quint32 defaultAliveTime(quint32 model);
// The whole block including its 8-byte header with code 5.
QByteArray generate(quint32 model, const QString &ip, const QByteArray &name, const QByteArray &password);

} // namespace BlockBuilder
