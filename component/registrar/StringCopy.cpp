#include "component/registrar/StringCopy.h"

#include <cwchar>
#include <new>

std::unique_ptr<wchar_t[]> CopyString(const wchar_t* text)
{
    const size_t size = wcslen(text) + 1;
    std::unique_ptr<wchar_t[]> copy(new (std::nothrow) wchar_t[size]);
    if (copy)
    {
        wmemcpy(copy.get(), text, size);
    }
    return copy;
}
