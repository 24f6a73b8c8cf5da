#include "service/StartUp.h"

#include "service/RegistrySchema.h"

namespace service
{

void ResetRegistryArea(platform::IRegistry& registry)
{
    registry.DeleteKeyTree(schema::kProductKey);
    registry.WriteNumber(schema::kProductKey, schema::kNumberOfGadgetInstance, 0);
    // The system owns this value; it is created only when missing and never changed.
    DWORD activity = 0;
    if (registry.ReadNumber(schema::kActivityKey, schema::kActivity, activity) != platform::ReadResult::Read)
    {
        registry.WriteNumber(schema::kActivityKey, schema::kActivity, 0);
    }
}

} // namespace service
