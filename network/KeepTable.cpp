#include "network/KeepTable.h"

const KeepTable::Highway* KeepTable::highway(std::string_view value)
{
    for (const Highway& entry : highways)
        if (entry.value == value)
            return &entry;
    return nullptr;
}

bool KeepTable::isRouteKind(std::string_view route)
{
    for (std::string_view kind : routeKinds)
        if (kind == route)
            return true;
    return false;
}

bool KeepTable::isPlatformRole(std::string_view role)
{
    for (std::string_view platform : platformRoles)
        if (platform == role)
            return true;
    return false;
}
