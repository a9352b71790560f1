#pragma once
// The progress receiver of a WinINet file download (the model, the main window).

#include <cstdint>

namespace utility {

class IHttpDownloadSink {
public:
    // Called on the transfer thread for every block, before it is written. `received` includes
    // the bytes a resumed file already had; `total` is the announced length plus those bytes, or
    // an estimate (see FileProgress). False aborts the download without writing the block.
    virtual bool onHttpProgress(const char* bytes, uint32_t count, int64_t received, int64_t total) = 0;

protected:
    ~IHttpDownloadSink() = default;
};

}  // namespace utility
