// The libcurl client against the live stand-in (sandbox/server), under Wine.
#include "net/memory_answer.h"
#include "net/qv_curl_downloader.h"
#include "utility/text_convert.h"

#include "log_capture.h"
#include "standin_test.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class CurlClientTest : public nettest::StandInTest {
protected:

    std::string file(const std::wstring& name) const { return utility::wideToAnsi(m_dir.path(name)); }

    // Lines logged under `function` that start with `prefix`.
    std::vector<std::wstring> logged(const std::string& function, const std::wstring& prefix) const
    {
        std::vector<std::wstring> found;
        for (const auto& line : m_log.lines()) {
            if (line.function == function && line.text.compare(0, prefix.size(), prefix) == 0) {
                found.push_back(line.text);
            }
        }
        return found;
    }

    nettest::ScratchDir m_dir;
};

struct ProgressReport {
    int percent;
    Clock::time_point at;
};

TEST_F(CurlClientTest, MemoryFetchTakesAnyStatusAndRefusesAnswersOverTheBound)
{
    const std::string text = nettest::patternText(3000);
    ASSERT_TRUE(m_server.setTextFile("/cdn/net/curl/doc.json", text));
    ASSERT_TRUE(m_server.setGeneratedFile("/cdn/net/curl/limit.bin", utility::kMemoryAnswerLimit));
    ASSERT_TRUE(m_server.setGeneratedFile("/cdn/net/curl/over.bin", utility::kMemoryAnswerLimit + 1));
    nettest::ScopedFault failing(m_server, "/cdn/net/curl/failing.json", R"({"status": 500})");
    nettest::ScopedFault hopping(m_server, "/cdn/net/curl/doc.json", R"({"redirect": 6})");
    ASSERT_TRUE(failing.ok() && hopping.ok());

    // `text`: what the response must be, or for a page of unknown size (0) hold; `size`: its length.
    struct Case {
        const char* path;
        bool ok;
        std::string text;
        size_t size;
    };
    const Case cases[] = {
        {"/cdn/net/curl/doc.json", true, text, text.size()},  // after six redirects: no limit here
        {"/cdn/net/curl/missing.json", true, "404 Not Found", 0},
        {"/cdn/net/curl/failing.json", true, "500", 0},
        {"/cdn/net/curl/limit.bin", true, "", utility::kMemoryAnswerLimit},
        {"/cdn/net/curl/over.bin", false, "before", 6},
    };
    for (const Case& c : cases) {
        m_log.clear();
        std::string response = "before";
        QVCurlDownloader curl;
        const std::wstring url = m_server.wideUrl(c.path);
        EXPECT_EQ(curl.downloadMemory(url, response), c.ok) << c.path;
        if (c.size != 0) {
            EXPECT_EQ(response.size(), c.size) << c.path;
            EXPECT_TRUE(c.text.empty() || response == c.text) << c.path;
        } else {
            EXPECT_NE(response.find(c.text), std::string::npos) << c.path << ": " << response.substr(0, 200);
        }
        EXPECT_TRUE(
            m_log.contains("QVCurlDownloader::downloadMemory", L"QVCurlDownloader::downloadMemory start"));
        EXPECT_TRUE(m_log.contains("QVCurlDownloader::downloadMemory", L"1111111111111111111111"));
        if (c.ok) {
            EXPECT_TRUE(m_log.contains("QVCurlDownloader::downloadMemory",
                                       L"curl download sucess " + std::to_wstring(response.size())))
                << c.path;
        } else {
            EXPECT_TRUE(m_log.contains("QVCurlDownloader::WriteMemoryCallback",
                                       L"answer larger than 1048576 bytes refused"));
            EXPECT_EQ(
                logged("QVCurlDownloader::downloadMemory", L"curl download error Failure writing output")
                    .size(),
                1u);
        }
    }
}

