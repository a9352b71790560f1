#pragma once

#include <functional>

namespace utility {

// Runs `work` on its own thread and returns at once. The work's future is parked in a
// process-wide list, so the caller never waits in the future's destructor; finished futures are
// dropped from the list by the next call. The list is never destroyed: work still running at
// exit must not hold the process open.
void runDetached(std::function<void()> work);

// Futures still parked (finished ones included until the next call). For tests.
[[nodiscard]] size_t detachedCount();

}  // namespace utility
