// The signed event upload against the live stand-in (sandbox/server), under Wine.
#include "telemetry/md5.h"
#include "telemetry/qv_reporter.h"
#include "utility/text_convert.h"

#include "log_capture.h"
#include "standin_test.h"
#include "telemetry_testing.h"

#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <ctime>
#include <set>
#include <string>
#include <vector>

namespace {

using telemetrytest::kUploadPath;
using telemetrytest::waitForRequests;

constexpr char kThreadLogName[] = "QVReporter::_threadReport";
constexpr DWORD kArrivalMs = 15000;

// Member names of an object, in order.
std::vector<std::string> memberNames(const rapidjson::Value& object)
{
    std::vector<std::string> names;
    for (const auto& member : object.GetObject()) {
        names.emplace_back(member.name.GetString());
    }
    return names;
}

class ReporterTest : public nettest::StandInTest {
protected:

    // Texts logged by the upload thread, in order.
    std::vector<std::wstring> threadLog() const
    {
        std::vector<std::wstring> texts;
        for (const auto& line : m_log.lines()) {
            if (line.function == kThreadLogName) {
                texts.push_back(line.text);
            }
        }
        return texts;
    }

    size_t threadLogCount(const std::wstring& text) const
    {
        size_t count = 0;
        for (const auto& logged : threadLog()) {
            count += logged == text ? 1 : 0;
        }
        return count;
    }
};

TEST_F(ReporterTest, EventsOfOneWaitGoOutInOneSignedRequest)
{
    QVReporter reporter;
    reporter.setUploadIntervalForTesting(3000);
    const size_t mark = m_server.mark();
    const int64_t earliest = static_cast<int64_t>(std::time(nullptr)) * 1000;
    reporter.postEvent(L"run_downloader");  // before the start: waits for the first upload
    reporter.start(L"10001", L"2-0123456789abcdef0123456789abcdef", L"en");
    reporter.postEvent(L"install_fail", [](ReportProperties& p) { p.add("failure_reason", std::string("timeout")); });
    reporter.postEvent(L"download_duration", [](ReportProperties& p) { p.add("duration", int64_t{12345}); });
    const int64_t latest = static_cast<int64_t>(std::time(nullptr)) * 1000;

    const auto uploads = waitForRequests(m_server, mark, kUploadPath, 1, kArrivalMs);
    reporter.shutdown();
    ASSERT_EQ(m_server.requests(mark, kUploadPath).size(), 1u) << "one upload, and nothing left for the shutdown";
    const auto& upload = uploads[0];

    rapidjson::Document body;
    body.Parse(upload.body.c_str(), upload.body.size());
    ASSERT_TRUE(!body.HasParseError() && body.IsArray()) << upload.body;
    ASSERT_EQ(body.Size(), 3u);
    const std::vector<std::string> keys = {"run_downloader", "install_fail", "download_duration"};
    const std::vector<std::string> fixed = {"zaz_version", "zaz_mac", "device_id", "openid", "language",
                                            "downloader_package"};
    std::set<std::string> eventIds;
    for (rapidjson::SizeType i = 0; i < body.Size(); ++i) {
        SCOPED_TRACE(keys[i]);
        const auto& event = body[i];
        EXPECT_EQ(memberNames(event), std::vector<std::string>({"appId", "eventId", "eventKey", "timestamp",
                                                                 "properties"}));
        EXPECT_EQ(event["appId"].GetInt(), 1);
        EXPECT_TRUE(telemetrytest::isGuidShaped(event["eventId"].GetString())) << event["eventId"].GetString();
        eventIds.insert(event["eventId"].GetString());
        EXPECT_EQ(event["eventKey"].GetString(), keys[i]);
        const int64_t time = event["timestamp"].GetInt64();
        EXPECT_EQ(time % 1000, 0) << "whole seconds";
        EXPECT_GE(time, earliest);
        EXPECT_LE(time, latest);

        const auto& properties = event["properties"];
        std::vector<std::string> names = memberNames(properties);
        ASSERT_GE(names.size(), fixed.size());
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + fixed.size()), fixed);
        EXPECT_STREQ(properties["zaz_version"].GetString(), "4.9");
        EXPECT_STREQ(properties["zaz_mac"].GetString(), "2-0123456789abcdef0123456789abcdef");
        EXPECT_STREQ(properties["device_id"].GetString(), "2-0123456789abcdef0123456789abcdef");
        EXPECT_STREQ(properties["openid"].GetString(), "10001");
        EXPECT_STREQ(properties["language"].GetString(), "en");
        EXPECT_EQ(properties["downloader_package"].GetInt(), 1);
    }
    EXPECT_EQ(eventIds.size(), 3u) << "every event has an identifier of its own";
    EXPECT_EQ(body[0]["properties"].MemberCount(), 6u) << "no filler, no extra member";
    EXPECT_EQ(memberNames(body[1]["properties"]).back(), "failure_reason");
    EXPECT_STREQ(body[1]["properties"]["failure_reason"].GetString(), "timeout");
    EXPECT_EQ(memberNames(body[2]["properties"]).back(), "duration");
    EXPECT_EQ(body[2]["properties"]["duration"].GetInt64(), 12345);

    // Headers: the content type, then the timestamp, then the signature over it and "3 × 1024".
    const std::string timestamp = upload.header("timestamp");
    ASSERT_FALSE(timestamp.empty());
    EXPECT_EQ(timestamp.find_first_not_of("0123456789"), std::string::npos) << timestamp;
    const std::string digest = md5Hex("quenblat*timestamp=" + timestamp + "3072");
    EXPECT_EQ(upload.header("signature"), digest.substr(24));
    EXPECT_NE(upload.head.find("Content-Type:application/json;charset=UTF-8\r\ntimestamp: " + timestamp +
                               "\r\nsignature: " + digest.substr(24) + "\r\n"),
              std::string::npos)
        << upload.head;
    EXPECT_EQ(telemetrytest::signatureVerdicts(mark), std::vector<std::optional<bool>>({true}));

    const std::vector<std::wstring> log = threadLog();
    const std::vector<std::wstring> firstRound(log.begin(), log.begin() + std::min<size_t>(log.size(), 4));
    EXPECT_EQ(firstRound, std::vector<std::wstring>({L"waitfor event", L"event comming", L"post report quest",
                                                     L"report ret:{\"code\":0,\"msg\":\"success\"}"}));
}

