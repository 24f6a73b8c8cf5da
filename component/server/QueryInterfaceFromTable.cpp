#include "component/server/InterfaceEntry.h"
#include "platform/HResult.h"

namespace
{

HRESULT HandOut(void* object, std::uintptr_t offset, void** out)
{
    auto* pointer = reinterpret_cast<IUnknown*>(static_cast<BYTE*>(object) + offset);
    pointer->AddRef();
    *out = pointer;
    return S_OK;
}

} // namespace

HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table, REFIID iid, void** out)
{
    RETURN_HR_IF(E_INVALIDARG, object == nullptr || table == nullptr);
    RETURN_HR_IF(E_POINTER, out == nullptr);
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IUnknown))
    {
        return HandOut(object, table->offset, out);
    }
    for (const InterfaceEntry* row = table; row->resolver != 0; ++row)
    {
        const bool blind = row->iid == nullptr;
        if (!blind && !IsEqualGUID(*row->iid, iid))
        {
            continue;
        }
        if (row->resolver == kPlainOffsetRow)
        {
            return HandOut(object, row->offset, out);
        }
        const HRESULT hr = reinterpret_cast<InterfaceResolver>(row->resolver)(object, iid, out, row->offset);
        // A blind row may decline by failing; a row named for this id speaks for it.
        if (hr == S_OK || (FAILED(hr) && !blind))
        {
            return hr;
        }
    }
    return E_NOINTERFACE;
}
