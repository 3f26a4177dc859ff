#include "resources/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerImages()
{
    Q_INIT_RESOURCE(src);
}

void initResources()
{
    static const bool registered = (registerImages(), true);
    Q_UNUSED(registered);
}
