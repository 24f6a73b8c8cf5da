#include "component/server/ObjectMap.h"

namespace
{

// The markers around the entries that OBJECT_MAP_ENTRY places; they are null slots themselves.
[[gnu::section(".rdata$voltwise_object_map_a"), gnu::used]] ObjectMapEntry* const g_mapStart = nullptr;
[[gnu::section(".rdata$voltwise_object_map_z"), gnu::used]] ObjectMapEntry* const g_mapEnd = nullptr;

// The compiler must not reason about where the markers lie: the linker decides that.
ObjectMapEntry* const* Opaque(ObjectMapEntry* const* slot)
{
    asm("" : "+r"(slot));
    return slot;
}

} // namespace

ObjectMap VoltwiseObjectMap()
{
    return {Opaque(&g_mapStart), Opaque(&g_mapEnd)};
}
