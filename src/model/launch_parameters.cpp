#include "model/launch_parameters.h"

#include "utility/text.h"

#include <vector>

namespace {

constexpr wchar_t kDefaultOpenId[] = L"100";
constexpr size_t kMinimumPackageLength = 6;
constexpr size_t kMaximumLanguageLength = 3;

std::wstring joinPieces(const std::vector<std::wstring>& pieces, size_t from, size_t to)
{
    std::wstring joined;
    for (size_t i = from; i < to; ++i) {
        if (i > from) {
            joined += L"_";
        }
        joined += pieces[i];
    }
    return joined;
}

}  // namespace

FileNameParameters parseLaunchFileName(const std::wstring& name)
{
    FileNameParameters result;
    const std::vector<std::wstring> pieces = utility::split(name, L"_");
    const size_t n = pieces.size();
    if (n < 4) {
        return result;
    }
    result.recognised = true;
    result.typeWord = pieces[0];
    result.language = pieces[1];
    result.openid = pieces[2];
    // The last piece (index n - 1) is never read.
    if (n >= 5) {
        if (utility::isAllDigits(pieces[2])) {
            result.googleId = joinPieces(pieces, 3, n - 1);
        } else {
            result.package = pieces[2];
            result.openid = pieces[3];
            if (n >= 6) {
                result.googleId = joinPieces(pieces, 4, n - 1);
            }
        }
    }
    return result;
}

LaunchDecision decideLaunch(const FileNameParameters& parameters)
{
    LaunchDecision decision;
    decision.openid = kDefaultOpenId;
    if (!parameters.recognised) {
        return decision;
    }
    if (!parameters.openid.empty()) {
        decision.openid = parameters.openid;
    }
    const std::wstring& language = parameters.language;
    if (!language.empty() && language.size() <= kMaximumLanguageLength) {
        // "ens": English addresses and texts of the product, interface language of the system.
        if (language == L"ens") {
            decision.configLanguage = L"en";
        } else {
            decision.configLanguage = language;
            decision.shortCode = language;
        }
    }
    if (parameters.package.size() >= kMinimumPackageLength) {
        decision.packageName = parameters.package;
    }
    decision.googleId = parameters.googleId;

    std::wstring word = parameters.typeWord;
    utility::toLower(word);
    if (word == L"corvane4") {
        decision.type = EmulatorType::type4;
    } else if (word == L"corvane64") {
        decision.type = EmulatorType::type64;
    } else if (word == L"corvane3") {
        decision.type = EmulatorType::type3;
    } else if (word == L"corvane9") {
        decision.type = EmulatorType::type9;
    }
    return decision;
}

std::wstring adIdForOpenId(const std::wstring& openid, const std::wstring& defaultAdId)
{
    long long value = 0;
    for (wchar_t c : openid) {
        if (c < L'0' || c > L'9' || value > 100000) {
            break;  // only the leading digits count, and anything this large is out of range anyway
        }
        value = value * 10 + (c - L'0');
    }
    return value >= 2001 && value <= 2999 ? std::wstring(L"Corvane Installer_200") : defaultAdId;
}

std::optional<CommandLineApp> parseLaunchCommandLine(const std::wstring& commandLine)
{
    std::wstring text = commandLine;
    if (text.size() > 5) {
        if (text.front() == L'"') {
            text.erase(0, 1);
        }
        if (!text.empty() && text.back() == L'"') {
            text.pop_back();
        }
    }
    const std::vector<std::wstring> pieces = utility::split(text, L"|");
    if (pieces.empty()) {
        return std::nullopt;
    }
    const utility::KeyValues table = utility::parseKeyValues(pieces, L"=");
    if (table.empty()) {
        return std::nullopt;
    }
    CommandLineApp app;
    (void)utility::findValue(table, L"name", app.name);
    (void)utility::findValue(table, L"package", app.package);
    (void)utility::findValue(table, L"apkurl", app.apkUrl);
    return app;
}
