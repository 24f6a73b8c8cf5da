#pragma once

#include <windows.h>
#include <unknwn.h>

// The count every reference-counted object holds from its destructor's first step on, so that a
// stray call on a dead object is recognisable.
inline constexpr LONG kDestroyedReferenceCount = -1073741823; // 0xC0000001

// Counting without interlocking, for apartment-threaded objects.
struct CComSingleThreadModel
{
    static ULONG Increment(LONG& count) { return static_cast<ULONG>(++count); }
    static ULONG Decrement(LONG& count) { return static_cast<ULONG>(--count); }
};

// Interlocked counting, for objects that any thread may call.
struct CComMultiThreadModel
{
    static ULONG Increment(LONG& count) { return static_cast<ULONG>(InterlockedIncrement(&count)); }
    static ULONG Decrement(LONG& count) { return static_cast<ULONG>(InterlockedDecrement(&count)); }
};

// The root of every object: one word that is either the object's own reference count or, for the
// contained part of an aggregate, the outer unknown (on which it counts no reference).
class CComObjectRootBase
{
  protected:
    CComObjectRootBase() : m_refCount(0) {}

    // The first step of every counting destructor. Volatile: the optimiser would drop a store into an
    // object whose lifetime is ending.
    void MarkDestroyed() { static_cast<volatile LONG&>(m_refCount) = kDestroyedReferenceCount; }

    union
    {
        LONG m_refCount;
        IUnknown* m_outerUnknown;
    };
};

template <typename ThreadModel> class CComObjectRootEx : public CComObjectRootBase
{
  protected:
    ULONG InternalAddRef() { return ThreadModel::Increment(m_refCount); }
    ULONG InternalRelease() { return ThreadModel::Decrement(m_refCount); }
};
