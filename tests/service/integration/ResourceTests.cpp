#include "tests/service/integration/ServiceHarness.h"

#include <gtest/gtest.h>

#include <string_view>

namespace service::integration
{
namespace
{

class ServiceResources : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_module.Reset(LoadLibraryExW((TestFolder() + L"TellmarkSvc.exe").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(m_module);
    }

    std::string_view Resource(const wchar_t* type, WORD id) const
    {
        const HRSRC found = FindResourceW(m_module.Get(), MAKEINTRESOURCEW(id), type);
        if (found == nullptr)
        {
            return {};
        }
        return std::string_view(static_cast<const char*>(LockResource(LoadResource(m_module.Get(), found))),
                                SizeofResource(m_module.Get(), found));
    }

    platform::UniqueModule m_module;
};

TEST_F(ServiceResources, ManifestRunsAsInvokerWithoutUiAccess)
{
    const std::string_view manifest = Resource(RT_MANIFEST, 1);
    EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string_view::npos) << manifest;
    EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string_view::npos) << manifest;
}

TEST_F(ServiceResources, CarriesAnIconAndVersion2_0_0_34)
{
    EXPECT_FALSE(Resource(RT_GROUP_ICON, 1).empty());
    const std::string_view version = Resource(RT_VERSION, 1);
    const auto signature = std::string_view("\xBD\x04\xEF\xFE", 4);
    const size_t fixed = version.find(signature);
    ASSERT_NE(fixed, std::string_view::npos);
    VS_FIXEDFILEINFO info;
    ASSERT_GE(version.size() - fixed, sizeof(info));
    memcpy(&info, version.data() + fixed, sizeof(info));
    EXPECT_EQ(info.dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(info.dwFileVersionLS, 0x00000022u);
    EXPECT_EQ(info.dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(info.dwProductVersionLS, 0x00000022u);
}

// The GUI subsystem keeps the service from opening a console window.
TEST(ServiceImage, IsBuiltForTheGuiSubsystem)
{
    const HANDLE opened =
        CreateFileW((TestFolder() + L"TellmarkSvc.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE);
    platform::UniqueHandleObject file(opened);
    BYTE headers[4096];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file.Get(), headers, sizeof(headers), &read, nullptr));
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, headers, sizeof(dos));
    ASSERT_LE(static_cast<DWORD>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64), read);
    IMAGE_NT_HEADERS64 nt;
    memcpy(&nt, headers + dos.e_lfanew, sizeof(nt));
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

} // namespace
} // namespace service::integration
