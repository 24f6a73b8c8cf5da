// Load and unload of the process-wide records: start-up failure, class-object lookup, clean-up order.
#include <windows.h>

#include "component/server/ClassObjectTable.h"
#include "component/server/ModuleInstance.h"
#include "component/server/VoltwiseModule.h"
#include "platform/ComPtr.h"
#include "tests/component/unit/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace
{

using platform::ComPtr;

constexpr CLSID kRecordedClass = {0x0BADF00D, 0, 0, {0, 0, 0, 0, 0, 0, 0, 7}};

std::vector<std::string> g_events;
std::atomic<int> g_classObjectsCreated = 0;
DWORD g_creationDelayMs = 0;
// When set, the creator hands out no object and returns this result.
std::optional<HRESULT> g_emptyCreationResult;

// A class object that records its destruction.
class RecordedClassObject final : public IUnknown
{
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown))
        {
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_count); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG count = InterlockedDecrement(&m_count);
        if (count == 0)
        {
            g_events.push_back("class object destroyed");
            delete this;
        }
        return count;
    }

  private:
    LONG m_count = 0;
};

HRESULT CreateRecordedClassObject(void*, REFIID iid, void** out)
{
    ++g_classObjectsCreated;
    Sleep(g_creationDelayMs);
    if (g_emptyCreationResult)
    {
        *out = nullptr;
        return *g_emptyCreationResult;
    }
    return (new RecordedClassObject)->QueryInterface(iid, out);
}

HRESULT NoInstances(void*, REFIID, void**)
{
    return E_NOTIMPL;
}

const ClassCategoryEntry* NoCategories()
{
    return nullptr;
}

void RecordClassHook(bool starting)
{
    g_events.push_back(starting ? "class hook start" : "class hook stop");
}

HRESULT NoRegistration(bool, RegistrationJournal*)
{
    return E_NOTIMPL;
}

class ProcessRecordsTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake::Reset();
        g_events.clear();
        g_classObjectsCreated = 0;
        g_creationDelayMs = 0;
        g_emptyCreationResult.reset();
    }
    void TearDown() override { fake::Reset(); }

    ObjectMap Map() { return {std::begin(m_slots), std::end(m_slots)}; }

    ObjectMapEntry m_entry = {&kRecordedClass, &NoRegistration, &CreateRecordedClassObject,
                              &NoInstances,    nullptr,         &NoCategories,
                              &RecordClassHook};
    ObjectMapEntry m_notCreatable = {&kRecordedClass, &NoRegistration, nullptr,         &NoInstances,
                                     nullptr,         &NoCategories,   &RecordClassHook};
    // A null slot and an entry without a class-object creator are both passed over.
    ObjectMapEntry* m_slots[3] = {nullptr, &m_notCreatable, &m_entry};
};

// The records in load order; they are destroyed in reverse, as at unload.
struct Records
{
    Records(ObjectMap map, bool& startupFailure)
        : table(reinterpret_cast<HINSTANCE>(1), map, startupFailure), instance(nullptr, startupFailure),
          module(map, startupFailure)
    {
    }

    CClassObjectTable table;
    CModuleInstance instance;
    CVoltwiseModule module;
};

void Record(DWORD_PTR data)
{
    g_events.push_back("callback " + std::to_string(data));
}

TEST_F(ProcessRecordsTest, UnloadRunsHooksThenCallbacksNewestFirstThenReleasesClassObjects)
{
    {
        bool startupFailure = false;
        Records records(Map(), startupFailure);
        EXPECT_FALSE(startupFailure);
        EXPECT_EQ(S_OK, AddShutdownCallback(&records.module, &Record, 1));
        EXPECT_EQ(S_OK, AddShutdownCallback(&records.module, &Record, 2));
        ComPtr<IUnknown> classObject;
        ASSERT_EQ(S_OK, records.table.GetClassObject(kRecordedClass, IID_IUnknown, classObject.PutVoid()));
    }
    const std::vector<std::string> expected = {"class hook start",      "class hook start", "class hook stop",
                                               "class hook stop",       "callback 2",       "callback 1",
                                               "class object destroyed"};
    EXPECT_EQ(expected, g_events);
}

