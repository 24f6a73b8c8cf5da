#include <windows.h>

#include "component/registrar/RegObject.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

namespace
{

// Allocations still to succeed before the next one fails; negative: none fails.
int g_allocationsBeforeFailure = -1;

void* Allocate(std::size_t size)
{
    if (g_allocationsBeforeFailure == 0)
    {
        g_allocationsBeforeFailure = -1;
        return nullptr;
    }
    if (g_allocationsBeforeFailure > 0)
    {
        --g_allocationsBeforeFailure;
    }
    return std::malloc(size != 0 ? size : 1);
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* memory = Allocate(size))
    {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

// Every allocation of this program, throwing or not, goes through the countdown above.
void* operator new(std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

TEST(RegObject, QueryInterfaceIsNotImplementedAndLeavesTheOutParameterAlone)
{
    CRegObject registrar;
    void* sentinel = &registrar;
    void* object = sentinel;
    EXPECT_EQ(E_NOTIMPL, registrar.QueryInterface(IID_IUnknown, &object));
    EXPECT_EQ(sentinel, object);
}

TEST(RegObject, ReferenceCountsAreConstant)
{
    CRegObject registrar;
    IRegistrarBase& base = registrar;
    EXPECT_EQ(1u, base.AddRef());
    EXPECT_EQ(1u, base.AddRef());
    EXPECT_EQ(0u, base.Release());
    EXPECT_EQ(0u, base.Release());
    EXPECT_EQ(0u, base.Release());
    EXPECT_EQ(S_OK, base.AddSubstitution(L"Still", L"usable"));
    EXPECT_STREQ(L"usable", registrar.FindSubstitution(L"still"));
}

TEST(RegObject, NullNameOrValueIsInvalid)
{
    CRegObject registrar;
    EXPECT_EQ(E_INVALIDARG, registrar.AddSubstitution(nullptr, L"value"));
    EXPECT_EQ(E_INVALIDARG, registrar.AddSubstitution(L"name", nullptr));
    EXPECT_EQ(nullptr, registrar.FindSubstitution(L"name"));
}

TEST(RegObject, KeepsItsOwnCopiesOfNamesAndValues)
{
    CRegObject registrar;
    std::wstring name = L"Module";
    std::wstring value = L"C:\\first.dll";
    ASSERT_EQ(S_OK, registrar.AddSubstitution(name.c_str(), value.c_str()));
    name.assign(name.size(), L'x');
    value.assign(value.size(), L'y');
    EXPECT_STREQ(L"C:\\first.dll", registrar.FindSubstitution(L"MODULE"));
}

TEST(RegObject, RepeatedNameIsAppendedAndTheFirstEntryWins)
{
    CRegObject registrar;
    ASSERT_EQ(S_OK, registrar.AddSubstitution(L"APPID", L"first"));
    ASSERT_EQ(S_OK, registrar.AddSubstitution(L"AppId", L"second"));
    EXPECT_STREQ(L"first", registrar.FindSubstitution(L"appid"));
    EXPECT_EQ(nullptr, registrar.FindSubstitution(L"APPI"));
}

TEST(RegObject, ClearSubstitutionsEmptiesTheTable)
{
    CRegObject registrar;
    ASSERT_EQ(S_OK, registrar.AddSubstitution(L"A", L"1"));
    EXPECT_EQ(S_OK, registrar.ClearSubstitutions());
    EXPECT_EQ(nullptr, registrar.FindSubstitution(L"A"));
    ASSERT_EQ(S_OK, registrar.AddSubstitution(L"A", L"2"));
    EXPECT_STREQ(L"2", registrar.FindSubstitution(L"a"));
}

// The name copy, the value copy and the table's growth fail in turn: each is E_OUTOFMEMORY, never an
// exception, and leaves the table as it was.
class RegObjectAllocationFailure : public testing::TestWithParam<int>
{
};

TEST_P(RegObjectAllocationFailure, IsOutOfMemoryAndLeavesTheTableUnchanged)
{
    CRegObject registrar;
    ASSERT_EQ(S_OK, registrar.AddSubstitution(L"First", L"1")); // fills the table's storage
    g_allocationsBeforeFailure = GetParam();
    const HRESULT hr = registrar.AddSubstitution(L"Second", L"2");
    const bool failureReached = g_allocationsBeforeFailure == -1;
    g_allocationsBeforeFailure = -1;
    ASSERT_TRUE(failureReached) << "fewer allocations than expected";
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    EXPECT_EQ(nullptr, registrar.FindSubstitution(L"Second"));
    EXPECT_STREQ(L"1", registrar.FindSubstitution(L"First"));
    ASSERT_EQ(S_OK, registrar.AddSubstitution(L"Second", L"2"));
    EXPECT_STREQ(L"2", registrar.FindSubstitution(L"Second"));
}

INSTANTIATE_TEST_SUITE_P(NameCopyValueCopyTableGrowth, RegObjectAllocationFailure, testing::Values(0, 1, 2));
