#pragma once

#include <QList>
#include <QString>

// Every user-visible text, and the key and value words of configuration files,
// by message id. An id not in the table gives an empty text.
QString GetEnglishStr(unsigned int id);
QString GetStr(unsigned int id);

// The ids of the table, in table order, from a fresh build of it (for consistency
// checks; lookups never call this).
QList<unsigned int> GetMessageIds();
