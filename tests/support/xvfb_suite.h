// A test suite whose tests share one private X server, started once for the
// suite; each test asserts it is there (the reason it is not, otherwise).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/xvfb.h"

namespace testing_support {

class XvfbSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xvfb_ = new Xvfb();
        if (!xvfb_->Start(&xvfbError_)) {
            delete xvfb_;
            xvfb_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete xvfb_;
        xvfb_ = nullptr;
    }

    static inline Xvfb* xvfb_ = nullptr;
    static inline std::string xvfbError_;
};

}  // namespace testing_support
