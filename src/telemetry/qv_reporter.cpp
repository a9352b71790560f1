#include "telemetry/qv_reporter.h"

#include "common/log.h"
#include "model/endpoints.h"
#include "net/qv_curl_downloader.h"
#include "telemetry/platform_ids.h"
#include "utility/text_convert.h"

#include <ctime>
#include <vector>

namespace {

constexpr char kThreadLogName[] = "QVReporter::_threadReport";
constexpr wchar_t kUploadPath[] = L"/collection/biz/upload";
// An array of no events serialises to "[]"; anything shorter than this holds no event.
constexpr size_t kShortestBody = 6;

int64_t secondsSince1970()
{
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

QVReporter& QVReporter::instance()
{
    static QVReporter* const reporter = new QVReporter();
    return *reporter;
}

QVReporter::QVReporter() = default;

QVReporter::~QVReporter()
{
    if (m_uploadThread.isRunning()) {
        shutdown();
    }
}

void QVReporter::start(const std::wstring& openid, const std::wstring& deviceId, const std::wstring& language)
{
    if (m_uploadThread.isRunning()) {
        return;
    }
    m_openid = openid;
    m_deviceId = deviceId;
    m_language = language;
    m_wakeEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    Runable* task = makeTask(this, &QVReporter::_threadReport);
    if (!m_uploadThread.start(task)) {
        task->release();
    }
}

void QVReporter::postEvent(const std::wstring& key, PropertyFiller filler)
{
    PendingEvent event{key, secondsSince1970() * 1000, std::move(filler)};
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(std::move(event));
}

void QVReporter::shutdown()
{
    m_stopRequested.store(true);
    if (m_wakeEvent) {
        SetEvent(m_wakeEvent.get());
    }
    m_uploadThread.stop(kStopTimeoutMs);
}

void QVReporter::_threadReport()
{
    if (m_stopRequested.load()) {
        return;
    }
    for (;;) {
        common::writeLog(kThreadLogName, __LINE__, L"waitfor event");
        WaitForSingleObject(m_wakeEvent.get(), m_intervalMs);
        common::writeLog(kThreadLogName, __LINE__, L"event comming");
        _uploadPending();
        if (m_stopRequested.load()) {
            return;
        }
    }
}

void QVReporter::_uploadPending()
{
    const ReportIdentity identity{utility::wideToUtf8(m_deviceId), utility::wideToUtf8(m_openid),
                                  utility::wideToUtf8(m_language)};
    std::list<PendingEvent> taken;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        taken.swap(m_events);
    }
    // Built outside the lock, so that a filler is a callback like any other: posting from it
    // cannot deadlock, and a poster never waits for GUIDs and serialisation.
    std::vector<UploadEvent> events;
    events.reserve(taken.size());
    for (PendingEvent& pending : taken) {
        events.push_back({utility::wideToUtf8(pending.key), pending.timeMs, std::move(pending.filler)});
    }
    const size_t count = events.size();
    const std::string body =
        buildReportBody(events, identity, [] { return newGuidFields().value_or(GuidFields{}); });
    if (body.size() < kShortestBody) {
        common::writeLog(kThreadLogName, __LINE__, L"no body");
        return;
    }

    const int64_t timestamp = secondsSince1970() * 1000 + static_cast<int64_t>(GetTickCount() % 1000);
    const std::string signature = reportSignature(timestamp, count);
    if (signature.size() < 8) {
        common::writeLog(kThreadLogName, __LINE__, L"md5 calc error!!");
        return;
    }
    const std::vector<std::string> headers = {"timestamp: " + std::to_string(timestamp),
                                              "signature: " + signature};
    const std::string url = utility::wideToAnsi(hostBase(HostRole::collection, m_language) + kUploadPath);
    common::writeLog(kThreadLogName, __LINE__, L"post report quest");
    // The body is UTF-8 and the client sends its argument as ANSI turned into UTF-8: handing it
    // the ANSI form makes the bytes on the wire the UTF-8 body again (for what ANSI can hold).
    QVCurlDownloader client;
    std::string answer;
    (void)client.postRequest(utility::wideToAnsi(utility::utf8ToWide(body)), url, headers, answer);
    common::writeLog(kThreadLogName, __LINE__, L"report ret:%s", utility::utf8ToWide(answer).c_str());
}
