// Dispatch by name and DISPID on battery objects of the built DLL, with its type library registered
// in this test's own prefix.
#include <windows.h>
#include <oleauto.h>

#include "component/automation/IBatteryRemainingTime.h"
#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"
#include "tests/component/support/CountingOuter.h"
#include "tests/component/support/TypeLibraryRegistration.h"
#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace
{

using platform::ComPtr;

constexpr IID kArbitraryIid = {0x66666666, 0x1234, 0x5678, {9, 8, 7, 6, 5, 4, 3, 2}};
constexpr LCID kEnglishUs = 0x409;

class DispatchTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dll.Loaded());
        ASSERT_EQ(S_OK,
                  m_dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IClassFactory, m_factory.PutVoid()));
        ASSERT_EQ(S_OK, m_factory->CreateInstance(nullptr, IID_IBatteryRemainingTime, m_battery.PutVoid()));
        ASSERT_EQ(S_OK, m_battery.As(m_dispatch));
    }

    static HRESULT IdsOfNames(IDispatch* dispatch, std::initializer_list<const wchar_t*> names, DISPID* ids,
                              REFIID iid = IID_NULL)
    {
        std::vector<wchar_t*> list;
        for (const wchar_t* name : names)
        {
            list.push_back(const_cast<wchar_t*>(name));
        }
        return dispatch->GetIDsOfNames(iid, list.data(), static_cast<UINT>(list.size()), kEnglishUs, ids);
    }

    static HRESULT InvokeMethod(IDispatch* dispatch, VARIANT& result, REFIID iid = IID_NULL,
                                UINT arguments = 0)
    {
        VARIANT argument;
        VariantInit(&argument);
        V_VT(&argument) = VT_I4;
        DISPPARAMS params{&argument, nullptr, arguments, 0};
        VariantInit(&result);
        UINT argumentError = 0;
        return dispatch->Invoke(kDispIdGetRemainingTime, iid, kEnglishUs, DISPATCH_METHOD, &params, &result,
                                nullptr, &argumentError);
    }

    long DirectMinutes()
    {
        long minutes = -1;
        EXPECT_EQ(S_OK, m_battery->GetRemainingTime(&minutes));
        return minutes;
    }

    VoltwiseDll m_dll;
    ComPtr<IClassFactory> m_factory;
    ComPtr<IBatteryRemainingTime> m_battery;
    ComPtr<IDispatch> m_dispatch;
};

// Each test has a fresh load of the DLL; this one starts with the library unregistered.
TEST_F(DispatchTest, AUnregisteredLibraryFailsEveryCallUntilRegisteredWithoutReload)
{
    TypeLibraryRegistration::Unregister();
    ComPtr<ITypeLib> unused;
    const HRESULT notRegistered = LoadRegTypeLib(LIBID_VoltwiseLib, kVoltwiseLibMajorVersion,
                                                 kVoltwiseLibMinorVersion, kEnglishUs, unused.Put());
    ASSERT_TRUE(FAILED(notRegistered));

    UINT count = 0;
    EXPECT_EQ(S_OK, m_dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count) << "answered without loading anything";
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(notRegistered, m_dispatch->GetTypeInfo(0, kEnglishUs, &typeInfo));
    EXPECT_EQ(nullptr, typeInfo);
    DISPID id = 0;
    EXPECT_EQ(notRegistered, IdsOfNames(m_dispatch.Get(), {L"GetRemainingTime"}, &id));
    EXPECT_EQ(notRegistered, m_dispatch->GetIDsOfNames(IID_NULL, nullptr, 0, kEnglishUs, nullptr));
    VARIANT result;
    EXPECT_EQ(notRegistered, InvokeMethod(m_dispatch.Get(), result));

    TypeLibraryRegistration registration(VoltwiseDll::Path());
    ASSERT_EQ(S_OK, registration.Result());
    EXPECT_EQ(S_OK, IdsOfNames(m_dispatch.Get(), {L"GetRemainingTime"}, &id));
    EXPECT_EQ(kDispIdGetRemainingTime, id);
    ASSERT_EQ(S_OK, InvokeMethod(m_dispatch.Get(), result));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(DirectMinutes(), V_I4(&result));
}

class RegisteredDispatchTest : public DispatchTest
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, m_registration.Result());
        DispatchTest::SetUp();
    }

    TypeLibraryRegistration m_registration{VoltwiseDll::Path()};
};

