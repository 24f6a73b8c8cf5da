#include "component/automation/ModuleTypeLibrary.h"

#include "platform/HResult.h"
#include "platform/ModuleFileName.h"

#include <oleauto.h>

#include <cwchar>

namespace
{

constexpr wchar_t kTypeLibraryExtension[] = L".tlb";
// The longest base name to which the extension still fits in a MAX_PATH buffer.
constexpr std::ptrdiff_t kMaxBaseLength =
    MAX_PATH - 1 - (sizeof(kTypeLibraryExtension) / sizeof(wchar_t) - 1);

// The last "." after the last "\", or the end of the path.
wchar_t* FindExtension(wchar_t* path)
{
    wchar_t* extension = nullptr;
    wchar_t* position = path;
    for (; *position != L'\0'; position = CharNextW(position))
    {
        if (*position == L'\\')
        {
            extension = nullptr;
        }
        else if (*position == L'.')
        {
            extension = position;
        }
    }
    return extension != nullptr ? extension : position;
}

} // namespace

HRESULT LoadModuleTypeLibrary(HINSTANCE module, BSTR* path, ITypeLib** library)
{
    RETURN_HR_IF(E_POINTER, path == nullptr || library == nullptr);
    *path = nullptr;
    *library = nullptr;
    wchar_t file[MAX_PATH];
    PROPAGATE_IF_FAILED(platform::GetModuleFileName(module, file));
    HRESULT hr = LoadTypeLib(file, library);
    if (FAILED(hr))
    {
        wchar_t* extension = FindExtension(file);
        RETURN_HR_IF(E_FAIL, extension - file > kMaxBaseLength);
        std::wcscpy(extension, kTypeLibraryExtension);
        RETURN_IF_FAILED(hr = LoadTypeLib(file, library));
    }
    *path = SysAllocString(file);
    RETURN_IF_NULL_ALLOC(*path);
    return hr;
}
