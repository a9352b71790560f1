#include "utility/window_ipc.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

constexpr wchar_t kClass[] = L"{corvane-ipc-test-5d1e}";
constexpr UINT kSentinel = WM_USER + 77;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class RecordingReceiver : public utility::IWindowIPCHandle {
public:
    int onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        received.push_back({message, wParam, lParam});
        return 0;
    }
    bool sawSentinel() const
    {
        for (const Received& r : received) {
            if (r.message == kSentinel) {
                return true;
            }
        }
        return false;
    }
    std::vector<Received> received;
};

// Pumps this thread's messages until the sentinel has been handled (posted last, so everything
// posted before it has been dispatched too).
void pumpUntilSentinel(const RecordingReceiver& receiver)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG message{};
    while (!receiver.sawSentinel() && std::chrono::steady_clock::now() < deadline) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    }
}

TEST(WindowIPC, HandsMessagesAboveWmUserAndCopyDataToTheReceiver)
{
    RecordingReceiver receiver;
    utility::WindowIPC server;
    ASSERT_TRUE(server.create(kClass, &receiver));

    utility::WindowIPC client;
    ASSERT_TRUE(client.open(kClass));
    EXPECT_EQ(client.window(), server.window());
    EXPECT_TRUE(client.post(WM_USER, 1, 2));
    EXPECT_TRUE(client.post(WM_USER + 1, 3, 4));
    EXPECT_TRUE(client.post(11124, 5, 0));
    COPYDATASTRUCT data{};
    data.dwData = 9;
    SendMessageW(client.window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_TRUE(client.post(kSentinel, 0, 0));
    pumpUntilSentinel(receiver);

    ASSERT_EQ(receiver.received.size(), 4u);
    EXPECT_EQ(receiver.received[0].message, static_cast<UINT>(WM_COPYDATA))
        << "sent messages arrive before posted ones";
    EXPECT_EQ(receiver.received[1].message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(receiver.received[1].wParam, 3u);
    EXPECT_EQ(receiver.received[1].lParam, 4);
    EXPECT_EQ(receiver.received[2].message, 11124u);
    EXPECT_EQ(receiver.received[2].wParam, 5u);
    EXPECT_EQ(receiver.received[3].message, kSentinel);
}

TEST(WindowIPC, OpenMatchesAnyTitleWhenTheNameIsEmptyAndTheExactTitleOtherwise)
{
    RecordingReceiver receiver;
    utility::WindowIPC server;
    ASSERT_TRUE(server.create(kClass, &receiver));

    utility::WindowIPC anyTitle;
    EXPECT_TRUE(anyTitle.open(kClass, L""));
    utility::WindowIPC wrongTitle;
    EXPECT_FALSE(wrongTitle.open(kClass, L"not the title"));
    EXPECT_FALSE(wrongTitle.post(WM_USER + 1, 0, 0)) << "nothing found, nothing posted";
    utility::WindowIPC unknownClass;
    EXPECT_FALSE(unknownClass.open(L"{no-such-class-for-corvane}"));
}

TEST(WindowIPC, AClosedReceiverWindowIsNotReachedAnyMore)
{
    RecordingReceiver receiver;
    {
        utility::WindowIPC server;
        ASSERT_TRUE(server.create(kClass, &receiver));
    }
    utility::WindowIPC client;
    EXPECT_FALSE(client.open(kClass));
}

}  // namespace
