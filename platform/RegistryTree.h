#pragma once

#include <windows.h>

namespace platform
{

// Deletes root\path with every key below it without following registry links: a link at or below the path
// is deleted as the link it is, and the key it leads to stays as it was. S_OK also when there is no such
// key; a key that refuses stops the deletion there (reported), and what was deleted before it stays deleted.
HRESULT DeleteKeyTreeWithoutLinks(HKEY root, const wchar_t* path);

} // namespace platform
