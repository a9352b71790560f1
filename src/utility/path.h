#pragma once
// Path arithmetic on texts, without touching the disk: both separators are understood, because
// paths come from the registry, the servers and the program's own name alike.

#include <string>
#include <string_view>

namespace utility::ufile {

// The part after the last "\" (or, when there is none, after the last "/"); empty without any
// separator. Without `keepExtension` the text from the last "." of that part on is dropped.
[[nodiscard]] std::wstring getFileName(std::wstring_view path, bool keepExtension);

// The folder of `path` with its trailing separator: one trailing separator of `path` is ignored
// first. Empty for texts of at most one character and for texts without a separator.
[[nodiscard]] std::wstring getParentDir(std::wstring_view path);

}  // namespace utility::ufile
