#include "net/http_download2mem_sink.h"

#include "common/log.h"

#include <windows.h>

namespace utility {

bool CHttpDownload2MemSink::onHttpRecvData(const char* bytes, uint32_t count)
{
    if (m_cancel.isStopRequested()) {
        return false;
    }
    switch (m_answer.append(bytes, count)) {
        case MemoryAnswer::Append::kDone:
            return true;
        case MemoryAnswer::Append::kOverLimit:
            common::writeLog("utility::CHttpDownload2MemSink::onHttpRecvData", __LINE__,
                             L"answer larger than %I64d bytes refused",
                             static_cast<int64_t>(kMemoryAnswerLimit));
            return false;
        case MemoryAnswer::Append::kNoMemory:
            common::writeLog("utility::CHttpDownload2MemSink::onHttpRecvData", __LINE__,
                             L"not enough memory error %d", static_cast<int>(GetLastError()));
            return false;
    }
    return false;
}

}  // namespace utility
