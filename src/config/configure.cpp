#include "config/configure.h"

CConfigure::~CConfigure()
{
    clearEntries(m_idMaps);
    clearEntries(m_masters);
    clearEntries(m_requests);
}
