#include "telemetry/event_bodies.h"
#include "telemetry/md5.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Md5, KnownDigests)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},  // padding fits one block
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},  // padding needs a second
    };
    for (const auto& [input, digest] : cases) {
        EXPECT_EQ(md5Hex(input), digest) << "length " << input.size();
    }
}

TEST(Md5, FedInPiecesGivesTheSameDigest)
{
    const std::string text(1000, 'q');
    for (size_t piece : {1u, 7u, 63u, 64u, 65u, 1000u}) {
        Md5 md5;
        for (size_t at = 0; at < text.size(); at += piece) {
            md5.update(text.data() + at, std::min(piece, text.size() - at));
        }
        EXPECT_EQ(md5.hexDigest(), md5Hex(text)) << "pieces of " << piece;
    }
}

TEST(AnalyticsBody, IsCompactWithMembersInOrder)
{
    EXPECT_EQ(buildAnalyticsBody("2-abc", "download_run", "1001"),
              R"({"client_id":"2-abc","events":[{"name":"download_run","params":{"event_category":"4.9","event_label":"1001"}}]})");
    EXPECT_EQ(buildAnalyticsBody("id", "e", "quote\" back\\"),
              R"({"client_id":"id","events":[{"name":"e","params":{"event_category":"4.9","event_label":"quote\" back\\"}}]})");
    EXPECT_EQ(analyticsAddress("https://h", "G-ABC", "s3cr3t"), "https://h/mp/collect?measurement_id=G-ABC&api_secret=s3cr3t");
}

TEST(Guid, FormatKeepsTheThirdGroupLowerCase)
{
    GuidFields guid{0x0A1B2C3D, 0xBEEF, 0xCAFE, {0xDE, 0xAD, 0x01, 0x02, 0x03, 0x04, 0xFA, 0xCE}};
    EXPECT_EQ(formatGuid(guid), "0A1B2C3D_BEEF_cafe_DEAD_01020304FACE");
}

TEST(MachineId, DerivedFromAdaptersGreatestFirst)
{
    const std::array<uint8_t, 8> small = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xEE, 0xEE};  // bytes 7-8 ignored
    const std::array<uint8_t, 8> great = {0xA0, 0x0B, 0xC0, 0x0D, 0xE0, 0x0F, 0, 0};
    const std::array<uint8_t, 8> zero{};
    EXPECT_EQ(machineIdFromAdapters({small}), md5Hex("001122334455"));
    EXPECT_EQ(machineIdFromAdapters({small, zero, great}), "2-" + md5Hex("A00BC00DE00F|001122334455"));
    EXPECT_EQ(machineIdFromAdapters({great, small}), machineIdFromAdapters({small, great}));
    EXPECT_EQ(machineIdFromAdapters({small, small, great}),
              "3-" + md5Hex("A00BC00DE00F|001122334455|001122334455"))
        << "duplicates stay in the list";
    EXPECT_EQ(machineIdFromAdapters({zero}), "");
    EXPECT_EQ(machineIdFromAdapters({}), "");
    std::vector<std::array<uint8_t, 8>> many(17, great);
    EXPECT_EQ(machineIdFromAdapters(many).substr(0, 3), "11-") << "the count is written in hexadecimal";
}

TEST(ReportBody, OneObjectPerEventWithTheFixedPropertiesFirst)
{
    std::vector<UploadEvent> events = {
        {"run_downloader", 1700000000000, {}},
        {"install_fail", 1700000001000, [](ReportProperties& p) { p.add("failure_reason", std::string("timeout")); }},
        {"download_duration", 1700000002000, [](ReportProperties& p) { p.add("duration", int64_t{12345}); }},
    };
    uint32_t counter = 0;
    const std::string body = buildReportBody(events, {"dev-1", "1001", "en"}, [&] {
        GuidFields guid;
        guid.data1 = ++counter;
        return guid;
    });
    const std::string fixed =
        R"("properties":{"zaz_version":"4.9","zaz_mac":"dev-1","device_id":"dev-1","openid":"1001","language":"en","downloader_package":1)";
    EXPECT_EQ(body,
              R"([{"appId":1,"eventId":"00000001_0000_0000_0000_000000000000","eventKey":"run_downloader","timestamp":1700000000000,)" +
                  fixed + R"(}},)" +
                  R"({"appId":1,"eventId":"00000002_0000_0000_0000_000000000000","eventKey":"install_fail","timestamp":1700000001000,)" +
                  fixed + R"(,"failure_reason":"timeout"}},)" +
                  R"({"appId":1,"eventId":"00000003_0000_0000_0000_000000000000","eventKey":"download_duration","timestamp":1700000002000,)" +
                  fixed + R"(,"duration":12345}}])");
    EXPECT_EQ(buildReportBody({}, {"d", "o", "l"}, [] { return GuidFields{}; }), "[]");
}

TEST(ReportSignature, SignsTimestampAndEventCount)
{
    EXPECT_EQ(reportSigningText(1700000000123, 3), "quenblat*timestamp=17000000001233072");
    EXPECT_EQ(reportSigningText(5, 2), "quenblat*timestamp=52048");
    const std::string signature = reportSignature(1700000000123, 3);
    EXPECT_EQ(signature, md5Hex("quenblat*timestamp=17000000001233072").substr(24));
    ASSERT_EQ(signature.size(), 8u);
    for (char c : signature) {
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    }
}

}  // namespace
