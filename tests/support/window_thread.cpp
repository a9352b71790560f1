#include "window_thread.h"

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    MSG message{};
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration)
{
    const auto end = std::chrono::steady_clock::now() + duration;
    pumpUntil([end] { return std::chrono::steady_clock::now() >= end; }, duration + std::chrono::seconds(1));
}

void removeTree(const std::wstring& folder)
{
    std::wstring from = folder;
    while (!from.empty() && (from.back() == L'\\' || from.back() == L'/')) {
        from.pop_back();
    }
    from.append(2, L'\0');  // the shell wants a double-terminated list
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

std::string readFileBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
