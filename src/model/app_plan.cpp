#include "model/app_plan.h"

#include <array>

namespace {

constexpr wchar_t kForbidden[] = L"<>:\"/\\|?*";

constexpr std::array<const wchar_t*, 22> kDeviceNames = {
    L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4", L"COM5", L"COM6", L"COM7",
    L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

bool isDeviceName(const std::wstring& name)
{
    // "NUL.txt" is the device too: only the part before the first dot counts.
    std::wstring stem = name.substr(0, name.find(L'.'));
    for (wchar_t& c : stem) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    for (const wchar_t* device : kDeviceNames) {
        if (stem == device) {
            return true;
        }
    }
    return false;
}

std::wstring appArguments(const AppRecord& app, const std::wstring& tail)
{
    return L"apk=" + app.extra + L"|show=true|package=" + app.packageName + tail;
}

}  // namespace

AppDecision decideFirstApp(const AppRecord& first)
{
    AppDecision decision;
    if (first.fromAppStore) {
        const std::wstring description = first.downloadUrl + L";S.package=" + first.packageName + L";S.appname=" +
                                         first.gameName + L";S.appicon=" + first.gameSltUrl + L";S.appsize=96";
        decision.handling = AppHandling::emulatorFetches;
        decision.emulatorArguments = appArguments(first, L"|downloadapkurl=" + description);
    } else if (!first.gameId.empty()) {
        decision.handling = AppHandling::emulatorFetches;
        decision.emulatorArguments = appArguments(first, L"|downloadgameid=" + first.gameId);
    } else if (first.packageName.empty() || !first.downloadUrl.empty()) {
        decision.handling = AppHandling::downloadHere;
    } else {
        decision.handling = AppHandling::emulatorFetches;
        decision.emulatorArguments = appArguments(first, L"|downloadpackage=" + first.packageName);
    }
    return decision;
}

std::wstring safeFileName(const std::wstring& name)
{
    std::wstring safe;
    safe.reserve(name.size());
    for (wchar_t c : name) {
        const bool control = c < 0x20;
        const bool forbidden = std::wstring_view(kForbidden).find(c) != std::wstring_view::npos;
        safe.push_back(control || forbidden ? L'_' : c);
    }
    for (size_t at = safe.find(L".."); at != std::wstring::npos; at = safe.find(L"..", at)) {
        safe.replace(at, 2, L"__");
    }
    while (!safe.empty() && (safe.back() == L'.' || safe.back() == L' ')) {
        safe.pop_back();
    }
    if (safe.empty()) {
        return L"app";
    }
    if (isDeviceName(safe)) {
        safe.insert(safe.begin(), L'_');
    }
    return safe;
}

AppFiles appFilesFor(const std::wstring& folder, const AppRecord& record)
{
    AppFiles files;
    files.package = folder + L"\\" + safeFileName(record.gameName) + (record.isXapk ? L".xapk" : L".apk");
    files.obb = folder + L"\\" + safeFileName(record.packageName) + L".obb";
    files.icon = folder + L"\\" + safeFileName(record.packageName) + L".ico";
    return files;
}
