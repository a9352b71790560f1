// The WinINet client's two sinks on their own, fed as a request would feed them.
#include "net/http_download2file_sink.h"
#include "net/http_download2mem_sink.h"
#include "utility/task_thread.h"

#include "standin.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Veto : public utility::IHttpDownloadSink {
public:
    bool onHttpProgress(const char*, uint32_t, int64_t, int64_t) override { return false; }
};

TEST(HttpSinks, ARequestedCancelRefusesEveryFurtherBlock)
{
    nettest::ScratchDir dir;
    TaskThread cancel;  // never started, as in the downloader
    utility::CHttpDownload2FileSink file(dir.path(L"f.bin"), cancel, nullptr, 0);
    utility::CHttpDownload2MemSink memory(cancel);
    ASSERT_TRUE(file.onHttpRecvHeader(6, 200));
    ASSERT_TRUE(memory.onHttpRecvHeader(6, 200));
    EXPECT_TRUE(file.onHttpRecvData("abc", 3));
    EXPECT_TRUE(memory.onHttpRecvData("abc", 3));

    cancel.requestStop();
    EXPECT_FALSE(file.onHttpRecvData("def", 3));
    EXPECT_FALSE(memory.onHttpRecvData("def", 3));
    file.closeFile();

    std::string written;
    ASSERT_TRUE(nettest::readFile(dir.path(L"f.bin"), written));
    EXPECT_EQ(written, "abc");
    EXPECT_EQ(memory.take(), "abc");
    EXPECT_EQ(file.errorKind(), utility::kHttpErrorNone) << "a cancel is no transfer error";
}

TEST(HttpSinks, AProgressReceiverThatSaysNoKeepsTheBlockOutOfTheFile)
{
    nettest::ScratchDir dir;
    TaskThread cancel;
    Veto veto;
    utility::CHttpDownload2FileSink file(dir.path(L"f.bin"), cancel, &veto, 0);
    ASSERT_TRUE(file.onHttpRecvHeader(3, 200));
    EXPECT_FALSE(file.onHttpRecvData("abc", 3));
    file.closeFile();
    std::string written;
    ASSERT_TRUE(nettest::readFile(dir.path(L"f.bin"), written));
    EXPECT_EQ(written, "");
}

TEST(HttpSinks, TheFirstRecordedFailureIsTheOneKept)
{
    nettest::ScratchDir dir;
    TaskThread cancel;
    utility::CHttpDownload2FileSink file(dir.path(L"f.bin"), cancel, nullptr, 0);
    file.onHttpError(6, 12038);
    EXPECT_FALSE(file.onHttpRecvHeader(-1, 404));
    EXPECT_EQ(file.errorKind(), 6);
    EXPECT_EQ(file.errorCode(), 12038);
}

}  // namespace
