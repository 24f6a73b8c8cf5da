#include "component/server/VoltwiseModule.h"
#include "platform/HResult.h"

HRESULT CVoltwiseModule::AddStandardSubstitutions(IRegistrarBase* registrar)
{
    if (registrar == nullptr)
    {
        RETURN_HR(E_POINTER);
    }
    return registrar->AddSubstitution(kAppIdSubstitution, kVoltwiseAppId);
}
