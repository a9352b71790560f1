#pragma once
// What failed in a WinINet transfer, as recorded by the file sink and handed to its callers
// (who report it as "<kind>_<code>"). The values are part of those reports.

#include <cstdint>

namespace utility {

enum HttpErrorKind : int {
    kHttpErrorOpen = 0,        // opening the Internet handle; code: last error
    kHttpErrorUrl = 1,         // splitting the URL; code: last error
    kHttpErrorConnect = 2,     // reaching the server; code: last error
    kHttpErrorSend = 6,        // opening or sending the request; code: last error
    kHttpErrorStatus = 7,      // reading the status code; code: last error
    kHttpErrorBadStatus = -1,  // a status outside 2xx; code: the status
    kHttpErrorFile = -2,       // opening or creating the target file; code: last error
    kHttpErrorNone = 9999,     // nothing recorded; code 0
};

// The kind for a request that could not be sent. WinINet opens the connection only when the
// request is sent, so a server that cannot be resolved or reached fails here; such errors are
// connect failures, everything else (certificates, time-outs, ...) a send failure.
[[nodiscard]] int sendFailureKind(uint32_t lastError);

}  // namespace utility
