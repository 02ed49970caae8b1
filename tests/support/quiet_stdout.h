// Sends standard output to /dev/null while it lives: the frames print one
// console line each, which long runs in tests and benchmarks do not want.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace testing_support {

class QuietStdout {
public:
    QuietStdout() {
        fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
    }
    ~QuietStdout() {
        fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

}  // namespace testing_support
