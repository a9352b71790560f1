// The machine identifier from its sources in order, against a scratch registry key, a scratch
// folder and fixed adapters, under Wine.
#include "telemetry/google_analytics.h"
#include "telemetry/machine_identity.h"
#include "telemetry/md5.h"
#include "utility/text_convert.h"

#include "log_capture.h"
#include "standin.h"
#include "telemetry_testing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

using telemetrytest::wideBytes;

constexpr char kLogName[] = "GoogleAnalytics::calcPCID";

const std::array<uint8_t, 8> kSmaller = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x77, 0x77};
const std::array<uint8_t, 8> kGreater = {0xF0, 0x0D, 0xCA, 0xFE, 0x00, 0x01, 0x00, 0x00};
const std::array<uint8_t, 8> kZero{};

// An identifier file of exactly `size` bytes: UTF-16 "ABC…".
std::string identifierFile(size_t size)
{
    std::wstring text;
    for (size_t i = 0; text.size() * 2 < size; ++i) {
        text.push_back(static_cast<wchar_t>(L'A' + i % 26));
    }
    return wideBytes(text).substr(0, size);
}

// One machine's state: its registry key, its app-data folder and its adapters.
class Machine {
public:
    explicit Machine(AdapterAddresses adapters) : m_adapters(std::move(adapters))
    {
        CreateDirectoryW(m_dir.path(L"appdata").c_str(), nullptr);
    }

    [[nodiscard]] MachineIdSources sources() const
    {
        MachineIdSources result;
        result.registryKey = m_key.path();
        result.appDataDir = m_dir.path(L"appdata");
        result.adapters = [adapters = m_adapters] { return adapters; };
        return result;
    }

    [[nodiscard]] bool writeIdentifierFile(const std::string& bytes) const
    {
        return nettest::writeFile(m_dir.path(L"appdata\\morvath_vantrel.data"), bytes);
    }

    [[nodiscard]] const telemetrytest::ScratchRegistryKey& key() const { return m_key; }

    // "pcmac" as a wide REG_SZ text; none when absent or of another type.
    [[nodiscard]] std::optional<std::wstring> savedId() const
    {
        DWORD type = 0;
        std::string bytes;
        if (!m_key.value(L"pcmac", type, bytes) || type != REG_SZ || bytes.size() % 2 != 0) {
            return std::nullopt;
        }
        std::wstring text(bytes.size() / 2, L'\0');
        std::memcpy(text.data(), bytes.data(), bytes.size());
        return text.substr(0, text.find(L'\0'));
    }

private:
    telemetrytest::ScratchRegistryKey m_key;
    nettest::ScratchDir m_dir;
    AdapterAddresses m_adapters;
};

class MachineIdTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (HasFailure()) {
            for (const auto& line : m_log.lines()) {
                std::printf("log: %s (%d): %s\n", line.function.c_str(), line.line,
                            utility::wideToUtf8(line.text).c_str());
            }
        }
    }

    // Whether a line under "GoogleAnalytics::calcPCID" starts with `prefix`.
    bool loggedStartingWith(const std::wstring& prefix) const
    {
        for (const auto& line : m_log.lines()) {
            if (line.function == kLogName && line.text.rfind(prefix, 0) == 0) {
                return true;
            }
        }
        return false;
    }

    testsupport::LogCapture m_log;
};

TEST_F(MachineIdTest, ALongStoredIdentifierWinsAndIsNotWritten)
{
    Machine machine({kSmaller, kGreater});
    // Bytes after the terminator show whether the value was written again, even with the same text.
    const std::string stored = wideBytes(std::wstring(L"ABCDEFGHIJK\0left over", 22));
    ASSERT_TRUE(machine.key().setValue(L"pcmac", REG_SZ, stored));
    ASSERT_TRUE(machine.writeIdentifierFile(identifierFile(64)));

    EXPECT_EQ(findMachineId(machine.sources()), "ABCDEFGHIJK");

    DWORD type = 0;
    std::string after;
    ASSERT_TRUE(machine.key().value(L"pcmac", type, after));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(after, stored);
    EXPECT_TRUE(m_log.contains(kLogName, L"read pcmac from pc ABCDEFGHIJK"));
    EXPECT_FALSE(loggedStartingWith(L"create pcmac"));
}

