// Test flavour only, never linked into the shipped program: every host role is a path prefix on
// the local stand-in server, whose HTTPS port is read from "standin-ports.json" beside the program
// (written by the stand-in when it starts).
#include "model/endpoints.h"

#include "utility/file.h"
#include "utility/ufile.h"

#include <mutex>
#include <string>

namespace {

constexpr uint32_t kPortsFileLimit = 4096;

std::wstring readHttpsPort()
{
    utility::ufile::File file;
    if (!file.openRead(utility::ufile::getModuleDir() + L"standin-ports.json") ||
        file.size() > kPortsFileLimit) {
        return L"0";
    }
    std::string text(static_cast<size_t>(file.size()), '\0');
    text.resize(file.read(text.data(), static_cast<uint32_t>(text.size())));
    const std::string key = "\"https\":";
    size_t at = text.find(key);
    if (at == std::string::npos) {
        return L"0";
    }
    at += key.size();
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    std::wstring port;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && port.size() < 5) {
        port.push_back(static_cast<wchar_t>(text[at++]));
    }
    return port.empty() ? L"0" : port;
}

const std::wstring& standInBase()
{
    static std::once_flag once;
    static std::wstring base;
    std::call_once(once, [] { base = L"https://localhost:" + readHttpsPort(); });
    return base;
}

}  // namespace

std::wstring hostBase(HostRole role, const std::wstring& language)
{
    switch (role) {
    case HostRole::cdn:
        return standInBase() + L"/cdn";
    case HostRole::resource:
        return standInBase() + L"/res";
    case HostRole::chineseResource:
        return standInBase() + L"/res-cn";
    case HostRole::api:
        return standInBase() + L"/api-" + language;
    case HostRole::collection:
        return standInBase() + L"/collect";
    case HostRole::analytics:
        return standInBase() + L"/ga";
    }
    return {};
}
