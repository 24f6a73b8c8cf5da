// The type library embedded in the built DLL, row by row against its published contents.
#include <windows.h>
#include <oleauto.h>

#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"
#include "tests/component/support/Bitness.h"
#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

using platform::ComPtr;

constexpr GUID kStdOleLibrary = {
    0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr WORD kEnglishUs = 0x409;

struct Documentation
{
    std::wstring name;
    std::wstring helpString;
    DWORD helpContext = ~0u;
    bool hasHelpFile = true;
};

std::wstring Take(BSTR text)
{
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

template <typename Documented> Documentation Document(Documented* documented, MEMBERID member)
{
    BSTR name = nullptr;
    BSTR helpString = nullptr;
    BSTR helpFile = nullptr;
    Documentation result;
    EXPECT_EQ(S_OK, documented->GetDocumentation(member, &name, &helpString, &result.helpContext, &helpFile));
    result.hasHelpFile = helpFile != nullptr;
    result.name = Take(name);
    result.helpString = Take(helpString);
    SysFreeString(helpFile);
    return result;
}

class TypeLibraryTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, LoadTypeLib(VoltwiseDll::Path().c_str(), m_library.Put()));
        ASSERT_EQ(S_OK, m_library->GetTypeInfo(0, m_class.Put()));
        ASSERT_EQ(S_OK, m_library->GetTypeInfo(1, m_dispatchView.Put()));
        HREFTYPE functionTable = 0;
        ASSERT_EQ(S_OK, m_dispatchView->GetRefTypeOfImplType(-1, &functionTable));
        ASSERT_EQ(S_OK, m_dispatchView->GetRefTypeInfo(functionTable, m_interfaceView.Put()));
    }

    template <typename Check> static void WithTypeAttr(ITypeInfo* typeInfo, Check check)
    {
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, typeInfo->GetTypeAttr(&attributes));
        check(*attributes);
        typeInfo->ReleaseTypeAttr(attributes);
    }

    ComPtr<ITypeLib> m_library;
    ComPtr<ITypeInfo> m_class;
    ComPtr<ITypeInfo> m_dispatchView;
    ComPtr<ITypeInfo> m_interfaceView;
};

TEST_F(TypeLibraryTest, LibraryAttributes)
{
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, m_library->GetLibAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(LIBID_VoltwiseLib, attributes->guid));
    EXPECT_EQ(0u, attributes->lcid);
    EXPECT_EQ(kDllSysKind, attributes->syskind);
    EXPECT_EQ(1, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    // The loader marks every library it read from a file; the library itself declares no flags.
    EXPECT_EQ(0, attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE);
    m_library->ReleaseTLibAttr(attributes);

    const Documentation library = Document(m_library.Get(), MEMBERID_NIL);
    EXPECT_EQ(L"VoltwiseLib", library.name);
    EXPECT_EQ(L"Voltwise 1.0 Type Library", library.helpString);
    EXPECT_EQ(0u, library.helpContext);
    EXPECT_FALSE(library.hasHelpFile);
    EXPECT_EQ(2u, m_library->GetTypeInfoCount());
}

TEST_F(TypeLibraryTest, ResourceIsEnglishWithTheFileHeadersLocaleFields)
{
    const HMODULE module = LoadLibraryExW(VoltwiseDll::Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    const HRSRC resource = FindResourceExW(module, L"TYPELIB", MAKEINTRESOURCEW(1), kEnglishUs);
    ASSERT_NE(nullptr, resource);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    ASSERT_GE(SizeofResource(module, resource), 20u);
    DWORD headerLocales[2] = {};
    std::memcpy(headerLocales, bytes + 12, sizeof(headerLocales)); // after magic, format version, guid offset
    EXPECT_EQ(0, std::memcmp(bytes, "MSFT", 4));
    EXPECT_EQ(0x409u, headerLocales[0]);
    EXPECT_EQ(0u, headerLocales[1]);
    FreeLibrary(module);
}

TEST_F(TypeLibraryTest, ClassComesFirstCreatableWithItsDefaultInterface)
{
    WithTypeAttr(m_class.Get(),
                 [](const TYPEATTR& attributes)
                 {
                     EXPECT_EQ(TKIND_COCLASS, attributes.typekind);
                     EXPECT_TRUE(IsEqualGUID(CLSID_BatteryRemainingTime, attributes.guid));
                     EXPECT_EQ(TYPEFLAG_FCANCREATE, attributes.wTypeFlags);
                     EXPECT_EQ(1, attributes.cImplTypes);
                     EXPECT_EQ(0, attributes.wMajorVerNum);
                     EXPECT_EQ(0, attributes.wMinorVerNum);
                 });
    const Documentation description = Document(m_class.Get(), MEMBERID_NIL);
    EXPECT_EQ(L"BatteryRemainingTime", description.name);
    EXPECT_EQ(L"BatteryRemainingTime Class", description.helpString);

    INT implementationFlags = 0;
    ASSERT_EQ(S_OK, m_class->GetImplTypeFlags(0, &implementationFlags));
    EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, implementationFlags);
    HREFTYPE reference = 0;
    ASSERT_EQ(S_OK, m_class->GetRefTypeOfImplType(0, &reference));
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(S_OK, m_class->GetRefTypeInfo(reference, implemented.Put()));
    WithTypeAttr(implemented.Get(), [](const TYPEATTR& attributes)
                 { EXPECT_TRUE(IsEqualGUID(IID_IBatteryRemainingTime, attributes.guid)); });
}