TEST_F(ProcessRecordsTest, MissingInterfaceOnTheClassObjectKeepsItCached)
{
    bool startupFailure = false;
    Records records(Map(), startupFailure);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, records.table.GetClassObject(kRecordedClass, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_NE(nullptr, m_entry.classObject) << "the class object stays cached";
    EXPECT_EQ(E_NOINTERFACE, records.table.GetClassObject(kRecordedClass, IID_IClassFactory, &out));
    EXPECT_EQ(1, g_classObjectsCreated.load());
}

// A creation that fails, or succeeds without an object, caches nothing; the next request creates again.
struct EmptyCreationCase
{
    HRESULT creatorResult;
    HRESULT expected;
};

class EmptyCreationTest : public ProcessRecordsTest, public testing::WithParamInterface<EmptyCreationCase>
{
};

TEST_P(EmptyCreationTest, CachesNothingAndIsTriedAgain)
{
    bool startupFailure = false;
    Records records(Map(), startupFailure);
    g_emptyCreationResult = GetParam().creatorResult;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetParam().expected, records.table.GetClassObject(kRecordedClass, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(nullptr, m_entry.classObject);

    g_emptyCreationResult.reset();
    ComPtr<IUnknown> classObject;
    EXPECT_EQ(S_OK, records.table.GetClassObject(kRecordedClass, IID_IUnknown, classObject.PutVoid()));
    EXPECT_EQ(m_entry.classObject, classObject.Get());
    EXPECT_EQ(2, g_classObjectsCreated.load());
}

INSTANTIATE_TEST_SUITE_P(CreatorFailureAndSuccessWithoutObject, EmptyCreationTest,
                         testing::Values(EmptyCreationCase{E_OUTOFMEMORY, E_OUTOFMEMORY},
                                         EmptyCreationCase{S_OK, CLASS_E_CLASSNOTAVAILABLE}));

TEST_F(ProcessRecordsTest, ConcurrentFirstRequestsCreateOneClassObject)
{
    bool startupFailure = false;
    Records records(Map(), startupFailure);
    g_creationDelayMs = 100;
    IUnknown* answers[2] = {};
    std::thread other(
        [&] {
            records.table.GetClassObject(kRecordedClass, IID_IUnknown, reinterpret_cast<void**>(&answers[0]));
        });
    records.table.GetClassObject(kRecordedClass, IID_IUnknown, reinterpret_cast<void**>(&answers[1]));
    other.join();
    EXPECT_EQ(1, g_classObjectsCreated.load());
    ASSERT_NE(nullptr, answers[0]);
    EXPECT_EQ(answers[0], answers[1]);
    answers[0]->Release();
    answers[1]->Release();
}

// Each record's lock in turn fails to initialise: the load is refused, and the records still clean up.
class StartupFailureTest : public ProcessRecordsTest, public testing::WithParamInterface<int>
{
};

TEST_P(StartupFailureTest, AnyLockThatCannotBeInitialisedRefusesTheLoad)
{
    bool startupFailure = false;
    fake::lockInitializationsBeforeFailure = GetParam();
    {
        Records records(Map(), startupFailure);
        EXPECT_TRUE(startupFailure);
        void* out = reinterpret_cast<void*>(1);
        const HRESULT expected = GetParam() == 0 ? E_UNEXPECTED : S_OK;
        EXPECT_EQ(expected, records.table.GetClassObject(kRecordedClass, IID_IUnknown, &out));
        if (out != nullptr)
        {
            static_cast<IUnknown*>(out)->Release();
        }
    }
    EXPECT_EQ(2, std::count(g_events.begin(), g_events.end(), "class hook stop"))
        << "the hooks run although a lock failed";
}

INSTANTIATE_TEST_SUITE_P(ClassObjectTableInstanceRecordModule, StartupFailureTest, testing::Values(0, 1, 2));

TEST_F(ProcessRecordsTest, AddShutdownCallbackFailures)
{
    bool startupFailure = false;
    Records records(Map(), startupFailure);
    EXPECT_EQ(E_INVALIDARG, AddShutdownCallback(nullptr, &Record, 1));
    fake::failAllocations = true;
    EXPECT_EQ(E_OUTOFMEMORY, AddShutdownCallback(&records.module, &Record, 2));
    fake::failAllocations = false;
}

TEST_F(ProcessRecordsTest, ModuleLockCountGoesBelowZeroUnchecked)
{
    bool startupFailure = false;
    CVoltwiseModule module(ObjectMap{nullptr, nullptr}, startupFailure);
    EXPECT_EQ(1, module.AddModuleLock());
    EXPECT_EQ(0, module.ReleaseModuleLock());
    EXPECT_EQ(-1, module.ReleaseModuleLock());
    EXPECT_EQ(-1, module.ModuleLockCount());
}

// A registrar that records the substitutions it is given.
class RecordingRegistrar : public IRegistrarBase
{
  public:
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP AddSubstitution(const wchar_t* name, const wchar_t* value) override
    {
        substitutions += std::wstring(name) + L"=" + value + L";";
        return result;
    }
    STDMETHODIMP ClearSubstitutions() override { return E_NOTIMPL; }

    std::wstring substitutions;
    HRESULT result = S_OK;
};

TEST_F(ProcessRecordsTest, StandardSubstitutionIsTheApplicationId)
{
    bool startupFailure = false;
    CVoltwiseModule module(ObjectMap{nullptr, nullptr}, startupFailure);
    RecordingRegistrar registrar;
    EXPECT_EQ(S_OK, module.AddStandardSubstitutions(&registrar));
    EXPECT_EQ(L"APPID={25AB294C-2C96-4EF9-978A-CFA9014714B0};", registrar.substitutions);
    registrar.result = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, module.AddStandardSubstitutions(&registrar));
}

} // namespace
