#include "service/DisplayMonitor.h"

#include "service/RegistrySchema.h"

#include <iterator>

namespace service
{
namespace
{

// Indexed by the reported orientation; every other value is published as kUnknownOrientation.
constexpr const wchar_t* kOrientationTexts[] = {L"DMDO_DEFAULT", L"DMDO_90", L"DMDO_180", L"DMDO_270"};
constexpr const wchar_t* kUnknownOrientation = L"DMDO_NA";

const wchar_t* OrientationText(DWORD orientation)
{
    return orientation < std::size(kOrientationTexts) ? kOrientationTexts[orientation] : kUnknownOrientation;
}

} // namespace

void RunDisplayMonitor(LoopState& state, ServicePlatform& platform)
{
    if (!platform.display.QueryCurrent(state.displayMode))
    {
        return;
    }
    const DWORD orientation = state.displayMode.dmDisplayOrientation;
    if (static_cast<INT32>(orientation) == state.lastOrientation)
    {
        return;
    }
    state.lastOrientation = static_cast<INT32>(orientation);
    platform.registry.WriteText(schema::kStatusKey, schema::kDisplayOrientation,
                                OrientationText(orientation));
}

} // namespace service
