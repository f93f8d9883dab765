#pragma once

#include <QString>

// Collects what the process writes to standard error (and so every log line)
// from construction until finish(); the previous standard error comes back
// then, or at destruction.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Restores standard error and answers what was written meanwhile.
    QString finish();

private:
    int savedFd_ = -1;
    int captureFd_ = -1;
    QString text_;
};
