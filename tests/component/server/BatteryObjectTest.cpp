// The battery object's identity, aggregation and method, through the class object of the built DLL.
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

// The largest number of minutes an unsigned 32-bit second count gives.
constexpr long kMaxMinutes = 71582788;

long SystemMinutes()
{
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) ? static_cast<long>(status.BatteryLifeTime / 60) : 0;
}

class BatteryObjectTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dll.Loaded());
        ASSERT_EQ(S_OK,
                  m_dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IClassFactory, m_factory.PutVoid()));
    }

    VoltwiseDll m_dll;
    ComPtr<IClassFactory> m_factory;
};

TEST_F(BatteryObjectTest, AnswersExactlyItsThreeInterfacesWithOnePointer)
{
    IUnknown* object = nullptr;
    ASSERT_EQ(S_OK, m_factory->CreateInstance(nullptr, IID_IBatteryRemainingTime,
                                              reinterpret_cast<void**>(&object)));
    ULONG count = 1;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IBatteryRemainingTime})
    {
        void* out = nullptr;
        ASSERT_EQ(S_OK, object->QueryInterface(*iid, &out));
        EXPECT_EQ(static_cast<void*>(object), out);
        EXPECT_EQ(++count + 1, object->AddRef()) << "QueryInterface adds exactly one reference";
        object->Release();
    }
    for (const IID* iid : {&IID_IClassFactory, &IID_IMarshal, &IID_IPersist, &IID_ITypeInfo})
    {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    while (count > 1)
    {
        object->Release();
        --count;
    }
    EXPECT_EQ(0u, object->Release());
    m_factory.Reset();
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
}

TEST_F(BatteryObjectTest, RemainingTimeIsTheSystemsSecondsInWholeMinutes)
{
    ComPtr<IBatteryRemainingTime> battery;
    ASSERT_EQ(S_OK, m_factory->CreateInstance(nullptr, IID_IBatteryRemainingTime, battery.PutVoid()));
    long minutes = -1;
    EXPECT_EQ(S_OK, battery->GetRemainingTime(&minutes));
    EXPECT_EQ(SystemMinutes(), minutes);
    EXPECT_GE(minutes, 0);
    EXPECT_LE(minutes, kMaxMinutes);
    EXPECT_EQ(E_POINTER, battery->GetRemainingTime(nullptr));
}

TEST_F(BatteryObjectTest, AggregateCountsItsInterfacesOnTheOuterObject)
{
    CountingOuter outer;
    ASSERT_EQ(S_OK, m_factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    EXPECT_EQ(1u, outer.count) << "the aggregate counts no reference on its outer object";

    IBatteryRemainingTime* battery = nullptr;
    ASSERT_EQ(S_OK,
              outer.inner->QueryInterface(IID_IBatteryRemainingTime, reinterpret_cast<void**>(&battery)));
    EXPECT_NE(static_cast<void*>(outer.inner), static_cast<void*>(battery));
    EXPECT_EQ(2u, outer.count);
    EXPECT_EQ(2u, outer.inner->AddRef()) << "the aggregate's own count is untouched";
    outer.inner->Release();

    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, battery->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    EXPECT_EQ(3u, outer.count);
    identity->Release();

    long minutes = -1;
    EXPECT_EQ(S_OK, battery->GetRemainingTime(&minutes));
    EXPECT_EQ(SystemMinutes(), minutes);
    EXPECT_EQ(1u, battery->Release());

    m_factory.Reset();
    EXPECT_EQ(S_FALSE, m_dll.CanUnloadNow()) << "a live aggregate holds a module lock";
    EXPECT_EQ(0u, outer.inner->Release());
    EXPECT_EQ(S_OK, m_dll.CanUnloadNow());
}

TEST_F(BatteryObjectTest, AggregateRefusesANullOutPointer)
{
    CountingOuter outer;
    ASSERT_EQ(S_OK, m_factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    EXPECT_EQ(E_POINTER, outer.inner->QueryInterface(IID_IBatteryRemainingTime, nullptr));
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, outer.inner->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0u, outer.inner->Release());
}

} // namespace