TEST_F(ReporterTest, WithoutEventsNothingIsPosted)
{
    QVReporter reporter;
    reporter.setUploadIntervalForTesting(200);
    const size_t mark = m_server.mark();
    reporter.start(L"10001", L"device", L"en");
    for (int i = 0; i < 100 && threadLogCount(L"no body") < 2; ++i) {
        Sleep(100);
    }
    reporter.shutdown();

    EXPECT_TRUE(m_server.requests(mark, kUploadPath).empty());
    const std::vector<std::wstring> log = threadLog();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(std::vector<std::wstring>(log.begin(), log.begin() + 6),
              std::vector<std::wstring>({L"waitfor event", L"event comming", L"no body", L"waitfor event",
                                         L"event comming", L"no body"}));
}

TEST_F(ReporterTest, ShutdownUploadsPendingEventsAtOnce)
{
    // The shipped interval: only the shutdown's wake-up can send these within its 3000 ms.
    QVReporter reporter;
    reporter.start(L"10001", L"device", L"en");
    const size_t mark = m_server.mark();
    reporter.postEvent(L"cancel_download");
    reporter.postEvent(L"cancel_download");
    // A thread that has not begun yet ends without an upload when it finds the stop already set.
    for (int i = 0; i < 100 && threadLogCount(L"waitfor event") == 0; ++i) {
        Sleep(50);
    }
    ASSERT_EQ(threadLogCount(L"waitfor event"), 1u);

    reporter.shutdown();

    const auto uploads = m_server.requests(mark, kUploadPath);
    ASSERT_EQ(uploads.size(), 1u);
    rapidjson::Document body;
    body.Parse(uploads[0].body.c_str(), uploads[0].body.size());
    ASSERT_TRUE(body.IsArray());
    EXPECT_EQ(body.Size(), 2u);
    EXPECT_EQ(uploads[0].header("signature"), md5Hex("quenblat*timestamp=" + uploads[0].header("timestamp") + "2048").substr(24));
    EXPECT_EQ(telemetrytest::signatureVerdicts(mark), std::vector<std::optional<bool>>({true}));
}

TEST_F(ReporterTest, AfterShutdownNothingIsSent)
{
    QVReporter reporter;
    reporter.setUploadIntervalForTesting(200);
    reporter.start(L"10001", L"device", L"en");
    reporter.shutdown();
    const size_t mark = m_server.mark();

    reporter.postEvent(L"install_success");

    // Many intervals of a reporter that still ran.
    EXPECT_TRUE(waitForRequests(m_server, mark, kUploadPath, 1, 2000).empty());
}

}  // namespace
