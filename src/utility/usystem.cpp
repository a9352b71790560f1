#include "utility/usystem.h"

#include <windows.h>

namespace utility::usystem {

bool isVistaOrLater()
{
    // GetVersionEx is deprecated but is what reports the manifest-declared version, which is the
    // question here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        OSVERSIONINFOW basic{};
        basic.dwOSVersionInfoSize = sizeof(basic);
        if (!GetVersionExW(&basic)) {
            return false;
        }
        return basic.dwMajorVersion > 5;
    }
#pragma GCC diagnostic pop
    return info.dwMajorVersion > 5;
}

bool is64BitSystem()
{
    using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    SYSTEM_INFO info{};
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    const auto native = kernel != nullptr
                            ? reinterpret_cast<GetNativeSystemInfoFn>(
                                  reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")))
                            : nullptr;
    if (native != nullptr) {
        native(&info);
    } else {
        GetSystemInfo(&info);
    }
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

}  // namespace utility::usystem
