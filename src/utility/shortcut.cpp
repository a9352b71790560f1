#include "utility/shortcut.h"

#include "common/log.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace helper::disk {
namespace {

// Initialises COM for this thread unless it already is, and undoes only what it did.
class ComScope {
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;  // RPC_E_CHANGED_MODE: already in another apartment, which works too
};

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (m_pointer != nullptr) {
            m_pointer->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return m_pointer; }
    T** out() { return &m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

private:
    T* m_pointer = nullptr;
};

void logStep(int line, const wchar_t* text)
{
    common::writeLog("helper::disk::createShortcut", line, text);
}

}  // namespace

void createShortcut(const std::wstring& name, const std::wstring& iconFile,
                    const std::wstring& workingFolder, const std::wstring& targetFile,
                    const std::wstring& arguments)
{
    ComScope com;

    LPITEMIDLIST desktop = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &desktop))) {
        logStep(__LINE__, L"install 1 of create shortcut failed!");
        return;
    }
    wchar_t desktopPath[MAX_PATH] = {};
    const BOOL havePath = SHGetPathFromIDListW(desktop, desktopPath);
    CoTaskMemFree(desktop);
    if (!havePath) {
        logStep(__LINE__, L"install 2 of create shortcut failed!");
        return;
    }
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.out())))) {
        logStep(__LINE__, L"install 3 of create shortcut failed!");
        return;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out())))) {
        logStep(__LINE__, L"install 4 of create shortcut failed!");
        return;
    }
    link->SetWorkingDirectory(workingFolder.c_str());
    link->SetPath(targetFile.c_str());
    if (!arguments.empty()) {
        link->SetArguments(arguments.c_str());
    }
    link->SetIconLocation(iconFile.c_str(), 0);
    const std::wstring linkPath = std::wstring(desktopPath) + L"\\" + name + L".lnk";
    file->Save(linkPath.c_str(), TRUE);
}

}  // namespace helper::disk
