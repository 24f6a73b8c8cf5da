// The resources of the built DLL that registration and version readers rely on.
#include <windows.h>

#include "component/resources/ResourceIds.h"
#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace
{

constexpr WORD kEnglishUs = 0x409;

constexpr std::string_view kApplicationScript = "HKCR\r\n"
                                                "{\r\n"
                                                "\tNoRemove AppID\r\n"
                                                "\t{\r\n"
                                                "\t\t'%APPID%' = s 'Voltwise'\r\n"
                                                "\t\t'Voltwise.DLL'\r\n"
                                                "\t\t{\r\n"
                                                "\t\t\tval AppID = s '%APPID%'\r\n"
                                                "\t\t}\r\n"
                                                "\t}\r\n"
                                                "}\r\n";

constexpr std::string_view kClassScript =
    "HKCR\r\n"
    "{\r\n"
    "\tVoltwise.BatteryRemainingTime.1 = s 'BatteryRemainingTime Class'\r\n"
    "\t{\r\n"
    "\t\tCLSID = s '{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}'\r\n"
    "\t}\r\n"
    "\tVoltwise.BatteryRemainingTime = s 'BatteryRemainingTime Class'\r\n"
    "\t{\r\n"
    "\t\tCLSID = s '{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}'\r\n"
    "\t\tCurVer = s 'Voltwise.BatteryRemainingTime.1'\r\n"
    "\t}\r\n"
    "\tNoRemove CLSID\r\n"
    "\t{\r\n"
    "\t\tForceRemove {A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9} = s 'BatteryRemainingTime Class'\r\n"
    "\t\t{\r\n"
    "\t\t\tProgID = s 'Voltwise.BatteryRemainingTime.1'\r\n"
    "\t\t\tVersionIndependentProgID = s 'Voltwise.BatteryRemainingTime'\r\n"
    "\t\t\tForceRemove 'Programmable'\r\n"
    "\t\t\tInprocServer32 = s '%MODULE%'\r\n"
    "\t\t\t{\r\n"
    "\t\t\t\tval ThreadingModel = s 'Apartment'\r\n"
    "\t\t\t}\r\n"
    "\t\t\t'TypeLib' = s '{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}'\r\n"
    "\t\t}\r\n"
    "\t}\r\n"
    "}\r\n";

class ResourcesTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_module.Reset(LoadLibraryExW(VoltwiseDll::Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(m_module);
    }

    std::string_view Resource(const wchar_t* type, UINT id) const
    {
        const HRSRC resource = FindResourceExW(m_module.Get(), type, MAKEINTRESOURCEW(id), kEnglishUs);
        if (resource == nullptr)
        {
            return {};
        }
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(m_module.Get(), resource)));
        return {bytes, SizeofResource(m_module.Get(), resource)};
    }

    platform::UniqueModule m_module;
};

TEST_F(ResourcesTest, RegistrationScriptsAreExactAnsiTextWithoutTerminator)
{
    EXPECT_EQ(kApplicationScript, Resource(L"REGISTRY", IDR_VOLTWISE));
    EXPECT_EQ(kClassScript, Resource(L"REGISTRY", IDR_BATTERYREMAININGTIME));
}

TEST_F(ResourcesTest, BaseNameIsInTheStringTable)
{
    wchar_t text[32] = {};
    EXPECT_EQ(8, LoadStringW(m_module.Get(), IDS_PROJNAME, text, 32));
    EXPECT_STREQ(L"Voltwise", text);
}

TEST_F(ResourcesTest, VersionIs2_0_0_32)
{
    const std::string_view block = Resource(RT_VERSION, VS_VERSION_INFO);
    // VS_FIXEDFILEINFO follows the block's header and its "VS_VERSION_INFO" key, aligned to 32 bits.
    const size_t fixedAt = (6 + sizeof(L"VS_VERSION_INFO") + 3) & ~size_t{3};
    ASSERT_GE(block.size(), fixedAt + sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed{};
    std::memcpy(&fixed, block.data() + fixedAt, sizeof(fixed));
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(MAKELONG(0, 2), fixed.dwFileVersionMS);
    EXPECT_EQ(MAKELONG(32, 0), fixed.dwFileVersionLS);
    EXPECT_EQ(fixed.dwFileVersionMS, fixed.dwProductVersionMS);
    EXPECT_EQ(fixed.dwFileVersionLS, fixed.dwProductVersionLS);
}

TEST_F(ResourcesTest, ManifestAsksToRunAsInvokerWithoutUiAccess)
{
    const std::string manifest(Resource(RT_MANIFEST, IDR_MANIFEST));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
}

} // namespace
