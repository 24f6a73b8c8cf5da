#include "component/server/ObjectMap.h"

#include "component/automation/BatteryRemainingTime.h"
#include "component/resources/ResourceIds.h"
#include "component/server/ClassFactory.h"
#include "component/server/RegistrationScript.h"

#include <iterator>

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

ObjectMapEntry* const g_objectMap[] = {&g_batteryEntry};

} // namespace

ObjectMap VoltwiseObjectMap()
{
    return {std::begin(g_objectMap), std::end(g_objectMap)};
}
