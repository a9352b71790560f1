#pragma once
// Captures what the code under test logs, in place of the log file. One capture at a time.

#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

struct LoggedLine {
    std::string function;
    int line = 0;
    std::wstring text;
};

class LogCapture {
public:
    LogCapture();
    ~LogCapture();

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    [[nodiscard]] std::vector<LoggedLine> lines() const;
    // Lines logged under `function` (all functions when empty) with exactly this text.
    [[nodiscard]] bool contains(const std::string& function, const std::wstring& text) const;
    [[nodiscard]] bool empty() const { return lines().empty(); }
    // Every line as "function (line): text", one per line, in UTF-8: for a failure message.
    [[nodiscard]] std::string dump() const;
    void clear();
};

}  // namespace testsupport
