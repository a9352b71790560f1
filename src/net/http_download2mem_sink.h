#pragma once
// Collects a WinINet answer in memory, up to utility::kMemoryAnswerLimit. Only 2xx answers are
// taken. Lives on the stack of one transfer, on its thread.

#include "net/http_client.h"
#include "net/memory_answer.h"
#include "utility/task_thread.h"

#include <string>

namespace utility {

class CHttpDownload2MemSink : public CHttpClient::IHttpClientSink {
public:
    explicit CHttpDownload2MemSink(const TaskThread& cancel) : m_cancel(cancel) {}

    void onHttpError(int kind, int code) override {}
    bool onHttpRecvHeader(int64_t contentLength, int status) override
    {
        return status >= 200 && status <= 299;
    }
    bool onHttpRecvData(const char* bytes, uint32_t count) override;
    void onHttpComplete() override {}

    // The body received so far; the sink is empty afterwards.
    [[nodiscard]] std::string take() { return m_answer.take(); }

private:
    const TaskThread& m_cancel;
    MemoryAnswer m_answer;
};

}  // namespace utility
