#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

namespace platform
{

enum class MutexCreation
{
    Created,
    AlreadyExisted,
    Failed,
};

// Creates the named mutex with initial ownership requested; the handle (if any) goes to mutex.
MutexCreation CreateOwnedNamedMutex(const wchar_t* name, UniqueHandleObject& mutex);

} // namespace platform
