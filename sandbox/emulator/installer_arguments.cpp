#include "installer_arguments.h"

namespace standin {

namespace {

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// The next blank-separated token, quotes removed; false at the end of the text.
bool nextToken(const std::wstring& text, size_t& pos, std::wstring& token)
{
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    if (pos >= text.size()) {
        return false;
    }
    token.clear();
    bool quoted = false;
    for (; pos < text.size() && (quoted || !isBlank(text[pos])); ++pos) {
        if (text[pos] == L'"') {
            quoted = !quoted;
        } else {
            token += text[pos];
        }
    }
    return true;
}

}  // namespace

InstallerArguments parseInstallerArguments(const std::wstring& arguments)
{
    InstallerArguments result;
    size_t pos = 0;
    std::wstring token;
    while (nextToken(arguments, pos, token)) {
        const size_t equals = token.find(L'=');
        const std::wstring name = token.substr(0, equals);
        const bool hasValue = equals != std::wstring::npos;
        const std::wstring value = hasValue ? token.substr(equals + 1) : std::wstring();
        if (name == L"-silence" && !hasValue) {
            result.silence = true;
        } else if (name == L"-downloader" && !hasValue) {
            result.downloader = true;
        } else if (name == L"-openid" && hasValue) {
            result.openid = value;
        } else if (name == L"-language" && hasValue) {
            result.language = value;
        } else if (name == L"-path" && hasValue) {
            result.path = value;
        } else if (name == L"-googleid" && hasValue) {
            result.googleid = value;
        } else {
            result.unknown.push_back(token);
        }
    }
    return result;
}

}  // namespace standin
