#pragma once
// The WinINet request engine: one GET at a time, reported through a sink. Used by
// CHttpDownloader, which adds cancellation and resumption.
//
// open(), request() and the header table belong to the thread that runs the transfer. close()
// may also be called from any other thread: it ends a running request, whose next read fails.
// Certificates and host names are verified by WinINet; no verification flag is relaxed.

#include "net/http_header_text.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace utility {

class CHttpClient {
public:
    // Everything a request produces. Called on the transfer thread, in this order: at most one
    // onHttpError, or onHttpRecvHeader followed by onHttpRecvData for each block and, when the
    // body ended normally, onHttpComplete.
    class IHttpClientSink {
    public:
        // `kind` is an HttpErrorKind; `code` the system's last error.
        virtual void onHttpError(int kind, int code) = 0;
        // `contentLength` is -1 when the server announced none. False ends the request.
        virtual bool onHttpRecvHeader(int64_t contentLength, int status) = 0;
        // False ends the request.
        virtual bool onHttpRecvData(const char* bytes, uint32_t count) = 0;
        virtual void onHttpComplete() = 0;

    protected:
        ~IHttpClientSink() = default;
    };

    CHttpClient() = default;
    ~CHttpClient() { close(); }

    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    void setHeader(const std::wstring& name, const std::wstring& value) { m_headers[name] = value; }
    void removeHeader(const std::wstring& name) { m_headers.erase(name); }

    // Opens the Internet handle (empty agent, the system's proxy settings) and splits `url`.
    // `sink` (not owned) must outlive the request. Failures go to the sink as kinds 0 and 1.
    [[nodiscard]] bool open(const std::wstring& url, IHttpClientSink* sink);

    // Blocks for the whole request: connects, sends the GET with the header text, and hands the
    // answer to the sink in blocks of at most 32 KiB. True when the body was read to its end. A
    // 206 answer that does not start where the Range asked ends the request at once.
    [[nodiscard]] bool request();

    // Closes the Internet handle if open. Any thread.
    void close();

private:
    void _fail(int kind, DWORD error);

    std::atomic<HINTERNET> m_internet{nullptr};
    std::wstring m_host;
    INTERNET_PORT m_port = 0;
    std::wstring m_path;
    bool m_secure = false;
    IHttpClientSink* m_sink = nullptr;
    HttpHeaderTable m_headers;
};

}  // namespace utility
