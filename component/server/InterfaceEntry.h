#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

// A resolver answers a row itself: (object, requested id, out pointer, the row's data word).
using InterfaceResolver = HRESULT (*)(void* object, REFIID iid, void** out, std::uintptr_t data);

// Marker in `resolver` for a row that answers with the object's address plus `offset`.
inline constexpr std::uintptr_t kPlainOffsetRow = 1;

// One row of an object's interface table; a row whose resolver is 0 ends the table. The first row
// must be a plain offset row: requests for IUnknown are answered from it.
struct InterfaceEntry
{
    const IID* iid; // null: a blind row, tried for every request
    std::uintptr_t offset;
    std::uintptr_t resolver; // kPlainOffsetRow, an InterfaceResolver, or 0 at the end
};

HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table, REFIID iid, void** out);

// Whether Interface starts where Class starts inside a complete Object (a concrete class derived from Class),
// as a plain row at offset 0 in Class's table assumes. For static_assert: nothing is constructed.
template <typename Object, typename Class, typename Interface> consteval bool StartsAtClass()
{
    union Storage
    {
        Object object;
        char none;
        constexpr Storage() : none() {}
        constexpr ~Storage() {}
    };
    Storage storage{};
    return static_cast<const void*>(static_cast<const Interface*>(&storage.object)) ==
           static_cast<const void*>(static_cast<const Class*>(&storage.object));
}
