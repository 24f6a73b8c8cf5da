#include "component/server/VoltwiseModule.h"
#include "platform/HResult.h"

HRESULT CVoltwiseModule::AddStandardSubstitutions(IRegistrarBase* registrar)
{
    RETURN_HR_IF(E_POINTER, registrar == nullptr);
    return registrar->AddSubstitution(kAppIdSubstitution, kVoltwiseAppId);
}
