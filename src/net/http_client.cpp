#include "net/http_client.h"

#include "common/log.h"
#include "net/http_answer.h"
#include "net/http_error_kind.h"
#include "net/internet_handle.h"

#include <memory>

namespace utility {
namespace {

constexpr DWORD kReadBlock = 32768;
constexpr DWORD kHostNameCapacity = 256;  // 255 characters and the terminator

// Nothing may come from or go to the cache. The lowest bit has no documented meaning for HTTP
// requests; it has always been passed and is kept.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_CACHE_ASYNC | 0x1;

bool startsWithHttps(const std::wstring& url)
{
    static constexpr wchar_t kScheme[] = L"https://";
    if (url.size() < ARRAYSIZE(kScheme) - 1) {
        return false;
    }
    return _wcsnicmp(url.c_str(), kScheme, ARRAYSIZE(kScheme) - 1) == 0;
}

// A header of the answer as text; empty when absent.
std::wstring queryText(HINTERNET request, DWORD info)
{
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer);
    if (!HttpQueryInfoW(request, info, buffer, &size, nullptr)) {
        return {};
    }
    return std::wstring(buffer, size / sizeof(wchar_t));
}

}  // namespace

bool CHttpClient::open(const std::wstring& url, IHttpClientSink* sink)
{
    m_sink = sink;
    close();
    HINTERNET internet = InternetOpenW(L"", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet == nullptr) {
        _fail(kHttpErrorOpen, GetLastError());
        return false;
    }
    m_internet.store(internet);

    wchar_t host[kHostNameCapacity] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = kHostNameCapacity;
    parts.dwUrlPathLength = 1;    // point into `url`
    parts.dwExtraInfoLength = 1;  // the query, which belongs to the request path
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        _fail(kHttpErrorUrl, GetLastError());
        return false;
    }
    m_host.assign(host, parts.dwHostNameLength);
    m_port = parts.nPort;
    m_path.clear();
    if (parts.lpszUrlPath != nullptr) {
        m_path.append(parts.lpszUrlPath, parts.dwUrlPathLength);
    }
    if (parts.lpszExtraInfo != nullptr) {
        m_path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    }
    m_secure = startsWithHttps(url);
    return true;
}

bool CHttpClient::request()
{
    ScopedInternetHandle connection(InternetConnectW(m_internet.load(), m_host.c_str(), m_port, nullptr,
                                                     nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        _fail(kHttpErrorConnect, GetLastError());
        return false;
    }

    const std::wstring headerText = buildHeaderText(m_headers);
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    const DWORD flags = kRequestFlags | (m_secure ? INTERNET_FLAG_SECURE : 0);
    ScopedInternetHandle request(HttpOpenRequestW(connection.get(), L"GET", m_path.c_str(), L"HTTP/1.1",
                                                  nullptr, acceptTypes, flags, 1));
    if (!request || !HttpSendRequestW(request.get(), headerText.c_str(),
                                      static_cast<DWORD>(headerText.size()), nullptr, 0)) {
        const DWORD error = GetLastError();
        _fail(sendFailureKind(error), error);
        return false;
    }

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        _fail(kHttpErrorStatus, GetLastError());
        return false;
    }
    // Read as text: the numeric form of this query is 32 bits wide.
    const int64_t contentLength = parseContentLength(queryText(request.get(), HTTP_QUERY_CONTENT_LENGTH));

    if (status >= 200 && status < 300) {
        const auto range = m_headers.find(kHeaderRange);
        const int64_t requestedFrom = range == m_headers.end() ? -1 : parseRangeStart(range->second);
        const std::wstring contentRange = queryText(request.get(), HTTP_QUERY_CONTENT_RANGE);
        if (!isConsistentRangeAnswer(requestedFrom, static_cast<int>(status), contentRange)) {
            // Appending a part that starts elsewhere would corrupt the file.
            common::writeLog("utility::CHttpClient::request", __LINE__,
                             L"partial answer does not start at %I64d: Content-Range %s", requestedFrom,
                             contentRange.c_str());
            return false;
        }
    }

    if (m_sink != nullptr && !m_sink->onHttpRecvHeader(contentLength, static_cast<int>(status))) {
        return false;
    }
    const auto block = std::make_unique<char[]>(kReadBlock);
    int64_t received = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.get(), block.get(), kReadBlock, &read)) {
            return false;
        }
        if (read == 0) {
            // A connection dropped mid-body ends the read like a complete answer does; only the
            // announced length tells them apart, and a cut package must never count as complete.
            if (contentLength >= 0 && received != contentLength) {
                common::writeLog("utility::CHttpClient::request", __LINE__,
                                 L"answer ended after %I64d of %I64d bytes", received, contentLength);
                return false;
            }
            if (m_sink != nullptr) {
                m_sink->onHttpComplete();
            }
            return true;
        }
        received += read;
        if (m_sink != nullptr && !m_sink->onHttpRecvData(block.get(), read)) {
            return false;
        }
    }
}

void CHttpClient::close()
{
    HINTERNET internet = m_internet.exchange(nullptr);
    if (internet != nullptr) {
        InternetCloseHandle(internet);
    }
}

void CHttpClient::_fail(int kind, DWORD error)
{
    if (m_sink != nullptr) {
        m_sink->onHttpError(kind, static_cast<int>(error));
    }
}

}  // namespace utility