// A dual interface has two views. The attributes dual, nonextensible and oleautomation describe the
// interface; the OLE-automation flag belongs to its function-table view, which is what the attribute
// promises (every argument automation-compatible). The dispatch view that GetTypeInfoOfGuid answers
// carries dual, non-extensible and dispatchable; whether a compiler repeats the OLE-automation flag
// there is its own habit (ours does not), so that view is checked without it.
TEST_F(TypeLibraryTest, InterfaceIsDualNonExtensibleAutomationCompatible)
{
    constexpr WORD kDualFlags = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    WithTypeAttr(m_dispatchView.Get(),
                 [&](const TYPEATTR& attributes)
                 {
                     EXPECT_EQ(TKIND_DISPATCH, attributes.typekind);
                     EXPECT_TRUE(IsEqualGUID(IID_IBatteryRemainingTime, attributes.guid));
                     EXPECT_EQ(kDualFlags, attributes.wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION);
                 });
    WithTypeAttr(m_interfaceView.Get(),
                 [&](const TYPEATTR& attributes)
                 {
                     EXPECT_EQ(TKIND_INTERFACE, attributes.typekind);
                     EXPECT_TRUE(IsEqualGUID(IID_IBatteryRemainingTime, attributes.guid));
                     EXPECT_EQ(kDualFlags | TYPEFLAG_FOLEAUTOMATION, attributes.wTypeFlags);
                     EXPECT_EQ(1, attributes.cFuncs);
                     EXPECT_EQ(1, attributes.cImplTypes);
                     EXPECT_EQ(0, attributes.wMajorVerNum);
                     EXPECT_EQ(0, attributes.wMinorVerNum);
                 });
    const Documentation description = Document(m_dispatchView.Get(), MEMBERID_NIL);
    EXPECT_EQ(L"IBatteryRemainingTime", description.name);
    EXPECT_EQ(L"IBatteryRemainingTime Interface", description.helpString);
}

TEST_F(TypeLibraryTest, BaseInterfaceIsIDispatchFromStdOle2)
{
    HREFTYPE reference = 0;
    ASSERT_EQ(S_OK, m_interfaceView->GetRefTypeOfImplType(0, &reference));
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(S_OK, m_interfaceView->GetRefTypeInfo(reference, base.Put()));
    WithTypeAttr(base.Get(), [](const TYPEATTR& attributes)
                 { EXPECT_TRUE(IsEqualGUID(IID_IDispatch, attributes.guid)); });
    ComPtr<ITypeLib> imported;
    UINT index = 0;
    ASSERT_EQ(S_OK, base->GetContainingTypeLib(imported.Put(), &index));
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, imported->GetLibAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(kStdOleLibrary, attributes->guid));
    EXPECT_EQ(2, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    imported->ReleaseTLibAttr(attributes);
}

TEST_F(TypeLibraryTest, MethodIsTheEighthFunctionTableEntry)
{
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, m_interfaceView->GetFuncDesc(0, &function));
    EXPECT_EQ(1, function->memid);
    EXPECT_EQ(INVOKE_FUNC, function->invkind);
    EXPECT_EQ(FUNC_PUREVIRTUAL, function->funckind);
    EXPECT_EQ(CC_STDCALL, function->callconv);
    EXPECT_EQ(kMethodTableOffset, function->oVft);
    EXPECT_EQ(VT_HRESULT, function->elemdescFunc.tdesc.vt);
    ASSERT_EQ(1, function->cParams);
    const ELEMDESC& parameter = function->lprgelemdescParam[0];
    EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, parameter.paramdesc.wParamFlags);
    ASSERT_EQ(VT_PTR, parameter.tdesc.vt);
    EXPECT_EQ(VT_I4, parameter.tdesc.lptdesc->vt);
    m_interfaceView->ReleaseFuncDesc(function);

    BSTR names[2] = {};
    UINT count = 0;
    ASSERT_EQ(S_OK, m_interfaceView->GetNames(1, names, 2, &count));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(L"GetRemainingTime", Take(names[0]));
    EXPECT_EQ(L"BRTime", Take(names[1]));

    const Documentation method = Document(m_interfaceView.Get(), 1);
    EXPECT_EQ(L"method GetRemainingTime", method.helpString);
    EXPECT_EQ(0u, method.helpContext);
}

} // namespace
