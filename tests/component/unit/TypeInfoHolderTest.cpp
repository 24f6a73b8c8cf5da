// The type-information holder with a type library of the test's own behind the registered-library loader.
#include <windows.h>
#include <oaidl.h>

#include "component/automation/TypeInfoHolder.h"
#include "tests/component/unit/FakeTypeLibrary.h"
#include "tests/component/unit/ModuleFixture.h"

#include <initializer_list>
#include <thread>
#include <vector>

namespace
{

constexpr IID kInterface = {0x44444444, 0, 0, {0, 0, 0, 0, 0, 0, 0, 4}};
constexpr GUID kLibrary = {0x55555555, 0, 0, {0, 0, 0, 0, 0, 0, 0, 5}};
constexpr LCID kNeutral = 0;

class TypeInfoHolderTest : public ModuleFixture
{
  protected:
    void SetUp() override
    {
        ModuleFixture::SetUp();
        m_typeInfo.functions = {{L"QueryInterface", 0x60000000}, {L"GetRemainingTime", 1}};
        MakeLoadable();
    }

    void MakeLoadable()
    {
        fake::typeLibraryLoadResult = S_OK;
        fake::typeLibrary = &m_library;
    }

    HRESULT IdsOfNames(std::initializer_list<const wchar_t*> names, DISPID* ids)
    {
        std::vector<wchar_t*> list;
        for (const wchar_t* name : names)
        {
            list.push_back(const_cast<wchar_t*>(name));
        }
        return m_holder.GetIDsOfNames(list.data(), static_cast<UINT>(list.size()), kNeutral, ids);
    }

    DISPID IdOf(const wchar_t* name)
    {
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, IdsOfNames({name}, &id));
        return id;
    }

    HRESULT InvokeOn(void* instance)
    {
        DISPPARAMS none{};
        return m_holder.Invoke(static_cast<IDispatch*>(instance), 1, kNeutral, DISPATCH_METHOD, &none,
                               nullptr, nullptr, nullptr);
    }

    FakeTypeInfo m_typeInfo;
    FakeTypeLib m_library{kInterface, m_typeInfo};
    CComTypeInfoHolder m_holder{kInterface, kLibrary, 1, 0};
};

TEST_F(TypeInfoHolderTest, IndexIsCheckedBeforeTheOutPointer)
{
    EXPECT_EQ(DISP_E_BADINDEX, m_holder.GetTypeInfo(1, kNeutral, nullptr));
    EXPECT_EQ(E_POINTER, m_holder.GetTypeInfo(0, kNeutral, nullptr));
    EXPECT_EQ(0, fake::typeLibraryLoads.load());
}

TEST_F(TypeInfoHolderTest, UnregisteredLibraryFailsEveryCallUntilItIsRegistered)
{
    fake::typeLibraryLoadResult = TYPE_E_LIBNOTREGISTERED;
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, m_holder.GetTypeInfo(0, kNeutral, &typeInfo));
    EXPECT_EQ(nullptr, typeInfo);
    DISPID id = 0;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, IdsOfNames({L"GetRemainingTime"}, &id));
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, InvokeOn(this));
    EXPECT_EQ(3, fake::typeLibraryLoads.load()) << "a failed load is not remembered";

    MakeLoadable();
    ASSERT_EQ(S_OK, m_holder.GetTypeInfo(0, kNeutral, &typeInfo));
    EXPECT_EQ(&m_typeInfo, typeInfo);
    typeInfo->Release();
    EXPECT_EQ(1, IdOf(L"GetRemainingTime"));
    EXPECT_EQ(4, fake::typeLibraryLoads.load());
}

TEST_F(TypeInfoHolderTest, MissingInterfaceFailsWithTheLibrarysCode)
{
    FakeTypeLib otherLibrary{kLibrary, m_typeInfo};
    fake::typeLibrary = &otherLibrary;
    ITypeInfo* typeInfo = nullptr;
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, m_holder.GetTypeInfo(0, kNeutral, &typeInfo));
    EXPECT_EQ(nullptr, typeInfo);
}

TEST_F(TypeInfoHolderTest, SingleExactNameIsAnsweredFromTheCache)
{
    EXPECT_EQ(1, IdOf(L"GetRemainingTime"));
    EXPECT_EQ(0x60000000, IdOf(L"QueryInterface"));
    EXPECT_EQ(0, m_typeInfo.getIDsOfNamesCalls);
}

TEST_F(TypeInfoHolderTest, OtherLookupsGoToTheTypeInformation)
{
    EXPECT_EQ(FakeTypeInfo::kOwnAnswer, IdOf(L"getremainingtime")) << "the cache is case-sensitive";
    EXPECT_EQ(FakeTypeInfo::kOwnAnswer, IdOf(L"GetRemainingTim"));
    DISPID ids[2] = {};
    EXPECT_EQ(S_OK, IdsOfNames({L"GetRemainingTime", L"BRTime"}, ids));
    EXPECT_EQ(FakeTypeInfo::kOwnAnswer, ids[0]);
    EXPECT_EQ(3, m_typeInfo.getIDsOfNamesCalls);
}

TEST_F(TypeInfoHolderTest, LastEntryWinsAndUnreadableNamesNeverMatch)
{
    m_typeInfo.functions = {{L"Twice", 5}, {nullptr, 6}, {L"Twice", 7}};
    EXPECT_EQ(7, IdOf(L"Twice"));
    EXPECT_EQ(FakeTypeInfo::kOwnAnswer, IdOf(L""));
    EXPECT_EQ(1, m_typeInfo.getIDsOfNamesCalls);
}

