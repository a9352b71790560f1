#include "telemetry/google_analytics.h"

#include "model/endpoints.h"
#include "net/qv_curl_downloader.h"
#include "telemetry/event_bodies.h"
#include "utility/text_convert.h"

#include <chrono>

GoogleAnalytics::GoogleAnalytics() = default;

GoogleAnalytics::GoogleAnalytics(MachineIdSources sources) : m_sources(std::move(sources)) {}

GoogleAnalytics::~GoogleAnalytics()
{
    std::future<void> sender;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopRequested = true;
        sender = std::move(m_sender);
    }
    m_wake.notify_all();
    if (sender.valid()) {
        sender.wait();
    }
}

void GoogleAnalytics::setProperty(const std::wstring& measurementId, const std::wstring& apiSecret)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_measurementId = measurementId;
    m_apiSecret = apiSecret;
}

void GoogleAnalytics::calcPCID()
{
    std::lock_guard<std::mutex> derivation(m_derivationLock);
    if (!clientId().empty()) {
        return;
    }
    std::string id = findMachineId(m_sources);
    std::lock_guard<std::mutex> guard(m_lock);
    m_clientId = std::move(id);
}

std::string GoogleAnalytics::clientId() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_clientId;
}

void GoogleAnalytics::postEvent(const std::wstring& name, const std::wstring& label)
{
    if (m_disabled.load()) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_queue.size() >= kQueueLimit) {
        return;
    }
    m_queue.push_back({name, label});
    m_wake.notify_one();
    const bool senderRunning =
        m_sender.valid() && m_sender.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    if (!senderRunning && !m_stopRequested) {
        m_sender = std::async(std::launch::async, [this] { _senderLoop(); });
    }
}

void GoogleAnalytics::sendEventNow(const std::wstring& name, const std::wstring& label)
{
    if (m_disabled.load()) {
        return;
    }
    _sendEvent(name, label);
}

void GoogleAnalytics::disable()
{
    m_disabled.store(true);
}

void GoogleAnalytics::_senderLoop()
{
    for (;;) {
        calcPCID();
        SendTask task;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_wake.wait(guard, [this] { return !m_queue.empty() || m_stopRequested; });
            if (m_stopRequested) {
                return;
            }
            task = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_busy.store(true);
        _sendEvent(task.name, task.label);
        m_busy.store(false);
    }
}

void GoogleAnalytics::_sendEvent(const std::wstring& name, const std::wstring& label)
{
    std::string clientId;
    std::wstring measurementId;
    std::wstring apiSecret;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        clientId = m_clientId;
        measurementId = m_measurementId;
        apiSecret = m_apiSecret;
    }
    const std::string body = buildAnalyticsBody(clientId, utility::wideToAnsi(name), utility::wideToAnsi(label));
    const std::string url = analyticsAddress(utility::wideToAnsi(hostBase(HostRole::analytics, L"")),
                                             utility::wideToAnsi(measurementId), utility::wideToAnsi(apiSecret));
    QVCurlDownloader client;
    std::string answer;
    (void)client.postRequest(body, url, {}, answer);
}
