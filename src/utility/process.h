#pragma once
// Starting other programs: through the shell (so the system may ask for elevation), or directly,
// optionally waiting and judging the program by its exit code. Stateless; any thread, but
// execute() blocks for up to its time-out, so it belongs on worker threads.

#include <windows.h>

#include <string>

namespace utility::process {

// Does not wait and returns no handle. `runas` asks for elevation (on Vista and later); `show`
// selects SW_SHOW or SW_HIDE.
[[nodiscard]] bool shell(const std::wstring& program, const std::wstring& parameters, bool runas,
                         bool show);

// Command line: "program" plus, when there are parameters, one space and the parameters. Returns
// the process handle (the caller closes it) or null.
[[nodiscard]] HANDLE create(const std::wstring& program, const std::wstring& parameters, bool show,
                            DWORD* processId = nullptr);

// Starts the program and waits at most `timeoutMs` (0: no wait, INFINITE: no limit). True when
// it ended with exit code 0, or at once for time-out 0. A program that outlives the time-out
// keeps running and the result is false.
[[nodiscard]] bool execute(const std::wstring& program, const std::wstring& parameters, bool show,
                           DWORD timeoutMs);

// The command line create() builds.
[[nodiscard]] std::wstring buildCommandLine(const std::wstring& program, const std::wstring& parameters);

}  // namespace utility::process
