#pragma once
// The offline installer's silent command line:
//   -silence -downloader -openid=<id> [-language=<code>] -path="<folder>" [-googleid=<id>]
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct InstallerArguments {
    bool silence = false;
    bool downloader = false;
    std::optional<std::wstring> openid;
    std::optional<std::wstring> language;
    std::optional<std::wstring> path;
    std::optional<std::wstring> googleid;
    // Tokens that are none of the above, unquoted, in order.
    std::vector<std::wstring> unknown;
};

// Reads the text after the program's own token. Double quotes group and are dropped; a backslash
// never escapes anything, because the folder is passed as "-path=" + '"' + folder + '"' and a
// folder normally ends with a backslash (which the usual argv rules would read as an escaped
// quote, swallowing the rest of the line). A repeated name keeps its last value.
InstallerArguments parseInstallerArguments(const std::wstring& arguments);

}  // namespace standin
