#include <windows.h>

#include "component/registrar/RegObject.h"

#include <gtest/gtest.h>

#include <string>

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