TEST_F(MachineIdTest, OtherSourcesInOrderAndTheResultIsSaved)
{
    const std::string twoAdapters = "2-" + md5Hex("F00DCAFE0001|001A2B3C4D5E");
    const std::string oneAdapter = md5Hex("001A2B3C4D5E");
    const std::string fileOf128 = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKL";
    struct Case {
        const char* name;
        std::optional<std::wstring> stored;  // "pcmac"
        std::optional<std::string> file;    // bytes of the identifier file
        AdapterAddresses adapters;
        std::string expected;               // empty: a new GUID
        std::wstring expectedLog;           // empty: "create pcmac " + the identifier
    };
    const Case cases[] = {
        {"10-character pcmac, no file, two adapters and a zero one", std::wstring(L"ABCDEFGHIJ"),
         std::nullopt, {kSmaller, kZero, kGreater}, twoAdapters, L""},
        {"no pcmac, adapters listed greatest first", std::nullopt, std::nullopt, {kGreater, kSmaller},
         twoAdapters, L""},
        {"one adapter gives the bare digest", std::wstring(L"short"), std::nullopt, {kSmaller}, oneAdapter,
         L""},
        {"identifier file of 30 bytes is ignored", std::nullopt, identifierFile(30), {kSmaller}, oneAdapter,
         L""},
        {"identifier file of 32 bytes is used", std::wstring(L"ABCDEFGHIJ"), identifierFile(32), {kSmaller},
         "ABCDEFGHIJKLMNOP", L"read from vantrel ABCDEFGHIJKLMNOP"},
        {"identifier file is read to 128 bytes", std::nullopt, identifierFile(300), {kSmaller}, fileOf128,
         L"read from vantrel " + utility::ansiToWide(fileOf128)},
        {"identifier file of NULs gives no identifier", std::nullopt, std::string(40, '\0'), {kSmaller},
         oneAdapter, L"read from vantrel "},
        {"no usable adapter gives a GUID", std::nullopt, std::nullopt, {kZero}, "", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.clear();
        Machine machine(c.adapters);
        if (c.stored) {
            ASSERT_TRUE(machine.key().setValue(L"pcmac", REG_SZ, wideBytes(*c.stored + L'\0')));
        }
        if (c.file) {
            ASSERT_TRUE(machine.writeIdentifierFile(*c.file));
        }

        const std::string id = findMachineId(machine.sources());

        if (c.expected.empty()) {
            EXPECT_TRUE(telemetrytest::isGuidShaped(id)) << id;
        } else {
            EXPECT_EQ(id, c.expected);
        }
        EXPECT_EQ(machine.savedId(), std::optional<std::wstring>(utility::ansiToWide(id)));
        const std::wstring expectedLog = c.expectedLog.empty() ? L"create pcmac " + utility::ansiToWide(id)
                                                               : c.expectedLog;
        EXPECT_TRUE(m_log.contains(kLogName, expectedLog)) << utility::wideToUtf8(expectedLog);
        EXPECT_FALSE(loggedStartingWith(L"save rcmac error"));
    }
}

TEST_F(MachineIdTest, AFailedSaveIsLoggedAndTheIdentifierStillUsed)
{
    Machine machine({kSmaller});
    MachineIdSources sources = machine.sources();
    // No key name may be this long, so the key can be neither opened nor created.
    sources.registryKey = machine.key().path() + std::wstring(300, L'k') + L"\\";

    EXPECT_EQ(findMachineId(sources), md5Hex("001A2B3C4D5E"));
    EXPECT_TRUE(loggedStartingWith(L"save rcmac error "));
}

TEST_F(MachineIdTest, TheAnalyticsChannelKeepsItsFirstIdentifier)
{
    Machine machine({kSmaller});
    GoogleAnalytics analytics(machine.sources());
    EXPECT_EQ(analytics.clientId(), "");

    analytics.calcPCID();
    EXPECT_EQ(analytics.clientId(), md5Hex("001A2B3C4D5E"));

    ASSERT_TRUE(machine.key().setValue(L"pcmac", REG_SZ, wideBytes(std::wstring(L"ANOTHERONE-12345", 17))));
    analytics.calcPCID();
    EXPECT_EQ(analytics.clientId(), md5Hex("001A2B3C4D5E"));
}

}  // namespace
