#pragma once

#include <windows.h>

#include <string>

// Creates a named mutex with default security. With `failIfExists`, a mutex that already existed
// is closed again and null is returned, which is how the single-instance test asks "am I first?".
// The caller owns the returned handle.
[[nodiscard]] HANDLE createNamedMutex(const std::wstring& name, bool initiallyOwned, bool failIfExists);