TEST_F(RegisteredDispatchTest, TypeInfoCountAndIndexChecks)
{
    EXPECT_EQ(E_POINTER, m_dispatch->GetTypeInfoCount(nullptr));
    EXPECT_EQ(DISP_E_BADINDEX, m_dispatch->GetTypeInfo(1, kEnglishUs, nullptr));
    EXPECT_EQ(E_POINTER, m_dispatch->GetTypeInfo(0, kEnglishUs, nullptr));
    ComPtr<ITypeInfo> typeInfo;
    ASSERT_EQ(S_OK, m_dispatch->GetTypeInfo(0, kEnglishUs, typeInfo.Put()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, typeInfo->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(IID_IBatteryRemainingTime, attributes->guid));
    typeInfo->ReleaseTypeAttr(attributes);
}

TEST_F(RegisteredDispatchTest, NamesGiveTheTypeInformationsAnswers)
{
    ComPtr<ITypeInfo> typeInfo;
    ASSERT_EQ(S_OK, m_dispatch->GetTypeInfo(0, kEnglishUs, typeInfo.Put()));
    DISPID id = 0;
    EXPECT_EQ(S_OK, IdsOfNames(m_dispatch.Get(), {L"GetRemainingTime"}, &id, kArbitraryIid));
    EXPECT_EQ(kDispIdGetRemainingTime, id);
    EXPECT_EQ(S_OK, IdsOfNames(m_dispatch.Get(), {L"getremainingtime"}, &id));
    EXPECT_EQ(kDispIdGetRemainingTime, id) << "the type information matches without regard to case";
    EXPECT_EQ(DISP_E_UNKNOWNNAME, IdsOfNames(m_dispatch.Get(), {L"GetBatteryTime"}, &id));

    // Method and parameter names: the same answer as the type information's own.
    DISPID ids[2] = {};
    DISPID expected[2] = {};
    wchar_t* names[] = {const_cast<wchar_t*>(L"GetRemainingTime"), const_cast<wchar_t*>(L"BRTime")};
    const HRESULT expectedResult = typeInfo->GetIDsOfNames(names, 2, expected);
    EXPECT_EQ(expectedResult, IdsOfNames(m_dispatch.Get(), {L"GetRemainingTime", L"BRTime"}, ids));
    EXPECT_EQ(expected[0], ids[0]);
    EXPECT_EQ(expected[1], ids[1]);
}

// The platform's type information reads a first name even when asked for none.
TEST_F(RegisteredDispatchTest, NoNamesAndNullArraysAreAnsweredWithoutReadingThem)
{
    EXPECT_EQ(S_OK, m_dispatch->GetIDsOfNames(IID_NULL, nullptr, 0, kEnglishUs, nullptr));
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, IdsOfNames(m_dispatch.Get(), {}, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
}

TEST_F(RegisteredDispatchTest, InvokeByDispIdGivesTheDirectCallsMinutes)
{
    VARIANT result;
    ASSERT_EQ(S_OK, InvokeMethod(m_dispatch.Get(), result, kArbitraryIid));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(DirectMinutes(), V_I4(&result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeMethod(m_dispatch.Get(), result, IID_NULL, 1))
        << "argument errors come back unchanged from the type information";
}

// Argument arrays that are null while their counts say they have entries: the platform's type information
// would read them (a null named-argument array crashed the caller).
struct ParamsShape
{
    const char* name;
    bool arguments;
    UINT argumentCount;
    bool namedArguments;
    UINT namedCount;
    bool wantsResult;
    HRESULT expected;
};

class MalformedParams : public RegisteredDispatchTest, public testing::WithParamInterface<ParamsShape>
{
};

TEST_P(MalformedParams, AreRefusedBeforeTheTypeInformationReadsThem)
{
    VARIANT arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    DISPID named[2] = {0, 1};
    const ParamsShape& shape = GetParam();
    DISPPARAMS params{shape.arguments ? arguments : nullptr, shape.namedArguments ? named : nullptr,
                      shape.argumentCount, shape.namedCount};
    VARIANT result;
    VariantInit(&result);
    UINT argumentError = 0;
    EXPECT_EQ(shape.expected,
              m_dispatch->Invoke(kDispIdGetRemainingTime, IID_NULL, kEnglishUs, DISPATCH_METHOD, &params,
                                 shape.wantsResult ? &result : nullptr, nullptr, &argumentError));
    if (shape.wantsResult)
    {
        EXPECT_EQ(shape.expected == S_OK ? VT_I4 : VT_EMPTY, V_VT(&result));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MalformedParams,
    testing::Values(ParamsShape{"NamedNullWithArguments", true, 1, false, 1, true, E_INVALIDARG},
                    ParamsShape{"NamedNullWithoutResult", true, 1, false, 1, false, E_INVALIDARG},
                    ParamsShape{"NamedNullArgumentsNull", false, 1, false, 1, true, E_INVALIDARG},
                    ParamsShape{"ArgumentsNullPositional", false, 2, false, 0, true, E_INVALIDARG},
                    ParamsShape{"ArgumentsNullNamed", false, 1, true, 1, false, E_INVALIDARG},
                    ParamsShape{"BothNullNoCounts", false, 0, false, 0, true, S_OK}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegisteredDispatchTest, AggregatedObjectInvokesThroughItsInnerInterface)
{
    CountingOuter outer;
    ASSERT_EQ(S_OK, m_factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    VARIANT result;
    ASSERT_EQ(S_OK, InvokeMethod(dispatch.Get(), result));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(DirectMinutes(), V_I4(&result));
    dispatch.Reset();
    EXPECT_EQ(1u, outer.count);
    EXPECT_EQ(0u, outer.inner->Release());
}

} // namespace
