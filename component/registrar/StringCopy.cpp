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

std::unique_ptr<wchar_t[]> JoinKeyPath(const wchar_t* parent, const wchar_t* name)
{
    const size_t parentLength = wcslen(parent);
    const size_t nameSize = wcslen(name) + 1;
    const size_t separator = parentLength != 0 ? 1 : 0;
    std::unique_ptr<wchar_t[]> path(new (std::nothrow) wchar_t[parentLength + separator + nameSize]);
    if (path)
    {
        wmemcpy(path.get(), parent, parentLength);
        path[parentLength] = L'\\';
        wmemcpy(path.get() + parentLength + separator, name, nameSize);
    }
    return path;
}
