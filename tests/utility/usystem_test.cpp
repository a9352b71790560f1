#include "utility/usystem.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(USystem, AnswersAsTheSystemReportsItself)
{
    // The test prefix reports Windows 10 on x64, like the machines the installer targets.
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    EXPECT_EQ(utility::usystem::is64BitSystem(), info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_TRUE(utility::usystem::is64BitSystem());
    EXPECT_TRUE(utility::usystem::isVistaOrLater());
}

}  // namespace
