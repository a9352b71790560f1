#include "utility/reg_key.h"

#include "log_capture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kScratch[] = "Software\\CorvaneTests\\RegKey";

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        const char dir[] = "C:\\Program Files\\Corvane";
        RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir), sizeof(dir));
        // Stored without its terminator, as some writers do.
        RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
        const std::string huge(2000, 'x');
        RegSetValueExA(key, "Huge", 0, REG_SZ, reinterpret_cast<const BYTE*>(huge.c_str()),
                       static_cast<DWORD>(huge.size() + 1));
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\CorvaneTests"); }

    testsupport::LogCapture m_log;
};

TEST_F(RegKeyTest, ReadsTextValues)
{
    utility::RegKey key;
    ASSERT_EQ(key.RegRegOpen(HKEY_CURRENT_USER, kScratch, KEY_READ | KEY_WOW64_64KEY), ERROR_SUCCESS);
    std::string value;
    EXPECT_EQ(key.RegRead("InstallDir", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "C:\\Program Files\\Corvane");
    EXPECT_EQ(key.RegRead("Unterminated", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "abc");
    EXPECT_TRUE(m_log.empty());
}

TEST_F(RegKeyTest, LogsEachFailureWithItsText)
{
    utility::RegKey key;
    std::string value = "unchanged";
    EXPECT_EQ(key.RegRead("InstallDir", value), -1);
    EXPECT_TRUE(m_log.contains("utility::RegKey::RegRead", L"m_hKey is null, query reg = InstallDir"));

    EXPECT_NE(key.RegRegOpen(HKEY_CURRENT_USER, "Software\\CorvaneTests\\Missing", KEY_READ), ERROR_SUCCESS);
    EXPECT_FALSE(key.isOpen());
    bool logged = false;
    for (const auto& line : m_log.lines()) {
        logged |= line.text.rfind(L"open reg = Software\\CorvaneTests\\Missing, lastError = ", 0) == 0;
    }
    EXPECT_TRUE(logged);

    ASSERT_EQ(key.RegRegOpen(HKEY_CURRENT_USER, kScratch, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(key.RegRead("NoSuchValue", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.RegRead("Huge", value), ERROR_MORE_DATA) << "more than the 1024-byte buffer";
    EXPECT_EQ(value, "unchanged");
}

}  // namespace
