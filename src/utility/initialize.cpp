#include "utility/initialize.h"

#include "common/log.h"
#include "utility/main_thread.h"

namespace utility {

void initialize()
{
    common::setLineSink(&common::logToFile);
    MainThreadDispatcher::create();
}

}  // namespace utility
