// The WinINet client and downloader against the live stand-in (sandbox/server), under Wine.
#include "net/http_downloader.h"
#include "net/http_error_kind.h"
#include "net/memory_answer.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"

#include "log_capture.h"
#include "standin_test.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Remembers every progress call; can signal the first one.
class ProgressLog : public utility::IHttpDownloadSink {
public:
    struct Report {
        uint32_t count;
        int64_t received;
        int64_t total;
    };

    bool onHttpProgress(const char*, uint32_t count, int64_t received, int64_t total) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_reports.push_back({count, received, total});
        if (m_reports.size() == 1) {
            m_first.set_value();
        }
        return true;
    }

    [[nodiscard]] std::vector<Report> reports() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_reports;
    }
    [[nodiscard]] std::future<void> first() { return m_first.get_future(); }

private:
    mutable std::mutex m_lock;
    std::vector<Report> m_reports;
    std::promise<void> m_first;
};

class WinInetClientTest : public nettest::StandInTest {
protected:

    std::string contents(const std::wstring& path) const
    {
        std::string bytes;
        EXPECT_TRUE(nettest::readFile(path, bytes)) << "no file";
        return bytes;
    }

    nettest::ScratchDir m_dir;
};

TEST_F(WinInetClientTest, MemoryFetchTakesOnlyComplete2xxAnswersWithinTheBound)
{
    const std::string text = nettest::patternText(3000);
    ASSERT_TRUE(m_server.setTextFile("/cdn/net/wininet/doc.json", text));
    ASSERT_TRUE(m_server.setGeneratedFile("/cdn/net/wininet/limit.bin", utility::kMemoryAnswerLimit));
    ASSERT_TRUE(m_server.setGeneratedFile("/cdn/net/wininet/over.bin", utility::kMemoryAnswerLimit + 1));
    nettest::ScopedFault failing(m_server, "/cdn/net/wininet/failing.json", R"({"status": 500})");
    nettest::ScopedFault hopping(m_server, "/cdn/net/wininet/doc.json", R"({"redirect": 3})");
    ASSERT_TRUE(failing.ok() && hopping.ok());

    // `text`: what the response must be (unless empty); `size`: its length.
    struct Case {
        const char* path;
        bool ok;
        std::string text;
        size_t size;
    };
    const Case cases[] = {
        {"/cdn/net/wininet/doc.json", true, text, text.size()},  // after three redirects
        {"/cdn/net/wininet/missing.json", false, "before", 6},
        {"/cdn/net/wininet/failing.json", false, "before", 6},
        {"/cdn/net/wininet/limit.bin", true, "", utility::kMemoryAnswerLimit},
        {"/cdn/net/wininet/over.bin", false, "before", 6},
    };
    utility::CHttpDownloader downloader;  // one object for all: each fetch starts clean
    for (const Case& c : cases) {
        m_log.clear();
        std::string response = "before";
        EXPECT_EQ(downloader.download2mem(response, m_server.wideUrl(c.path)), c.ok) << c.path;
        EXPECT_EQ(response.size(), c.size) << c.path;
        EXPECT_TRUE(c.text.empty() || response == c.text) << c.path;
        EXPECT_EQ(m_log.contains("utility::CHttpDownload2MemSink::onHttpRecvData",
                                 L"answer larger than 1048576 bytes refused"),
                  std::string(c.path) == "/cdn/net/wininet/over.bin")
            << c.path;
    }
}

