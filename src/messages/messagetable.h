#pragma once

#include <QString>

// Every user-visible text, and the key and value words of configuration files,
// by message id. An id not in the table gives an empty text.
QString GetEnglishStr(unsigned int id);
QString GetStr(unsigned int id);
