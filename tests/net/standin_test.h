#pragma once
// A test against the live stand-in of the fixture: attached before each test, and the captured
// log printed when the test failed.

#include "log_capture.h"
#include "standin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace nettest {

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_server.attach(error)) << error;
    }
    void TearDown() override
    {
        if (HasFailure()) {
            std::printf("%s", m_log.dump().c_str());
        }
    }

    StandIn m_server;
    testsupport::LogCapture m_log;
};

}  // namespace nettest
