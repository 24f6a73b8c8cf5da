#pragma once

#include <windows.h>

// Shared shape of class-object and instance creators: (context, interface id, out pointer).
using Creator = HRESULT (*)(void* context, REFIID iid, void** out);
