#include "component/automation/BatteryRemainingTime.h"
#include "component/registrar/RegistrationScript.h"
#include "component/resources/ResourceIds.h"
#include "component/server/ClassFactory.h"
#include "component/server/ObjectMap.h"

#include <iterator>

// The classes this server offers. Each entry joins a class, the creators that wrap it and the script that
// registers it, so the map lives here, above the server frame, which finds the classes only through it.
namespace
{

HRESULT UpdateBatteryRegistry(bool registering, RegistrationJournal* journal)
{
    return RunRegistrationScript(IDR_BATTERYREMAININGTIME, registering, nullptr, journal);
}

// Registration asks every class for its component categories; the battery class belongs to none.
const ClassCategoryEntry* NoClassCategories()
{
    return nullptr;
}

void NoClassHook(bool) {}

ObjectMapEntry g_batteryEntry = {
    CBatteryRemainingTime::kClassId,
    &UpdateBatteryRegistry,
    &CreateClassObject,
    &CreateBatteryInstance,
    nullptr,
    &NoClassCategories,
    &NoClassHook,
};

// Lookup, registration, load and unload walk this table in order.
ObjectMapEntry* const kObjectMap[] = {&g_batteryEntry};

} // namespace

ObjectMap VoltwiseObjectMap()
{
    return {std::begin(kObjectMap), std::end(kObjectMap)};
}
