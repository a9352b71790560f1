#pragma once
// The WinINet downloader: documents into memory and files to disk with resumption, progress and
// cancellation. Embedded in its owner (the model holds three, the main window one) or made for a
// single transfer.
//
// One transfer at a time per object, each blocking its calling thread (a worker, never the
// window thread). cancel() may be called from any other thread while a transfer runs: the
// transfer then returns false soon, and the object is ready for the next transfer. Owners call
// cancel() in their destructors.

#include "net/http_client.h"
#include "net/http_download_sink.h"
#include "utility/task_thread.h"

#include <cstdint>
#include <string>

namespace utility {

class CHttpDownloader {
public:
    using IHttpDownloadSink = utility::IHttpDownloadSink;

    CHttpDownloader() = default;
    CHttpDownloader(const CHttpDownloader&) = delete;
    CHttpDownloader& operator=(const CHttpDownloader&) = delete;

    // GET into memory. True only for a complete 2xx answer of at most kMemoryAnswerLimit bytes,
    // which then replaces `output`; on failure `output` is left as it was.
    [[nodiscard]] bool download2mem(std::string& output, const std::wstring& url);

    // GET into the file at `path`. With `resume`, an existing file is continued from its size (a
    // server that sends the whole file instead has it written from the start). `progress` may be
    // null. The first form also clears a cancel request left from before.
    [[nodiscard]] bool download2file(const std::wstring& url, const std::wstring& path,
                                     IHttpDownloadSink* progress, bool resume);
    // As above, also handing back why it failed: the HttpErrorKind and its code (9999 and 0 when
    // nothing was recorded, as for a read failure or a cancel).
    [[nodiscard]] bool download2file(const std::wstring& url, const std::wstring& path,
                                     IHttpDownloadSink* progress, bool resume, int& errorKind,
                                     int& errorCode);

    // Any thread. Ends a running transfer by closing its Internet handle.
    void cancel();

private:
    bool _download2file(const std::wstring& url, const std::wstring& path, IHttpDownloadSink* progress,
                        bool resume, int& errorKind, int& errorCode);

    CHttpClient m_client;
    // Never started: only its stop flag is used, as the cancel flag the sinks read.
    TaskThread m_cancelFlag;
    int64_t m_resumeOffset = 0;
};

}  // namespace utility
