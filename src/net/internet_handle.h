#pragma once
// RAII owner of a WinINet handle (session, connection or request). Closing a parent also ends
// its children; closing a child afterwards is harmless.

#include "utility/scoped_handle.h"

#include <windows.h>
#include <wininet.h>

namespace utility {

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { ::InternetCloseHandle(handle); }
};

using ScopedInternetHandle = ScopedHandle<InternetHandleTraits>;

}  // namespace utility
