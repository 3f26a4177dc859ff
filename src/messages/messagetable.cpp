#include "messages/messagetable.h"

QString GetEnglishStr(unsigned int) { return QString(); }
QString GetStr(unsigned int id) { return GetEnglishStr(id); }
