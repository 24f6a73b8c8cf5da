#include <windows.h>

#include "bench/Figure.h"
#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegObject.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// Times registration and unregistration of the component's two scripts, run from this program's own
// resources exactly as self-registration runs them (one registrar per run, the standard substitutions).

namespace
{

constexpr UINT kApplicationScript = 101;
constexpr UINT kClassScript = 102;
constexpr wchar_t kRegistryType[] = L"REGISTRY";
constexpr wchar_t kAppId[] = L"{25AB294C-2C96-4EF9-978A-CFA9014714B0}";
constexpr wchar_t kScratchPath[] = L"Software\\VoltwiseRegistrarBench";
constexpr int kIterations = 200;

struct Phase
{
    const char* name;
    const char* figure;
    UINT resourceId;
    bool doRegister;
    std::vector<double> microseconds;
};

HRESULT RunRegistrationScript(const std::wstring& modulePath, UINT resourceId, bool doRegister)
{
    CRegObject registrar;
    if (resourceId == kApplicationScript)
    {
        registrar.AddSubstitution(L"APPID", kAppId);
    }
    registrar.AddSubstitution(L"APPID", kAppId);
    registrar.AddSubstitution(L"Module", modulePath.c_str());
    registrar.AddSubstitution(L"Module_Raw", modulePath.c_str());
    return registrar.RunScriptResource(modulePath.c_str(), resourceId, kRegistryType, doRegister);
}

double Elapsed(LARGE_INTEGER start, LARGE_INTEGER frequency)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

} // namespace

int wmain()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
    {
        return 1;
    }
    const std::wstring modulePath(path, length);
    DeleteKeyTree(HKEY_CURRENT_USER, kScratchPath);

    // Registration in the component's order, unregistration in reverse.
    Phase phases[] = {
        {"register application script", "register_app_script_us", kApplicationScript, true, {}},
        {"register class script", "register_class_script_us", kClassScript, true, {}},
        {"unregister class script", "unregister_class_script_us", kClassScript, false, {}},
        {"unregister application script", "unregister_app_script_us", kApplicationScript, false, {}},
    };
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int iteration = 0; iteration < kIterations; ++iteration)
    {
        for (Phase& phase : phases)
        {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            const HRESULT result = RunRegistrationScript(modulePath, phase.resourceId, phase.doRegister);
            phase.microseconds.push_back(Elapsed(start, frequency));
            if (FAILED(result))
            {
                std::printf("%s failed: 0x%08lX\n", phase.name, static_cast<unsigned long>(result));
                return 1;
            }
        }
    }
    // Unregistration leaves only the NoRemove keys AppID and CLSID, without subkeys.
    platform::UniqueRegKey leftover;
    const std::wstring classKey =
        std::wstring(kScratchPath) + L"\\CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}";
    const bool clean =
        RegOpenKeyExW(HKEY_CURRENT_USER, classKey.c_str(), 0, KEY_READ, leftover.Put()) != ERROR_SUCCESS;
    DeleteKeyTree(HKEY_CURRENT_USER, kScratchPath);

    std::printf("%d iterations; microseconds per script run:\n", kIterations);
    for (Phase& phase : phases)
    {
        std::sort(phase.microseconds.begin(), phase.microseconds.end());
        double total = 0;
        for (double value : phase.microseconds)
        {
            total += value;
        }
        std::printf("  %-32s median %8.1f  mean %8.1f  min %8.1f  max %8.1f\n", phase.name,
                    phase.microseconds[phase.microseconds.size() / 2], total / phase.microseconds.size(),
                    phase.microseconds.front(), phase.microseconds.back());
        bench::PrintFigure(phase.figure, phase.microseconds[phase.microseconds.size() / 2]);
    }
    std::printf("class key removed by unregistration: %s\n", clean ? "yes" : "NO");
    return clean ? 0 : 1;
}
