#pragma once

#include "component/automation/DispatchImpl.h"
#include "component/automation/IBatteryRemainingTime.h"
#include "component/automation/VoltwiseIds.h"
#include "component/server/InterfaceEntry.h"
#include "component/server/ObjectRoot.h"

// Supplies what a class's object-map entry names about the class itself.
// One constant, kept as a base so that each creatable class carries its own id for its entry.
template <typename T, const CLSID* Clsid> class CComCoClass
{
  public:
    static constexpr const CLSID* kClassId = Clsid;
};

// The battery object: answers the remaining battery time in whole minutes. Never created bare; the
// wrappers give it its IUnknown.
class CBatteryRemainingTime
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CBatteryRemainingTime, &CLSID_BatteryRemainingTime>,
      public IDispatchImpl<IBatteryRemainingTime, &IID_IBatteryRemainingTime, &LIBID_VoltwiseLib,
                           kVoltwiseLibMajorVersion, kVoltwiseLibMinorVersion>
{
  public:
    static const InterfaceEntry* InterfaceTable();

    STDMETHODIMP GetRemainingTime(long* BRTime) override;
};

// The battery class's instance creator: stand-alone without an outer unknown, aggregated with one.
HRESULT CreateBatteryInstance(void* outer, REFIID iid, void** out);
