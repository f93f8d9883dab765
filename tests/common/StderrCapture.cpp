#include "StderrCapture.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

StderrCapture::StderrCapture()
{
    char name[] = "/tmp/ovra-stderr-XXXXXX";
    captureFd_ = mkstemp(name);
    if (captureFd_ < 0) {
        return;
    }
    unlink(name);
    std::fflush(stderr);
    savedFd_ = dup(STDERR_FILENO);
    dup2(captureFd_, STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    finish();
}

QString StderrCapture::finish()
{
    if (captureFd_ < 0) {
        return text_;
    }
    std::fflush(stderr);
    dup2(savedFd_, STDERR_FILENO);
    close(savedFd_);
    QByteArray bytes;
    lseek(captureFd_, 0, SEEK_SET);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(captureFd_, buffer, sizeof(buffer))) > 0) {
        bytes.append(buffer, n);
    }
    close(captureFd_);
    captureFd_ = -1;
    savedFd_ = -1;
    text_ = QString::fromUtf8(bytes);
    return text_;
}
