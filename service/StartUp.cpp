#include "service/StartUp.h"

#include "service/RegistrySchema.h"

namespace service
{

void ResetRegistryArea(platform::IRegistry& registry)
{
    if (!registry.DeleteKeyTree(schema::kProductKey))
    {
        // Something below the product key refuses deletion. The commands of an earlier run must still go:
        // a stale stop flag would end this instance, a stale power action or volume would be carried out.
        for (const schema::CommandValue& command : schema::kCommandValues)
        {
            registry.DeleteValue(command.key, command.name);
        }
    }
    registry.WriteNumber(schema::kProductKey, schema::kNumberOfGadgetInstance, 0);
    // The system owns this value: it is created only when absent, and a value of any type or size is kept.
    if (!registry.ValueExists(schema::kActivityKey, schema::kActivity))
    {
        registry.WriteNumber(schema::kActivityKey, schema::kActivity, 0);
    }
}

} // namespace service
