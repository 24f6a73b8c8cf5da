#include <windows.h>
#include <unknwn.h>

#include "component/server/InterfaceEntry.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// An object with two interfaces at different offsets, counting references on both.
struct TwoFacedObject
{
    struct Face : IUnknown
    {
        explicit Face(ULONG& count) : m_count(count) {}
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        STDMETHODIMP_(ULONG) AddRef() override { return ++m_count; }
        STDMETHODIMP_(ULONG) Release() override { return --m_count; }
        ULONG& m_count;
    };

    ULONG count = 1;
    Face first{count};
    Face second{count};
};

constexpr IID kFirst = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr IID kSecond = {0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
constexpr IID kOther = {0x33333333, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};

std::uintptr_t OffsetOf(TwoFacedObject::Face TwoFacedObject::*face)
{
    TwoFacedObject probe;
    return reinterpret_cast<BYTE*>(&(probe.*face)) - reinterpret_cast<BYTE*>(&probe);
}

const std::uintptr_t kFirstOffset = OffsetOf(&TwoFacedObject::first);
const std::uintptr_t kSecondOffset = OffsetOf(&TwoFacedObject::second);

int g_resolverCalls = 0;

HRESULT Declining(void*, REFIID, void**, std::uintptr_t data)
{
    ++g_resolverCalls;
    return static_cast<HRESULT>(data);
}

HRESULT AnswerWithSecond(void* object, REFIID, void** out, std::uintptr_t)
{
    ++g_resolverCalls;
    auto* face = &static_cast<TwoFacedObject*>(object)->second;
    face->AddRef();
    *out = face;
    return S_OK;
}

std::uintptr_t Resolver(InterfaceResolver resolver)
{
    return reinterpret_cast<std::uintptr_t>(resolver);
}

class QueryInterfaceFromTableTest : public testing::Test
{
  protected:
    void SetUp() override { g_resolverCalls = 0; }

    HRESULT Query(const InterfaceEntry* table, REFIID iid)
    {
        m_out = reinterpret_cast<void*>(1);
        return QueryInterfaceFromTable(&m_object, table, iid, &m_out);
    }

    TwoFacedObject m_object;
    void* m_out = nullptr;
};

const InterfaceEntry kPlainTable[] = {
    {&kFirst, kFirstOffset, kPlainOffsetRow},
    {&kSecond, kSecondOffset, kPlainOffsetRow},
    {nullptr, 0, 0},
};

TEST_F(QueryInterfaceFromTableTest, PlainRowsHandOutTheirOffsetWithOneReference)
{
    EXPECT_EQ(S_OK, Query(kPlainTable, kSecond));
    EXPECT_EQ(&m_object.second, m_out);
    EXPECT_EQ(2u, m_object.count);
}

TEST_F(QueryInterfaceFromTableTest, IUnknownIsTheFirstRowsPointerWhateverItsResolver)
{
    const InterfaceEntry table[] = {
        {&kFirst, kSecondOffset, Resolver(&Declining)},
        {nullptr, 0, 0},
    };
    EXPECT_EQ(S_OK, Query(table, IID_IUnknown));
    EXPECT_EQ(&m_object.second, m_out);
    EXPECT_EQ(2u, m_object.count);
    EXPECT_EQ(0, g_resolverCalls);
}

TEST_F(QueryInterfaceFromTableTest, UnknownInterfaceClearsTheOutPointer)
{
    EXPECT_EQ(E_NOINTERFACE, Query(kPlainTable, kOther));
    EXPECT_EQ(nullptr, m_out);
    EXPECT_EQ(1u, m_object.count);
}

TEST_F(QueryInterfaceFromTableTest, ArgumentChecksComeInOrder)
{
    EXPECT_EQ(E_INVALIDARG, QueryInterfaceFromTable(&m_object, nullptr, kFirst, nullptr));
    EXPECT_EQ(E_INVALIDARG, QueryInterfaceFromTable(nullptr, kPlainTable, kFirst, &m_out));
    EXPECT_EQ(E_POINTER, QueryInterfaceFromTable(&m_object, kPlainTable, kFirst, nullptr));
}

struct ResolverCase
{
    const char* name;
    const IID* resolverIid; // row under test, ahead of a plain row for kSecond
    HRESULT resolverResult;
    HRESULT expected;
    int expectedCalls;
};

class ResolverRowTest : public QueryInterfaceFromTableTest, public testing::WithParamInterface<ResolverCase>
{
};

TEST_P(ResolverRowTest, WalkGoesOnOnlyPastBlindFailuresAndOtherSuccessCodes)
{
    const ResolverCase& row = GetParam();
    const InterfaceEntry table[] = {
        {&kFirst, kFirstOffset, kPlainOffsetRow},
        {row.resolverIid, static_cast<std::uintptr_t>(row.resolverResult), Resolver(&Declining)},
        {&kSecond, kSecondOffset, kPlainOffsetRow},
        {nullptr, 0, 0},
    };
    EXPECT_EQ(row.expected, Query(table, kSecond));
    EXPECT_EQ(row.expectedCalls, g_resolverCalls);
    EXPECT_EQ(row.expected == S_OK ? static_cast<void*>(&m_object.second) : nullptr, m_out);
}

INSTANTIATE_TEST_SUITE_P(Rows, ResolverRowTest,
                         testing::Values(ResolverCase{"BlindFailureGoesOn", nullptr, E_NOINTERFACE, S_OK, 1},
                                         ResolverCase{"BlindSuccessCodeGoesOn", nullptr, S_FALSE, S_OK, 1},
                                         ResolverCase{"NamedFailureStops", &kSecond, E_ACCESSDENIED,
                                                      E_ACCESSDENIED, 1},
                                         ResolverCase{"NamedSuccessCodeGoesOn", &kSecond, S_FALSE, S_OK, 1},
                                         ResolverCase{"OtherIdIsNotAsked", &kOther, E_ACCESSDENIED, S_OK, 0}),
                         [](const testing::TestParamInfo<ResolverCase>& info)
                         { return std::string(info.param.name); });

TEST_F(QueryInterfaceFromTableTest, ResolverAnswerIsReturned)
{
    const InterfaceEntry table[] = {
        {&kFirst, kFirstOffset, kPlainOffsetRow},
        {nullptr, 0, Resolver(&AnswerWithSecond)},
        {nullptr, 0, 0},
    };
    EXPECT_EQ(S_OK, Query(table, kOther));
    EXPECT_EQ(&m_object.second, m_out);
    EXPECT_EQ(2u, m_object.count);
}

} // namespace
