#include "utility/initialize.h"

#include "common/log.h"

namespace utility {

void initialize()
{
    common::setLineSink(&common::logToFile);
}

}  // namespace utility
