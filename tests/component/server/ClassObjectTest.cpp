// Class-object lookup, module lock count and unloading, through the exports of the built DLL.
#include <windows.h>
#include <objbase.h>

#include "component/automation/IBatteryRemainingTime.h"
#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"
#include "tests/component/support/CountingOuter.h"
#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

namespace
{

using platform::ComPtr;

constexpr CLSID kUnknownClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

class ClassObjectTest : public testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(m_dll.Loaded()); }

    ComPtr<IClassFactory> ClassFactory()
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK,
                  m_dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IClassFactory, factory.PutVoid()));
        return factory;
    }

    // The lock count is only visible as zero or not: one LockServer(FALSE) that reaches zero proves it was 1.
    void ExpectLockCountOne(IClassFactory* factory)
    {
        EXPECT_EQ(S_FALSE, m_dll.CanUnloadNow());
        factory->LockServer(FALSE);
        EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
        factory->LockServer(TRUE);
    }

    VoltwiseDll m_dll;
};

TEST_F(ClassObjectTest, FreshLoadMayUnload)
{
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
}

TEST_F(ClassObjectTest, NullOutPointerIsRefused)
{
    EXPECT_EQ(E_POINTER, m_dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IClassFactory, nullptr));
}

TEST_F(ClassObjectTest, UnknownClassIsNotAvailableAndClearsTheOutPointer)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_dll.GetClassObject(kUnknownClass, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(ClassObjectTest, ClassFactoryAndIUnknownAreTheSameCachedObject)
{
    ComPtr<IClassFactory> factory = ClassFactory();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, m_dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IUnknown, unknown.PutVoid()));
    ComPtr<IUnknown> factoryIdentity;
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, factoryIdentity.PutVoid()));
    EXPECT_EQ(unknown.Get(), factoryIdentity.Get());
    EXPECT_EQ(factory.Get(), ClassFactory().Get());
}

TEST_F(ClassObjectTest, HeldClassObjectTakesOneModuleLockHoweverManyReferences)
{
    ComPtr<IClassFactory> first = ClassFactory();
    ComPtr<IClassFactory> second = ClassFactory();
    ExpectLockCountOne(first.Get());
    second.Reset();
    EXPECT_EQ(S_FALSE, m_dll.CanUnloadNow());
    first.Reset();
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
}

TEST_F(ClassObjectTest, CachedClassObjectOutlivesClientReferences)
{
    IClassFactory* firstAddress = ClassFactory().Get();
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
    EXPECT_EQ(firstAddress, ClassFactory().Get());
}

TEST_F(ClassObjectTest, MissingInterfaceOnClassObjectKeepsItCachedWithoutLock)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, m_dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
    ComPtr<IClassFactory> factory = ClassFactory();
    ASSERT_TRUE(factory);
    // Cached at the failed request: the object map holds one reference, this client the second.
    factory->AddRef();
    EXPECT_EQ(2u, factory->Release());
}

TEST_F(ClassObjectTest, LockServerCountsWithoutBalanceCheck)
{
    ComPtr<IClassFactory> factory = ClassFactory();
    factory->LockServer(TRUE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(S_FALSE, m_dll.CanUnloadNow());
    factory = ClassFactory();
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());

    factory = ClassFactory();
    factory->LockServer(FALSE); // unbalanced: below zero is not zero
    factory.Reset();
    EXPECT_EQ(S_FALSE, m_dll.CanUnloadNow());
    ClassFactory()->LockServer(TRUE);
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
}

TEST_F(ClassObjectTest, LiveObjectKeepsTheModuleAfterTheClassObjectIsReleased)
{
    ComPtr<IBatteryRemainingTime> battery;
    ASSERT_EQ(S_OK, ClassFactory()->CreateInstance(nullptr, IID_IBatteryRemainingTime, battery.PutVoid()));
    EXPECT_EQ(S_FALSE, m_dll.CanUnloadNow());
    battery->AddRef();
    EXPECT_EQ(1u, battery->Release());
    EXPECT_EQ(0u, battery.Detach()->Release());
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
}

TEST_F(ClassObjectTest, CreateInstanceRefusals)
{
    ComPtr<IClassFactory> factory = ClassFactory();
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IBatteryRemainingTime, nullptr));

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    CountingOuter outer;
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);

    ExpectLockCountOne(factory.Get()); // neither left an object behind
}

TEST(VoltwiseUnload, UnloadWithCachedAndHeldClassObjectsLeavesAFreshLoad)
{
    {
        VoltwiseDll dll;
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IClassFactory, factory.PutVoid()));
    }
    VoltwiseDll reloaded;
    EXPECT_EQ(S_OK, reloaded.CanUnloadNow());
}

} // namespace
