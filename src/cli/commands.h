#pragma once

#include <QStringList>

// The commands of zuv-cfg. Each takes its own arguments, the first of them
// its name, and returns the exit status.
namespace Commands {

int search(const QStringList &arguments);
int read(const QStringList &arguments);
int write(const QStringList &arguments);
int diff(const QStringList &arguments);
int backup(const QStringList &arguments);
int makeNew(const QStringList &arguments);
int locate(const QStringList &arguments);
int restart(const QStringList &arguments);
int modbus(const QStringList &arguments);

} // namespace Commands
