#pragma once

namespace utility {

// Window thread, once, before the log is opened: installs the log's file sink and creates the
// window thread's task dispatcher.
void initialize();

}  // namespace utility
