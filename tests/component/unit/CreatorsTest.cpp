// Creators and wrappers: allocation failure, failed first QueryInterface, destructor marker.
#include <windows.h>

#include "component/automation/BatteryRemainingTime.h"
#include "component/server/ClassFactory.h"
#include "component/server/ObjectWrappers.h"
#include "platform/ComPtr.h"
#include "tests/component/support/CountingOuter.h"
#include "tests/component/unit/ModuleFixture.h"

#include <new>

namespace
{

using platform::ComPtr;

class CreatorsTest : public ModuleFixture
{
  protected:
    // Runs a creator with every allocation failing; nothing may be left behind.
    void ExpectOutOfMemory(Creator creator, void* context, REFIID iid)
    {
        void* out = reinterpret_cast<void*>(1);
        fake::failAllocations = true;
        const HRESULT hr = creator(context, iid, &out);
        fake::failAllocations = false;
        EXPECT_EQ(E_OUTOFMEMORY, hr);
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(0, LockCount());
    }
};

TEST_F(CreatorsTest, AllocationFailureInEveryCreatorIsOutOfMemory)
{
    CountingOuter outer;
    ExpectOutOfMemory(&CreateBatteryInstance, nullptr, IID_IBatteryRemainingTime);
    ExpectOutOfMemory(&CreateBatteryInstance, &outer, IID_IUnknown);
    ExpectOutOfMemory(&CreateClassObject, reinterpret_cast<void*>(&CreateBatteryInstance), IID_IUnknown);
    EXPECT_EQ(1u, outer.count);
}

TEST_F(CreatorsTest, ClassObjectWhoseLockFailsIsOutOfMemory)
{
    void* out = reinterpret_cast<void*>(1);
    fake::lockInitializationsBeforeFailure = 0;
    EXPECT_EQ(E_OUTOFMEMORY,
              CreateClassObject(reinterpret_cast<void*>(&CreateBatteryInstance), IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, LockCount());
}

TEST_F(CreatorsTest, CreatorsRefuseANullOutPointer)
{
    EXPECT_EQ(E_POINTER, CreateBatteryInstance(nullptr, IID_IUnknown, nullptr));
    EXPECT_EQ(E_POINTER,
              CreateClassObject(reinterpret_cast<void*>(&CreateBatteryInstance), IID_IUnknown, nullptr));
    EXPECT_EQ(0, LockCount());
}

TEST_F(CreatorsTest, FailedFirstQueryInterfaceGivesTheModuleLockBack)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, CreateBatteryInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(E_NOINTERFACE,
              CreateClassObject(reinterpret_cast<void*>(&CreateBatteryInstance), IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, LockCount());
}

TEST_F(CreatorsTest, ClassObjectTakesTheModuleLockOnlyWhileClientsHoldIt)
{
    ComPtr<IUnknown> cached;
    ASSERT_EQ(S_OK, CreateClassObject(reinterpret_cast<void*>(&CreateBatteryInstance), IID_IUnknown,
                                      cached.PutVoid()));
    EXPECT_EQ(0, LockCount());
    EXPECT_EQ(2u, cached->AddRef());
    EXPECT_EQ(3u, cached->AddRef());
    EXPECT_EQ(1, LockCount());
    EXPECT_EQ(2u, cached->Release());
    EXPECT_EQ(1u, cached->Release());
    EXPECT_EQ(0, LockCount());
}

// The count word follows the object's interface pointer.
LONG CountWordAfterDestruction(IUnknown* object, void (*destroy)(IUnknown*))
{
    BYTE* storage = reinterpret_cast<BYTE*>(object);
    // Called through a volatile pointer so that the optimiser cannot see the storage's lifetime end.
    void (*volatile destroyer)(IUnknown*) = destroy;
    destroyer(object);
    return *reinterpret_cast<volatile LONG*>(storage + sizeof(void*));
}

template <typename Wrapper, typename... Args> void ExpectDestroyedMarker(Args... args)
{
    alignas(Wrapper) BYTE storage[sizeof(Wrapper)];
    auto* object = new (storage) Wrapper(args...);
    EXPECT_EQ(kDestroyedReferenceCount,
              CountWordAfterDestruction(object, [](IUnknown* destroyed)
                                        { static_cast<Wrapper*>(destroyed)->~Wrapper(); }));
}

TEST_F(CreatorsTest, DestructorsMarkTheCountFirst)
{
    CountingOuter outer;
    ExpectDestroyedMarker<CComObject<CBatteryRemainingTime>>();
    ExpectDestroyedMarker<CComAggObject<CBatteryRemainingTime>>(static_cast<IUnknown*>(&outer));
    ExpectDestroyedMarker<CComObjectCached<CComClassFactory>>();
    EXPECT_EQ(0, LockCount());
}

} // namespace
