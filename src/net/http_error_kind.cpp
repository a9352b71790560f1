#include "net/http_error_kind.h"

namespace utility {
namespace {

// WinINet's codes, spelled out so this file needs no Windows header.
constexpr uint32_t kErrorNameNotResolved = 12007;  // ERROR_INTERNET_NAME_NOT_RESOLVED
constexpr uint32_t kErrorCannotConnect = 12029;    // ERROR_INTERNET_CANNOT_CONNECT

}  // namespace

int sendFailureKind(uint32_t lastError)
{
    if (lastError == kErrorNameNotResolved || lastError == kErrorCannotConnect) {
        return kHttpErrorConnect;
    }
    return kHttpErrorSend;
}

}  // namespace utility