TEST_F(TypeInfoHolderTest, NullNamesOrIdsGiveEPointerInsteadOfBeingRead)
{
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(E_POINTER, IdsOfNames({nullptr}, &id));
    EXPECT_EQ(E_POINTER, IdsOfNames({L"GetRemainingTime", nullptr}, &id));
    EXPECT_EQ(E_POINTER, IdsOfNames({L"GetRemainingTime"}, nullptr));
    EXPECT_EQ(E_POINTER, m_holder.GetIDsOfNames(nullptr, 1, kNeutral, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    EXPECT_EQ(0, m_typeInfo.getIDsOfNamesCalls);
}

TEST_F(TypeInfoHolderTest, NoNamesAreAnsweredAfterLoadingWithoutTouchingTheArrays)
{
    fake::typeLibraryLoadResult = TYPE_E_LIBNOTREGISTERED;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, m_holder.GetIDsOfNames(nullptr, 0, kNeutral, nullptr));

    MakeLoadable();
    EXPECT_EQ(S_OK, m_holder.GetIDsOfNames(nullptr, 0, kNeutral, nullptr));
    wchar_t* name = const_cast<wchar_t*>(L"GetRemainingTime");
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, m_holder.GetIDsOfNames(&name, 0, kNeutral, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    EXPECT_EQ(0, m_typeInfo.getIDsOfNamesCalls);
}

TEST_F(TypeInfoHolderTest, InvokeHandsTheCallingInterfaceToTheTypeInformation)
{
    int instance = 0;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeOn(&instance));
    EXPECT_EQ(&instance, m_typeInfo.invokedInstance);
}

TEST_F(TypeInfoHolderTest, CacheIsBuiltLaterWhenMemoryOrAttributesWereMissing)
{
    fake::failAllocations = true;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = m_holder.GetTypeInfo(0, kNeutral, &typeInfo);
    fake::failAllocations = false;
    EXPECT_EQ(S_OK, hr) << "a failed name cache does not fail the type information";
    EXPECT_EQ(&m_typeInfo, typeInfo);
    typeInfo->Release();

    m_typeInfo.attributesUnreadable = true;
    EXPECT_EQ(FakeTypeInfo::kOwnAnswer, IdOf(L"GetRemainingTime"));
    m_typeInfo.attributesUnreadable = false;
    EXPECT_EQ(1, IdOf(L"GetRemainingTime"));
    EXPECT_EQ(1, m_typeInfo.getIDsOfNamesCalls) << "the last lookup came from the cache built for it";
    EXPECT_EQ(1, fake::typeLibraryLoads.load());
}

TEST_F(TypeInfoHolderTest, ConcurrentFirstCallsLoadOnce)
{
    fake::typeLibraryLoadDelayMs = 200;
    ITypeInfo* answers[2] = {};
    std::thread other([&] { m_holder.GetTypeInfo(0, kNeutral, &answers[0]); });
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, IdsOfNames({L"GetRemainingTime"}, &id));
    m_holder.GetTypeInfo(0, kNeutral, &answers[1]);
    other.join();
    EXPECT_EQ(1, fake::typeLibraryLoads.load());
    EXPECT_EQ(1, id);
    EXPECT_EQ(&m_typeInfo, answers[0]);
    EXPECT_EQ(&m_typeInfo, answers[1]);
    answers[0]->Release();
    answers[1]->Release();
}

TEST_F(TypeInfoHolderTest, SeparateTypeInfo2ObjectIsKeptInsteadOfTheFirst)
{
    FakeTypeInfo separate;
    separate.functions = m_typeInfo.functions;
    m_typeInfo.typeInfo2 = &separate;
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(S_OK, m_holder.GetTypeInfo(0, kNeutral, &typeInfo));
    EXPECT_EQ(static_cast<ITypeInfo*>(&separate), typeInfo);
    typeInfo->Release();
    EXPECT_EQ(1, m_typeInfo.references) << "the first object is not kept";
    EXPECT_EQ(2, separate.references) << "the holder keeps one reference";
    InvokeOn(this);
    EXPECT_EQ(this, separate.invokedInstance);
    m_module.reset();
    EXPECT_EQ(1, separate.references);
}

TEST_F(TypeInfoHolderTest, TypeInfo2OfTheSameObjectKeepsTheFirst)
{
    m_typeInfo.answersTypeInfo2 = true;
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(S_OK, m_holder.GetTypeInfo(0, kNeutral, &typeInfo));
    EXPECT_EQ(static_cast<ITypeInfo*>(&m_typeInfo), typeInfo);
    typeInfo->Release();
    EXPECT_EQ(2, m_typeInfo.references);
}

TEST_F(TypeInfoHolderTest, ModuleTerminationReleasesTheTypeInformation)
{
    IdOf(L"GetRemainingTime");
    EXPECT_EQ(2, m_typeInfo.references);
    m_module.reset();
    EXPECT_EQ(1, m_typeInfo.references);
}

} // namespace

// Crashes on purpose once the concurrent case above has started and ended a thread in the same process: run
// only by the crash-exit tests (CMakeLists.txt beside), which expect the program to fail and to name the test.
namespace
{

void WriteThroughNull()
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

} // namespace

TEST(DeliberateCrash, DISABLED_OnTheTestThread)
{
    WriteThroughNull();
}

TEST(DeliberateCrash, DISABLED_OnAnotherThread)
{
    std::thread(&WriteThroughNull).join();
}
