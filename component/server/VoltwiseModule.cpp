#include "component/server/VoltwiseModule.h"

HRESULT CVoltwiseModule::AddStandardSubstitutions(IRegistrarBase* registrar)
{
    if (registrar == nullptr)
    {
        return E_POINTER;
    }
    return registrar->AddSubstitution(kAppIdSubstitution, kVoltwiseAppId);
}
