#include "component/server/ModuleInstance.h"

CModuleInstance::CModuleInstance(HINSTANCE instance, bool& startupFailure) : m_instance(instance)
{
    m_resourceLock.InitializeForRecord(startupFailure);
}
