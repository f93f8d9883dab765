#pragma once

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

// The code under measure logs as it works; the figures should not measure a
// terminal. Standard error goes to /dev/null for the object's lifetime.
class QuietStderr
{
public:
    QuietStderr()
    {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;

private:
    int saved_ = -1;
};
