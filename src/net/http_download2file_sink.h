#pragma once
// Writes a WinINet answer into a file, resuming at a given size, and records why a transfer
// failed (HttpErrorKind and code). Lives on the stack of one transfer, on its thread.

#include "net/file_progress.h"
#include "net/http_client.h"
#include "net/http_download_sink.h"
#include "net/http_error_kind.h"
#include "utility/file.h"
#include "utility/task_thread.h"

#include <cstdint>
#include <string>

namespace utility {

class CHttpDownload2FileSink : public CHttpClient::IHttpClientSink {
public:
    // `cancel` is the downloader's cancel flag holder; `progress` may be null. With a
    // `resumeOffset` above 0 a 206 answer is appended to the existing file; any other 2xx
    // answer carries the whole file, which is then written again from its start.
    CHttpDownload2FileSink(const std::wstring& path, const TaskThread& cancel, IHttpDownloadSink* progress,
                           int64_t resumeOffset);

    void onHttpError(int kind, int code) override;
    bool onHttpRecvHeader(int64_t contentLength, int status) override;
    bool onHttpRecvData(const char* bytes, uint32_t count) override;
    void onHttpComplete() override;

    void closeFile() { m_file.close(); }
    [[nodiscard]] int errorKind() const { return m_errorKind; }
    [[nodiscard]] int errorCode() const { return m_errorCode; }

private:
    ufile::File m_file;
    std::wstring m_path;
    const TaskThread& m_cancel;
    IHttpDownloadSink* m_progress;
    FileProgress m_count;
    int64_t m_resumeOffset;
    int m_errorKind = kHttpErrorNone;
    int m_errorCode = 0;
};

}  // namespace utility
