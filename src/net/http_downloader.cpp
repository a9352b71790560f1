#include "net/http_downloader.h"

#include "common/log.h"
#include "net/http_download2file_sink.h"
#include "net/http_download2mem_sink.h"
#include "utility/ufile.h"

namespace utility {

bool CHttpDownloader::download2mem(std::string& output, const std::wstring& url)
{
    m_client.close();
    // A Range left from a resumed file download would get a part of the document.
    m_client.removeHeader(kHeaderRange);
    CHttpDownload2MemSink sink(m_cancelFlag);
    const bool ok = m_client.open(url, &sink) && m_client.request();
    m_client.close();
    if (ok) {
        output = sink.take();
    }
    return ok;
}

bool CHttpDownloader::download2file(const std::wstring& url, const std::wstring& path,
                                    IHttpDownloadSink* progress, bool resume)
{
    int errorKind = kHttpErrorNone;
    int errorCode = 0;
    m_cancelFlag.stop(1000);
    return _download2file(url, path, progress, resume, errorKind, errorCode);
}

bool CHttpDownloader::download2file(const std::wstring& url, const std::wstring& path,
                                    IHttpDownloadSink* progress, bool resume, int& errorKind, int& errorCode)
{
    return _download2file(url, path, progress, resume, errorKind, errorCode);
}

bool CHttpDownloader::_download2file(const std::wstring& url, const std::wstring& path,
                                     IHttpDownloadSink* progress, bool resume, int& errorKind, int& errorCode)
{
    m_client.close();
    m_client.removeHeader(kHeaderRange);
    m_resumeOffset = 0;
    if (resume) {
        int64_t size = 0;
        if (ufile::getFileSize(path, size)) {
            m_resumeOffset = size;
        }
        common::writeLog("utility::CHttpDownloader::download2file", __LINE__, L"start size %d",
                         static_cast<int>(static_cast<uint32_t>(m_resumeOffset)));
        if (m_resumeOffset > 0) {
            m_client.setHeader(kHeaderRange, rangeFrom(m_resumeOffset));
        }
    }

    CHttpDownload2FileSink sink(path, m_cancelFlag, progress, m_resumeOffset);
    const bool ok = m_client.open(url, &sink) && m_client.request();
    m_client.close();
    sink.closeFile();
    errorKind = sink.errorKind();
    errorCode = sink.errorCode();
    return ok;
}

void CHttpDownloader::cancel()
{
    m_cancelFlag.requestStop();
    m_client.close();
    m_cancelFlag.stop(2000);
}

}  // namespace utility
