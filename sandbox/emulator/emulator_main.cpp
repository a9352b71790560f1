// Stand-in of the emulator program "redovedu.exe": records the argument text it was started with
// and its "|"-separated name=value pairs, then ends, or first stays alive as long as
// "standin-emulator.json" beside it asks, so that closing running emulators can be observed.
// See README.md.
#include "standin_support.h"

#include <windows.h>

#include <string>

namespace {

// "downloadpackage=a|package=a" -> {"downloadpackage": "a", "package": "a"}. A value may itself
// hold "=" (the download description of an app-store record does), so only the first one splits;
// a piece without "=" is recorded with a null value.
rapidjson::Value parsePairs(const std::wstring& arguments, rapidjson::Document::AllocatorType& allocator)
{
    rapidjson::Value pairs(rapidjson::kObjectType);
    if (arguments.empty()) {
        return pairs;
    }
    size_t start = 0;
    for (;;) {
        const size_t bar = arguments.find(L'|', start);
        const std::wstring piece = arguments.substr(start, bar == std::wstring::npos ? bar : bar - start);
        const size_t equals = piece.find(L'=');
        rapidjson::Value value;
        if (equals != std::wstring::npos) {
            value = standin::jsonText(piece.substr(equals + 1), allocator);
        }
        pairs.AddMember(standin::jsonText(piece.substr(0, equals), allocator), value, allocator);
        if (bar == std::wstring::npos) {
            return pairs;
        }
        start = bar + 1;
    }
}

int run()
{
    standin::Record record("emulator");
    standin::Control control(standin::moduleDir() + L"standin-emulator.json",
                             {"stayAliveMs", "exitCode", "record"});
    const std::wstring recordFile = standin::recordPath(control);
    const std::wstring arguments = standin::argumentsAfterProgram(GetCommandLineW());
    record.setText("arguments", arguments);
    rapidjson::Value params = parsePairs(arguments, record.allocator());
    record.setValue("params", params);

    const int stayAliveMs = control.integer("stayAliveMs", 0);
    const int exitCode = control.integer("exitCode", 0);
    if (!control.error().empty()) {
        record.setText("controlError", control.error().c_str());
        record.setNumber("exitCode", standin::kControlErrorExitCode);
        (void)record.appendTo(recordFile);
        return standin::kControlErrorExitCode;
    }
    record.setNumber("stayAliveMs", stayAliveMs);
    record.setNumber("exitCode", exitCode);
    // Recorded first: a test closes a long-lived emulator and still wants to see how it started.
    (void)record.appendTo(recordFile);
    if (stayAliveMs != 0) {
        Sleep(stayAliveMs < 0 ? INFINITE : static_cast<DWORD>(stayAliveMs));
    }
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return run();
}
