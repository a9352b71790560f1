#include "log_capture.h"

#include "common/log.h"
#include "common/utf8.h"

namespace testsupport {
namespace {

std::mutex g_lock;
std::vector<LoggedLine> g_lines;

void captureLine(const char* function, int line, const wchar_t* text)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_lines.push_back({function != nullptr ? function : "", line, text != nullptr ? text : L""});
}

}  // namespace

LogCapture::LogCapture()
{
    clear();
    common::setLineSink(&captureLine);
}

LogCapture::~LogCapture()
{
    common::setLineSink(nullptr);
    clear();
}

std::vector<LoggedLine> LogCapture::lines() const
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_lines;
}

bool LogCapture::contains(const std::string& function, const std::wstring& text) const
{
    for (const LoggedLine& line : lines()) {
        if ((function.empty() || line.function == function) && line.text == text) {
            return true;
        }
    }
    return false;
}

std::string LogCapture::dump() const
{
    std::string text;
    for (const LoggedLine& line : lines()) {
        text += line.function + " (" + std::to_string(line.line) + "): " + common::toUtf8(line.text) + "\n";
    }
    return text;
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_lines.clear();
}

}  // namespace testsupport
