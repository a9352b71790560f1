#pragma once
// Helpers for Windows tests whose own thread plays the window thread, and for their scratch
// folders.

#include <chrono>
#include <functional>
#include <string>

namespace testsupport {

// Dispatches this thread's messages (posted tasks, timers) until `done` or the limit; false when
// the limit passed first.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(120));
void pumpFor(std::chrono::milliseconds duration);

// Deletes a folder with everything in it; a missing folder is fine.
void removeTree(const std::wstring& folder);

// The whole file, or empty when it cannot be read.
std::string readFileBytes(const std::wstring& path);

}  // namespace testsupport
