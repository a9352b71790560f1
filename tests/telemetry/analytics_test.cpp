// The Measurement Protocol channel against the live stand-in (sandbox/server), under Wine.
#include "model/product_config.h"
#include "telemetry/google_analytics.h"
#include "utility/text_convert.h"

#include "log_capture.h"
#include "standin_test.h"
#include "telemetry_testing.h"

#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using telemetrytest::kAnalyticsPath;
using telemetrytest::waitForRequests;

constexpr char kClientId[] = "analytics-test-0001";
constexpr wchar_t kStoredClientId[] = L"analytics-test-0001";
constexpr wchar_t kMeasurementId[] = L"G-TESTTEST01";
constexpr wchar_t kApiSecret[] = L"test-secret_0123456789";
constexpr DWORD kArrivalMs = 15000;

// "<name>/<label>" of each posted event; "?" for a body that is not one event.
std::vector<std::string> eventsOf(const std::vector<nettest::RecordedRequest>& requests)
{
    std::vector<std::string> events;
    for (const auto& request : requests) {
        rapidjson::Document body;
        body.Parse(request.body.c_str(), request.body.size());
        const bool oneEvent = !body.HasParseError() && body.IsObject() && body.HasMember("events") &&
                              body["events"].IsArray() && body["events"].Size() == 1;
        if (!oneEvent) {
            events.push_back("?");
            continue;
        }
        const auto& event = body["events"][0];
        events.push_back(std::string(event["name"].GetString()) + "/" + event["params"]["event_label"].GetString());
    }
    return events;
}

class AnalyticsTest : public nettest::StandInTest {
protected:
    void SetUp() override
    {
        nettest::StandInTest::SetUp();
        ASSERT_TRUE(m_key.setValue(L"pcmac", REG_SZ,
                                   telemetrytest::wideBytes(std::wstring(kStoredClientId, std::size(kStoredClientId)))));
    }

    [[nodiscard]] std::unique_ptr<GoogleAnalytics> makeAnalytics() const
    {
        MachineIdSources sources;
        sources.registryKey = m_key.path();
        sources.appDataDir = m_dir.path(L"");
        sources.adapters = [] { return AdapterAddresses{}; };
        auto analytics = std::make_unique<GoogleAnalytics>(std::move(sources));
        analytics->setProperty(kMeasurementId, kApiSecret);
        return analytics;
    }

    telemetrytest::ScratchRegistryKey m_key;
    nettest::ScratchDir m_dir;
};

TEST_F(AnalyticsTest, AQueuedEventIsPostedByteForByte)
{
    auto analytics = makeAnalytics();
    const size_t mark = m_server.mark();
    analytics->postEvent(L"download_run", L"10001");

    const auto requests = waitForRequests(m_server, mark, kAnalyticsPath, 1, kArrivalMs);
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/ga/mp/collect?measurement_id=G-TESTTEST01&api_secret=test-secret_0123456789");
    EXPECT_EQ(request.body,
              R"({"client_id":"analytics-test-0001","events":[{"name":"download_run",)"
              R"("params":{"event_category":"4.9","event_label":"10001"}}]})");
    EXPECT_EQ(request.header("Content-Type"), "application/json;charset=UTF-8");
    EXPECT_FALSE(request.hasHeader("timestamp"));
    EXPECT_FALSE(request.hasHeader("signature"));
    EXPECT_EQ(analytics->clientId(), kClientId) << "the sender finds the identifier itself";
}

