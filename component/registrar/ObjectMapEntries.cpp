#include "component/automation/BatteryRemainingTime.h"
#include "component/registrar/RegistrationScript.h"
#include "component/resources/ResourceIds.h"
#include "component/server/ClassFactory.h"
#include "component/server/ObjectMap.h"

// The object-map entries of this server's classes. They join a class, the creators that wrap it and the
// script that registers it, so they live at the top of the component, above the server frame.
namespace
{

HRESULT UpdateBatteryRegistry(bool registering, RegistrationJournal* journal)
{
    return RunRegistrationScript(IDR_BATTERYREMAININGTIME, registering, nullptr, journal);
}

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
OBJECT_MAP_ENTRY(g_batteryEntry);

} // namespace
