#pragma once
// Running the emulator's programs: closing running emulators, the silent offline installer, and
// starting the emulator as the desktop's user rather than with the installer's rights.

#include <windows.h>

#include <string>

// Closes every running emulator process (by exact executable name) with "taskkill", 2 s each.
void closeEmulatorProcesses();

enum class InstallerRun { finished, couldNotStart, timedOut, waitFailed, other };

// Runs `"<packageFile>" <parameters>` in a new console, shown, and waits at most `timeoutMs`. A
// process that outlives the time-out is left running.
[[nodiscard]] InstallerRun runSilentInstaller(const std::wstring& packageFile, const std::wstring& parameters,
                                              DWORD timeoutMs);

// The desktop shell's token as a primary token, or null; the caller closes it.
[[nodiscard]] HANDLE getShellToken();

// Starts `"<program>" <arguments>` with the shell's token: 0 on success, -1 otherwise.
[[nodiscard]] int runWithShellToken(const std::wstring& program, const std::wstring& arguments);

// Whether the system is Windows 8 (6.2) or later, as the kernel reports it: manifests that
// declare newer systems change what GetVersionEx says, not what this answers.
[[nodiscard]] bool isWindows8OrLater();
