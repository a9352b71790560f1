#pragma once

namespace utility {

// Window thread, once, before the log is opened: installs the log's file sink.
void initialize();

}  // namespace utility
