#pragma once

#include "component/server/DllModule.h"

// The application id under which the component registers itself.
inline constexpr wchar_t kVoltwiseAppId[] = L"{25AB294C-2C96-4EF9-978A-CFA9014714B0}";
inline constexpr wchar_t kAppIdSubstitution[] = L"APPID";

// The module object of Voltwise.dll; every registration script it runs gets its application id.
class CVoltwiseModule final : public CDllModuleBase
{
  public:
    using CDllModuleBase::CDllModuleBase;

    HRESULT AddStandardSubstitutions(IRegistrarBase* registrar) override;
};
