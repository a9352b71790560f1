#include "net/http_download2file_sink.h"

#include "common/log.h"

namespace utility {

CHttpDownload2FileSink::CHttpDownload2FileSink(const std::wstring& path, const TaskThread& cancel,
                                               IHttpDownloadSink* progress, int64_t resumeOffset)
    : m_path(path), m_cancel(cancel), m_progress(progress), m_resumeOffset(resumeOffset)
{
}

void CHttpDownload2FileSink::onHttpError(int kind, int code)
{
    m_file.close();
    common::writeLog("utility::CHttpDownload2FileSink::onHttpError", __LINE__, L"onHttpErro %d, %d", kind,
                     code);
    m_errorKind = kind;
    m_errorCode = code;
}

bool CHttpDownload2FileSink::onHttpRecvHeader(int64_t contentLength, int status)
{
    if (status < 200 || status > 299) {
        common::writeLog("utility::CHttpDownload2FileSink::onHttpRecvHeader", __LINE__,
                         L"onHttpErro status = %d", status);
        if (m_errorCode == 0) {
            m_errorKind = kHttpErrorBadStatus;
            m_errorCode = status;
        }
        return false;
    }

    if (m_resumeOffset > 0 && status != 206) {
        // The server ignored the Range and sends the whole file; appending it after the bytes
        // already there would corrupt the file.
        common::writeLog("utility::CHttpDownload2FileSink::onHttpRecvHeader", __LINE__,
                         L"status %d to a ranged request, writing the file from 0 instead of %I64d", status,
                         m_resumeOffset);
        m_resumeOffset = 0;
    }
    m_count.start(contentLength, m_resumeOffset);

    if (m_resumeOffset > 0) {
        if (!m_file.openReadWrite(m_path, true)) {
            const DWORD error = GetLastError();
            common::writeLog("utility::CHttpDownload2FileSink::onHttpRecvHeader", __LINE__,
                             L"onHttpErro create file error  %d", static_cast<int>(error));
            m_errorKind = kHttpErrorFile;
            m_errorCode = static_cast<int>(error);
            return false;
        }
        m_file.seekEnd();
        return true;
    }
    if (!m_file.create(m_path)) {
        const DWORD error = GetLastError();
        common::writeLog("utility::CHttpDownload2FileSink::onHttpRecvHeader", __LINE__,
                         L"create file error; filename %s lasterror:%d", m_path.c_str(),
                         static_cast<int>(error));
        m_errorKind = kHttpErrorFile;
        m_errorCode = static_cast<int>(error);
        return false;
    }
    return true;
}

bool CHttpDownload2FileSink::onHttpRecvData(const char* bytes, uint32_t count)
{
    if (m_cancel.isStopRequested()) {
        return false;
    }
    const int64_t received = m_count.add(count);
    if (m_progress != nullptr && !m_progress->onHttpProgress(bytes, count, received, m_count.total())) {
        return false;
    }
    return m_file.write(bytes, count);
}

void CHttpDownload2FileSink::onHttpComplete()
{
    m_file.close();
}

}  // namespace utility