TEST_F(WinInetClientTest, AFreshDownloadWritesTheFileAndCountsAgainstTheLength)
{
    const std::string path = "/cdn/net/wininet/fresh.bin";
    const std::string content = nettest::patternText(100000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    const std::wstring target = m_dir.path(L"fresh.bin");
    ASSERT_TRUE(nettest::writeFile(target, "stale bytes of an earlier download"));

    ProgressLog progress;
    int kind = 0;
    int code = -1;
    utility::CHttpDownloader downloader;
    EXPECT_TRUE(downloader.download2file(m_server.wideUrl(path), target, &progress, false, kind, code));
    EXPECT_EQ(kind, utility::kHttpErrorNone);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(contents(target) == content);
    const auto reports = progress.reports();
    ASSERT_FALSE(reports.empty());
    int64_t received = 0;
    for (const auto& report : reports) {
        EXPECT_LE(report.count, 32768u);
        received += report.count;
        EXPECT_EQ(report.received, received);
        EXPECT_EQ(report.total, 100000);
    }
    EXPECT_EQ(received, 100000);
}

TEST_F(WinInetClientTest, AResumedDownloadSendsExactlyTheRangeAndCountsFromTheOffset)
{
    const std::string path = "/cdn/net/wininet/resume.bin";
    const std::string content = nettest::patternText(70000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    const std::wstring target = m_dir.path(L"resume.bin");
    ASSERT_TRUE(nettest::writeFile(target, content.substr(0, 100)));

    ProgressLog progress;
    int kind = 0;
    int code = -1;
    const size_t mark = m_server.mark();
    utility::CHttpDownloader downloader;
    EXPECT_TRUE(downloader.download2file(m_server.wideUrl(path), target, &progress, true, kind, code));
    EXPECT_TRUE(contents(target) == content);
    EXPECT_TRUE(m_log.contains("utility::CHttpDownloader::download2file", L"start size 100"));

    const auto reports = progress.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().received - reports.front().count, 100);
    EXPECT_EQ(reports.back().received, 70000);
    for (const auto& report : reports) {
        EXPECT_EQ(report.total, 100 + 69900);
    }

    const auto requests = m_server.requests(mark, path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range"), "bytes=100-");
    // Every line follows from the request: the accepted types, the host, the no-cache pragma of
    // the flags, and then the header text in table order.
    const std::string host = "Host: localhost:" + std::to_string(m_server.port("https")) + "\r\n";
    const std::string expected = "GET " + path + " HTTP/1.1\r\n" + "Accept: */*\r\n" + host +
                                 "Pragma: no-cache\r\n"
                                 "Content-Type: application/x-www-form-urlencoded\r\n"
                                 "Range: bytes=100-\r\n"
                                 "User-Agent: zxrdzo/7.3.4J\r\n"
                                 "\r\n";
    EXPECT_EQ(requests[0].head, expected);

    // The Range belonged to that download only.
    std::string document;
    const size_t again = m_server.mark();
    EXPECT_TRUE(downloader.download2mem(document, m_server.wideUrl(path)));
    EXPECT_TRUE(document == content) << document.size() << " bytes";
    const auto later = m_server.requests(again, path);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_FALSE(later[0].hasHeader("Range"));
}

TEST_F(WinInetClientTest, WithoutALengthProgressCountsAgainstTenMebibytesPlusTheOffset)
{
    const std::string path = "/cdn/net/wininet/nolength.bin";
    const std::string content = nettest::patternText(50000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    nettest::ScopedFault unannounced(m_server, path, R"({"no_length": true})");
    ASSERT_TRUE(unannounced.ok());

    for (int64_t offset : {0, 100}) {
        const std::wstring target = m_dir.path(L"nolength" + std::to_wstring(offset) + L".bin");
        ASSERT_TRUE(nettest::writeFile(target, content.substr(0, static_cast<size_t>(offset))));
        ProgressLog progress;
        utility::CHttpDownloader downloader;
        EXPECT_TRUE(downloader.download2file(m_server.wideUrl(path), target, &progress, true));
        EXPECT_TRUE(contents(target) == content) << "offset " << offset;
        const auto reports = progress.reports();
        ASSERT_FALSE(reports.empty());
        for (const auto& report : reports) {
            EXPECT_EQ(report.total, 10485760 + offset);
        }
        EXPECT_EQ(reports.back().received, 50000);
    }
}

TEST_F(WinInetClientTest, AnErrorStatusRecordsItsCodeAndCreatesNoFile)
{
    const std::string path = "/cdn/net/wininet/missing.bin";
    const std::wstring target = m_dir.path(L"missing.bin");
    int kind = 0;
    int code = 0;
    utility::CHttpDownloader downloader;
    EXPECT_FALSE(downloader.download2file(m_server.wideUrl(path), target, nullptr, false, kind, code));
    EXPECT_EQ(kind, -1);
    EXPECT_EQ(code, 404);
    EXPECT_TRUE(
        m_log.contains("utility::CHttpDownload2FileSink::onHttpRecvHeader", L"onHttpErro status = 404"));
    EXPECT_FALSE(utility::ufile::exists(target));
}

TEST_F(WinInetClientTest, AConnectionDroppedBeforeTheAnnouncedLengthIsAFailure)
{
    // Wine's WinINet may end the read of a reset connection as it ends a complete answer; either
    // way the transfer must fail.
    const std::string path = "/cdn/net/wininet/cut.bin";
    ASSERT_TRUE(m_server.setTextFile(path, nettest::patternText(200000)));
    nettest::ScopedFault fault(m_server, path, R"({"reset_after": 70000})");
    utility::CHttpDownloader downloader;
    std::string memory = "before";
    EXPECT_FALSE(downloader.download2mem(memory, m_server.wideUrl(path)));
    EXPECT_EQ(memory, "before");
    EXPECT_FALSE(downloader.download2file(m_server.wideUrl(path), m_dir.path(L"cut.bin"), nullptr, false));
}

TEST_F(WinInetClientTest, AnUnreachableServerIsAConnectFailure)
{
    const std::wstring url = L"http://localhost:" + std::to_wstring(nettest::closedPort()) + L"/cdn/x.bin";
    int kind = 0;
    int code = 0;
    utility::CHttpDownloader downloader;
    EXPECT_FALSE(downloader.download2file(url, m_dir.path(L"x.bin"), nullptr, false, kind, code));
    EXPECT_EQ(kind, utility::kHttpErrorConnect);
    EXPECT_EQ(code, 12029);  // ERROR_INTERNET_CANNOT_CONNECT
    EXPECT_TRUE(m_log.contains("utility::CHttpDownload2FileSink::onHttpError", L"onHttpErro 2, 12029"));
}

TEST_F(WinInetClientTest, ATargetThatCannotBeCreatedRecordsTheSystemError)
{
    const std::string path = "/cdn/net/wininet/small.bin";
    ASSERT_TRUE(m_server.setTextFile(path, "small"));
    const std::wstring target = m_dir.path(L"no-such-folder\\small.bin");
    int kind = 0;
    int code = 0;
    utility::CHttpDownloader downloader;
    EXPECT_FALSE(downloader.download2file(m_server.wideUrl(path), target, nullptr, false, kind, code));
    EXPECT_EQ(kind, utility::kHttpErrorFile);
    EXPECT_EQ(code, ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(m_log.contains("utility::CHttpDownload2FileSink::onHttpRecvHeader",
                               L"create file error; filename " + target + L" lasterror:3"));
}

TEST_F(WinInetClientTest, CancelEndsARunningTransferSoonAndTheObjectWorksAfterwards)
{
    const std::string path = "/cdn/net/wininet/slow.bin";
    // Thirty seconds of body at this rate: only a working cancel ends it in time.
    ASSERT_TRUE(m_server.setGeneratedFile(path, 1500000));
    nettest::ScopedFault slow(m_server, path, R"({"rate": 50000})");
    ASSERT_TRUE(slow.ok());
    const std::string small = nettest::patternText(5000);
    ASSERT_TRUE(m_server.setTextFile("/cdn/net/wininet/after.bin", small));

    utility::CHttpDownloader downloader;
    ProgressLog progress;
    std::future<void> started = progress.first();
    int kind = 0;
    int code = 0;
    const std::wstring target = m_dir.path(L"slow.bin");
    auto transfer = std::async(std::launch::async, [&] {
        return downloader.download2file(m_server.wideUrl(path), target, &progress, false, kind, code);
    });
    ASSERT_EQ(started.wait_for(std::chrono::seconds(20)), std::future_status::ready);

    downloader.cancel();
    ASSERT_EQ(transfer.wait_for(std::chrono::seconds(5)), std::future_status::ready)
        << "still running after cancel";
    EXPECT_FALSE(transfer.get());
    EXPECT_EQ(kind, utility::kHttpErrorNone) << "a cancel is no transfer error";
    EXPECT_EQ(code, 0);

    const std::wstring next = m_dir.path(L"after.bin");
    EXPECT_TRUE(
        downloader.download2file(m_server.wideUrl("/cdn/net/wininet/after.bin"), next, nullptr, false));
    EXPECT_TRUE(contents(next) == small);
    std::string document;
    EXPECT_TRUE(downloader.download2mem(document, m_server.wideUrl("/cdn/net/wininet/after.bin")));
    EXPECT_TRUE(document == small);
}

TEST_F(WinInetClientTest, AServerThatIgnoresTheRangeGetsTheFileWrittenAgainFromItsStart)
{
    const std::string path = "/cdn/net/wininet/norange.bin";
    const std::string content = nettest::patternText(5000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    nettest::ScopedFault whole(m_server, path, R"({"ignore_range": true})");
    ASSERT_TRUE(whole.ok());
    const std::wstring target = m_dir.path(L"norange.bin");
    ASSERT_TRUE(nettest::writeFile(target, content.substr(0, 1000)));

    ProgressLog progress;
    const size_t mark = m_server.mark();
    utility::CHttpDownloader downloader;
    EXPECT_TRUE(downloader.download2file(m_server.wideUrl(path), target, &progress, true));
    EXPECT_TRUE(contents(target) == content) << "the file holds " << contents(target).size() << " bytes";
    const auto requests = m_server.requests(mark, path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range"), "bytes=1000-");
    const auto reports = progress.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().received, reports.front().count) << "counting starts again at 0";
    EXPECT_EQ(reports.back().total, 5000);
}

TEST_F(WinInetClientTest, CertificatesAreVerifiedForTheirNameAndDate)
{
    const std::string path = "/cdn/net/wininet/tls.json";
    ASSERT_TRUE(m_server.setTextFile(path, "{\"tls\":true}"));
    struct Case {
        const char* listener;
        bool ok;
        int code;
    };
    const Case cases[] = {
        {"https", true, 0},
        {"https_wrong_host", false, 12038},   // ERROR_INTERNET_SEC_CERT_CN_INVALID
        {"https_expired", false, 12037},      // ERROR_INTERNET_SEC_CERT_DATE_INVALID
        {"https_self_signed", false, 12045},  // ERROR_INTERNET_INVALID_CA
    };
    for (const Case& c : cases) {
        const size_t mark = m_server.mark();
        int kind = 0;
        int code = 0;
        utility::CHttpDownloader downloader;
        const std::wstring target = m_dir.path(std::wstring(L"tls-") + std::to_wstring(c.code) + L".json");
        EXPECT_EQ(
            downloader.download2file(m_server.wideUrl(path, c.listener), target, nullptr, false, kind, code),
            c.ok)
            << c.listener;
        std::string document;
        EXPECT_EQ(downloader.download2mem(document, m_server.wideUrl(path, c.listener)), c.ok) << c.listener;
        if (c.ok) {
            EXPECT_EQ(document, "{\"tls\":true}");
            EXPECT_EQ(m_server.requests(mark, path).size(), 2u);
        } else {
            EXPECT_EQ(kind, utility::kHttpErrorSend) << c.listener;
            EXPECT_EQ(code, c.code) << c.listener;
            EXPECT_TRUE(m_server.requests(mark, path).empty()) << c.listener;
        }
    }
}

TEST_F(WinInetClientTest, AFileDownloadFollowsRedirects)
{
    const std::string path = "/cdn/net/wininet/moved.bin";
    const std::string content = nettest::patternText(4000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    nettest::ScopedFault moved(m_server, path, R"({"redirect": 3})");
    ASSERT_TRUE(moved.ok());
    const std::wstring target = m_dir.path(L"moved.bin");
    utility::CHttpDownloader downloader;
    EXPECT_TRUE(downloader.download2file(m_server.wideUrl(path), target, nullptr, false));
    EXPECT_TRUE(contents(target) == content);
}

}  // namespace
