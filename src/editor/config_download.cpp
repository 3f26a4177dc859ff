// Writing the configuration to the gateway.
#include "editor/config.h"

void Config::Download()
{
    // filled by the writer's own change
}

int Config::SendPark(char *)
{
    // filled by the writer's own change
    return 0;
}

int Config::SendPark1(char *)
{
    // filled by the writer's own change
    return -1;
}

int32_t Config::IPV4StringToInteger(const QString &)
{
    // filled by the writer's own change
    return 0;
}