TEST_F(AnalyticsTest, AnImmediateEventIsPostedBeforeTheCallReturnsWithTheLanguagesPair)
{
    auto analytics = makeAnalytics();
    analytics->calcPCID();
    ConfigImp* config = ConfigImp::instance();
    for (const wchar_t* language : {L"kr", L"tw", L"fa", L"en"}) {
        SCOPED_TRACE(utility::wideToUtf8(language));
        config->setLanguage(language);
        const AnalyticsProperty property = config->analyticsProperty();
        analytics->setProperty(property.measurementId, property.apiSecret);
        const size_t mark = m_server.mark();

        analytics->sendEventNow(L"userCancel", L"10001");

        const auto requests = m_server.requests(mark, kAnalyticsPath);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target, "/ga/mp/collect?measurement_id=" + utility::wideToAnsi(property.measurementId) +
                                           "&api_secret=" + utility::wideToAnsi(property.apiSecret));
        EXPECT_EQ(requests[0].body,
                  R"({"client_id":"analytics-test-0001","events":[{"name":"userCancel",)"
                  R"("params":{"event_category":"4.9","event_label":"10001"}}]})");
    }
    config->reset();
}

TEST_F(AnalyticsTest, WhileTheSenderIsStuckAHundredEventsWaitAndMoreAreDropped)
{
    auto analytics = makeAnalytics();
    nettest::ScopedFault stuck(m_server, kAnalyticsPath, R"({"delay": 3, "times": 1})");
    ASSERT_TRUE(stuck.ok());
    const size_t mark = m_server.mark();
    analytics->postEvent(L"queued", L"0");
    // The stand-in records a request before it answers: from here the sender waits for the answer.
    ASSERT_EQ(waitForRequests(m_server, mark, kAnalyticsPath, 1, kArrivalMs).size(), 1u);
    EXPECT_TRUE(analytics->isBusy());

    std::vector<std::string> expected = {"queued/0"};
    for (int i = 1; i <= 101; ++i) {
        analytics->postEvent(L"queued", std::to_wstring(i));
        if (i <= 100) {
            expected.push_back("queued/" + std::to_string(i));
        }
    }
    ASSERT_EQ(waitForRequests(m_server, mark, kAnalyticsPath, 101, 120000).size(), 101u);
    // Anything wrongly queued would go out before this one.
    analytics->postEvent(L"queued", L"later");
    expected.push_back("queued/later");

    EXPECT_EQ(eventsOf(waitForRequests(m_server, mark, kAnalyticsPath, expected.size(), kArrivalMs)), expected);
}

TEST_F(AnalyticsTest, OnceDisabledNeitherPathSends)
{
    auto analytics = makeAnalytics();
    analytics->calcPCID();
    const size_t mark = m_server.mark();
    analytics->postEvent(L"before", L"1");
    ASSERT_EQ(waitForRequests(m_server, mark, kAnalyticsPath, 1, kArrivalMs).size(), 1u);

    analytics->disable();
    EXPECT_TRUE(analytics->isDisabled());
    analytics->sendEventNow(L"userCancel", L"2");
    analytics->postEvent(L"after", L"3");

    // Long enough for a queued event to go out many times over.
    EXPECT_EQ(eventsOf(waitForRequests(m_server, mark, kAnalyticsPath, 2, 3000)),
              std::vector<std::string>({"before/1"}));
}

TEST_F(AnalyticsTest, DestructionLetsThePostInProgressFinishAndDiscardsTheQueue)
{
    auto analytics = makeAnalytics();
    nettest::ScopedFault slow(m_server, kAnalyticsPath, R"({"delay": 2, "times": 1})");
    ASSERT_TRUE(slow.ok());
    const size_t mark = m_server.mark();
    analytics->postEvent(L"queued", L"0");
    ASSERT_EQ(waitForRequests(m_server, mark, kAnalyticsPath, 1, kArrivalMs).size(), 1u);
    analytics->postEvent(L"queued", L"1");
    analytics->postEvent(L"queued", L"2");

    analytics.reset();

    // The sender has ended, so nothing can follow.
    EXPECT_EQ(eventsOf(m_server.requests(mark, kAnalyticsPath)), std::vector<std::string>({"queued/0"}));
    for (const auto& line : m_log.lines()) {
        EXPECT_NE(line.text.rfind(L"curl download error", 0), 0u) << "the post in progress was cut short";
    }
}

}  // namespace
