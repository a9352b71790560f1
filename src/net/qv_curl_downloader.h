#pragma once
// The libcurl client: small documents into memory, JSON posts, and the installer package to a
// file with resume and progress. It is the fallback behind the WinINet client for documents and
// the package, and the only client for posts.
//
// Every operation blocks the calling thread (never the window thread), creates and cleans up its
// own easy handle, and reports failure by its result plus one log line; nothing is thrown. libcurl
// must have been initialised globally by start-up. Servers are verified: the certificate must
// chain to a trusted root and name the host, checked after the handshake and before any request
// byte is sent. In-memory answers are refused beyond utility::kMemoryAnswerLimit.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QVCurlDownloader {
public:
    // Receives a whole percentage on the downloading thread: at most once a second, never 100,
    // with the resumed part counted as done. Callers forward it to the window thread.
    using Progress = std::function<void(int percent)>;

    QVCurlDownloader();
    ~QVCurlDownloader();

    QVCurlDownloader(const QVCurlDownloader&) = delete;
    QVCurlDownloader& operator=(const QVCurlDownloader&) = delete;

    // GET into memory, 8 s in all. The status is not examined: an error page is a success with
    // that page as the response. `response` is replaced on success and untouched on failure.
    [[nodiscard]] bool downloadMemory(const std::wstring& url, std::string& response);

    // POSTs `body` (ANSI), sent as UTF-8 with its byte length, 8 s in all. The request carries the
    // JSON content type line first, then `headers` in order. `response` as for downloadMemory.
    [[nodiscard]] bool postRequest(const std::string& body, const std::string& url,
                                   const std::vector<std::string>& headers, std::string& response);

    // GET into the file at `path` (ANSI), at most 30 minutes, at most 5 redirects. A non-empty
    // existing file is resumed from its size; a server that does not honour the range gets the
    // file written again from its start. An error status fails the download and leaves the file
    // as it was. The file's size is for the caller to judge. One file download per object at a
    // time; it cannot be cancelled.
    [[nodiscard]] bool downloadFile(const std::string& path, const std::string& url, Progress progress);

private:
    struct FileTransfer;

    enum class Outcome { kDone, kFailed, kRangeRefused };
    // One perform of the file settings, writing into the open file from `offset` on.
    Outcome _performFile(const std::string& url, int64_t offset, const Progress& progress);

    std::unique_ptr<FileTransfer> m_transfer;
};
