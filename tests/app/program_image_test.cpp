// What Windows sees of the built program before it runs a line of it: a 64-bit GUI image whose
// manifest asks for administrator rights and declares Windows 10/11 and per-monitor DPI awareness.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class ProgramImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExW(CORVANE_INSTALLER_PATH, nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
    }

    std::string manifest() const
    {
        HRSRC resource = FindResourceW(m_module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        if (resource == nullptr) {
            return {};
        }
        HGLOBAL loaded = LoadResource(m_module, resource);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        return std::string(bytes, SizeofResource(m_module, resource));
    }

    HMODULE m_module = nullptr;
};

TEST_F(ProgramImage, IsA64BitGuiProgram)
{
    HANDLE file = CreateFileW(CORVANE_INSTALLER_PATH, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char header[4096] = {};
    DWORD read = 0;
    ReadFile(file, header, sizeof(header), &read, nullptr);
    CloseHandle(file);
    ASSERT_GE(read, sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(header);
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT(static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64), read);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(header + dos->e_lfanew);
    EXPECT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST_F(ProgramImage, ManifestAsksForAdministratorRightsAndDeclaresItsSystems)
{
    const std::string text = manifest();
    ASSERT_FALSE(text.empty()) << "no manifest resource";
    EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
    EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

TEST_F(ProgramImage, EmbedsTheSkinAndFontArchives)
{
    // 7z archives, as resources 129 (skin) and 130 (fonts) of type "ZIPRES".
    const unsigned char signature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
    for (int id : {129, 130}) {
        HRSRC resource = FindResourceW(m_module, MAKEINTRESOURCEW(id), L"ZIPRES");
        ASSERT_NE(resource, nullptr) << "resource " << id;
        const DWORD size = SizeofResource(m_module, resource);
        EXPECT_GT(size, 1000u) << "resource " << id;
        const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(m_module, resource)));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::memcmp(bytes, signature, sizeof(signature)), 0) << "resource " << id;
    }
}

TEST_F(ProgramImage, CarriesVersionInformation)
{
    HRSRC resource = FindResourceW(m_module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
    EXPECT_NE(resource, nullptr);
}

}  // namespace
