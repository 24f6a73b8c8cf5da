#include <windows.h>
#include <olectl.h>

#include <cstdio>
#include <cwchar>

// Calls one registration export of a DLL in a process of its own, with a thread locale that differs from
// the system default, and reports whether the export left that locale as it found it:
//   export-caller <dll> DllRegisterServer|DllUnregisterServer
//   export-caller <dll> DllInstall <1|0> <command line, or - for none>
// Exit code 0: the export succeeded and restored the locale; 1: it failed; 2: it changed the locale.

namespace
{

using PlainExport = decltype(&DllRegisterServer);
// No Windows header declares DllInstall.
using InstallExport = HRESULT(STDAPICALLTYPE*)(BOOL, const wchar_t*);

const LCID NonDefaultLocale = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

HRESULT CallExport(HMODULE module, int argc, wchar_t** argv)
{
    char name[64];
    std::snprintf(name, sizeof name, "%ls", argv[2]);
    FARPROC address = GetProcAddress(module, name);
    if (address == nullptr)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    if (std::wcscmp(argv[2], L"DllInstall") != 0)
    {
        return reinterpret_cast<PlainExport>(reinterpret_cast<void*>(address))();
    }
    if (argc < 5)
    {
        return E_INVALIDARG;
    }
    const BOOL install = std::wcscmp(argv[3], L"1") == 0;
    const wchar_t* commandLine = std::wcscmp(argv[4], L"-") == 0 ? nullptr : argv[4];
    return reinterpret_cast<InstallExport>(reinterpret_cast<void*>(address))(install, commandLine);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
    {
        std::fwprintf(stderr, L"usage: export-caller <dll> <export> [install command-line]\n");
        return 1;
    }
    HMODULE module = LoadLibraryW(argv[1]);
    if (module == nullptr)
    {
        std::fwprintf(stderr, L"cannot load %ls: %lu\n", argv[1], GetLastError());
        return 1;
    }
    SetThreadLocale(NonDefaultLocale);
    const LCID before = GetThreadLocale();
    const HRESULT result = CallExport(module, argc, argv);
    const LCID after = GetThreadLocale();
    std::wprintf(L"%ls: 0x%08lX, thread locale 0x%04lX before, 0x%04lX after\n", argv[2],
                 static_cast<unsigned long>(result), before, after);
    FreeLibrary(module);
    if (before != after)
    {
        return 2;
    }
    return SUCCEEDED(result) ? 0 : 1;
}