TEST_F(CurlClientTest, AFetchThatTakesLongerThanEightSecondsFailsWithCurlsText)
{
    ASSERT_TRUE(m_server.setTextFile("/cdn/net/curl/slow.json", "{}"));
    nettest::ScopedFault slow(m_server, "/cdn/net/curl/slow.json", R"({"delay": 30})");
    ASSERT_TRUE(slow.ok());
    const std::wstring url = m_server.wideUrl("/cdn/net/curl/slow.json");

    QVCurlDownloader curl;
    std::string response = "before";
    const auto started = Clock::now();
    EXPECT_FALSE(curl.downloadMemory(url, response));
    const auto waited = Clock::now() - started;

    EXPECT_GE(waited, std::chrono::milliseconds(7900));
    EXPECT_LT(waited, std::chrono::seconds(20)) << "gave up on its own, not when the server answered";
    EXPECT_EQ(response, "before");
    const auto lines =
        logged("QVCurlDownloader::downloadMemory", L"curl download error Operation timed out after ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - url.size() - 1), L" " + url);
}

TEST_F(CurlClientTest, AResumedDownloadAsksForTheRestAndReportsProgressSparingly)
{
    const std::string path = "/cdn/net/curl/resume.bin";
    const std::string content = nettest::patternText(6000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    // The remaining 3000 bytes take about three seconds.
    nettest::ScopedFault slow(m_server, path, R"({"rate": 1000})");
    ASSERT_TRUE(slow.ok());
    const std::wstring target = m_dir.path(L"resume.bin");
    ASSERT_TRUE(nettest::writeFile(target, content.substr(0, 3000)));

    std::vector<ProgressReport> reports;
    const size_t mark = m_server.mark();
    QVCurlDownloader curl;
    EXPECT_TRUE(curl.downloadFile(utility::wideToAnsi(target), m_server.url(path), [&](int percent) {
        reports.push_back({percent, Clock::now()});
    }));

    std::string written;
    ASSERT_TRUE(nettest::readFile(target, written));
    EXPECT_TRUE(written == content) << "the file holds " << written.size() << " bytes";
    const auto requests = m_server.requests(mark, path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range"), "bytes=3000-");

    ASSERT_GE(reports.size(), 2u);
    EXPECT_GE(reports.front().percent, 50) << "the 3000 bytes on disk count as done";
    for (size_t i = 0; i < reports.size(); ++i) {
        EXPECT_LT(reports[i].percent, 100) << "report " << i;
        if (i > 0) {
            EXPECT_GE(reports[i].percent, reports[i - 1].percent);
            // Reports are at least 1000 ms apart by the tick count, whose steps are coarser than
            // this clock's.
            EXPECT_GE(reports[i].at - reports[i - 1].at, std::chrono::milliseconds(985)) << "report " << i;
        }
    }
    EXPECT_TRUE(m_log.contains("QVCurlDownloader::downloadFile", L"QVCurlDownloader::downloadfile start"));
    EXPECT_TRUE(m_log.contains("QVCurlDownloader::downloadFile", L"curl download  file sucess"));
}

TEST_F(CurlClientTest, WithoutALengthThereIsNoProgressReport)
{
    const std::string path = "/cdn/net/curl/nolength.bin";
    const std::string content = nettest::patternText(3000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    nettest::ScopedFault unannounced(m_server, path, R"({"no_length": true, "rate": 2000})");
    ASSERT_TRUE(unannounced.ok());
    const std::wstring target = m_dir.path(L"nolength.bin");

    // Plain HTTP: the stand-in ends such a body by closing a TLS connection without close_notify,
    // which Schannel rightly takes for a truncation.
    int reports = 0;
    QVCurlDownloader curl;
    EXPECT_TRUE(
        curl.downloadFile(utility::wideToAnsi(target), m_server.url(path, "http"), [&](int) { ++reports; }));
    EXPECT_EQ(reports, 0);
    std::string written;
    ASSERT_TRUE(nettest::readFile(target, written));
    EXPECT_TRUE(written == content);
}

TEST_F(CurlClientTest, AFileDownloadFollowsFiveRedirectsButNotSix)
{
    const std::string path = "/cdn/net/curl/moved.bin";
    const std::string content = nettest::patternText(2000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    for (int hops : {5, 6}) {
        m_log.clear();
        nettest::ScopedFault moved(m_server, path, "{\"redirect\": " + std::to_string(hops) + "}");
        ASSERT_TRUE(moved.ok());
        const std::wstring target = m_dir.path(L"moved" + std::to_wstring(hops) + L".bin");
        QVCurlDownloader curl;
        const bool ok = curl.downloadFile(utility::wideToAnsi(target), m_server.url(path), nullptr);
        std::string written;
        ASSERT_TRUE(nettest::readFile(target, written));
        if (hops == 5) {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(written == content);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(written, "");
            EXPECT_TRUE(m_log.contains(
                "QVCurlDownloader::downloadFile",
                L"curl download error Maximum (5) redirects followed " + m_server.wideUrl(path)));
        }
    }
}

TEST_F(CurlClientTest, APostSendsItsBodyAsUtf8AfterTheJsonContentTypeLine)
{
    const std::string path = "/collect/collection/biz/upload";
    // Written in the system code page, as the callers hand bodies over.
    const std::string body = utility::wideToAnsi(L"{\"event\":\"Gr\u00f6\u00dfe caf\u00e9\"}");
    const std::string utf8 = utility::wideToUtf8(L"{\"event\":\"Gr\u00f6\u00dfe caf\u00e9\"}");
    ASSERT_NE(body, utf8) << "the body must hold characters whose bytes differ between the two";

    const size_t mark = m_server.mark();
    std::string response;
    QVCurlDownloader curl;
    EXPECT_TRUE(
        curl.postRequest(body, m_server.url(path), {"timestamp: 1700000000", "signature: 0a1b"}, response));
    EXPECT_EQ(response, R"({"code":0,"msg":"success"})");

    const auto requests = m_server.requests(mark, path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, utf8);
    EXPECT_EQ(requests[0].bodyLength, static_cast<int64_t>(utf8.size()));
    // libcurl's own lines, no user agent, then ours in order, then the length.
    const std::string host = "Host: localhost:" + std::to_string(m_server.port("https")) + "\r\n";
    const std::string length = "Content-Length: " + std::to_string(utf8.size()) + "\r\n";
    const std::string expected = "POST " + path + " HTTP/1.1\r\n" + host + "Accept: */*\r\n" +
                                 "Content-Type:application/json;charset=UTF-8\r\n"
                                 "timestamp: 1700000000\r\n"
                                 "signature: 0a1b\r\n" +
                                 length + "\r\n";
    EXPECT_EQ(requests[0].head, expected);
    EXPECT_TRUE(m_log.contains("QVCurlDownloader::postRequest", L"QVCurlDownloader::postRequest start " +
                                                                    m_server.wideUrl(path) + L" content:" +
                                                                    utility::ansiToWide(body)));
}

TEST_F(CurlClientTest, AServerThatIgnoresTheRangeGetsTheFileWrittenAgainFromItsStart)
{
    const std::string path = "/cdn/net/curl/norange.bin";
    const std::string content = nettest::patternText(5000);
    ASSERT_TRUE(m_server.setTextFile(path, content));
    nettest::ScopedFault whole(m_server, path, R"({"ignore_range": true})");
    ASSERT_TRUE(whole.ok());
    const std::wstring target = m_dir.path(L"norange.bin");
    ASSERT_TRUE(nettest::writeFile(target, content.substr(0, 1000)));

    const size_t mark = m_server.mark();
    QVCurlDownloader curl;
    EXPECT_TRUE(curl.downloadFile(utility::wideToAnsi(target), m_server.url(path), nullptr));
    std::string written;
    ASSERT_TRUE(nettest::readFile(target, written));
    EXPECT_TRUE(written == content) << "the file holds " << written.size() << " bytes";
    const auto requests = m_server.requests(mark, path);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].header("Range"), "bytes=1000-");
    EXPECT_FALSE(requests[1].hasHeader("Range"));
    EXPECT_TRUE(m_log.contains("QVCurlDownloader::downloadFile",
                               L"server did not resume at 1000, download again from 0"));
}

TEST_F(CurlClientTest, AnErrorStatusFailsAFileDownloadAndLeavesThePartialFileAlone)
{
    const std::string path = "/cdn/net/curl/gone.bin";
    const std::wstring partial = m_dir.path(L"partial.bin");
    ASSERT_TRUE(nettest::writeFile(partial, "0123456789"));
    const std::wstring fresh = m_dir.path(L"fresh.bin");

    QVCurlDownloader curl;
    EXPECT_FALSE(curl.downloadFile(utility::wideToAnsi(partial), m_server.url(path), nullptr));
    EXPECT_FALSE(curl.downloadFile(utility::wideToAnsi(fresh), m_server.url(path), nullptr));

    std::string written;
    ASSERT_TRUE(nettest::readFile(partial, written));
    EXPECT_EQ(written, "0123456789") << "no error page appended";
    ASSERT_TRUE(nettest::readFile(fresh, written));
    EXPECT_EQ(written, "");
    EXPECT_EQ(
        logged("QVCurlDownloader::downloadFile", L"curl download error The requested URL returned error: 404")
            .size(),
        2u);
}

TEST_F(CurlClientTest, OnlyTheServerWithAValidCertificateForItsNameSeesARequest)
{
    const std::string path = "/cdn/net/curl/tls.json";
    ASSERT_TRUE(m_server.setTextFile(path, "{\"tls\":true}"));
    enum class Operation { kMemory, kFile, kPost };
    struct Case {
        const char* listener;
        Operation operation;
        bool ok;
    };
    const Case cases[] = {
        {"https", Operation::kMemory, true},
        {"https", Operation::kFile, true},
        {"https_wrong_host", Operation::kMemory, false},
        {"https_expired", Operation::kMemory, false},
        {"https_self_signed", Operation::kMemory, false},
        {"https_wrong_host", Operation::kFile, false},
        {"https_expired", Operation::kPost, false},
    };
    int row = 0;
    for (const Case& c : cases) {
        m_log.clear();
        const size_t mark = m_server.mark();
        QVCurlDownloader curl;
        std::string response;
        bool ok = false;
        switch (c.operation) {
            case Operation::kMemory:
                ok = curl.downloadMemory(m_server.wideUrl(path, c.listener), response);
                break;
            case Operation::kFile:
                ok = curl.downloadFile(file(L"tls" + std::to_wstring(row) + L".json"),
                                       m_server.url(path, c.listener), nullptr);
                break;
            case Operation::kPost:
                ok = curl.postRequest("{}", m_server.url("/collect/collection/biz/upload", c.listener), {},
                                      response);
                break;
        }
        ++row;
        EXPECT_EQ(ok, c.ok) << c.listener << ", row " << row;
        size_t seen = 0;
        for (const auto& request : m_server.requests(mark)) {
            seen += request.listener == c.listener ? 1 : 0;
        }
        const auto refusals =
            logged("QVCurlDownloader::verifyPeer", L"certificate refused for localhost, chain errors 0x");
        if (c.ok) {
            EXPECT_EQ(seen, 1u) << c.listener;
            EXPECT_TRUE(refusals.empty());
        } else {
            EXPECT_EQ(seen, 0u) << c.listener << ": not a byte of the request may reach a refused server";
            EXPECT_EQ(refusals.size(), 1u) << c.listener;
        }
    }
}

TEST_F(CurlClientTest, AFileThatCannotBeOpenedFailsBeforeAnyRequest)
{
    const std::wstring target = m_dir.path(L"no-such-folder\\x.bin");
    const size_t mark = m_server.mark();
    QVCurlDownloader curl;
    EXPECT_FALSE(
        curl.downloadFile(utility::wideToAnsi(target), m_server.url("/cdn/net/curl/x.bin"), nullptr));
    EXPECT_TRUE(m_log.contains("QVCurlDownloader::downloadFile", L"open file error  error:3 " + target));
    EXPECT_TRUE(m_server.requests(mark).empty());
}

TEST_F(CurlClientTest, AnUnreachableServerFailsWithCurlsText)
{
    const std::wstring url = L"http://localhost:" + std::to_wstring(nettest::closedPort()) + L"/cdn/x.json";
    QVCurlDownloader curl;
    std::string response = "before";
    EXPECT_FALSE(curl.downloadMemory(url, response));
    EXPECT_EQ(response, "before");
    const auto lines = logged("QVCurlDownloader::downloadMemory", L"curl download error ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"onnect"), std::wstring::npos) << utility::wideToUtf8(lines[0]);
}

}  // namespace
