#pragma once

// For the helper programs of the kill tests: the process kills itself, with SIGKILL as a
// crash or a power cut would end it, the Nth time it makes a write durable. Every such
// write goes through spartiti::syncFile, so a test that raises N from 1 until the helper
// ends normally has killed it at every one of those moments, in the same order each run.

#include "atomicfile.h"

#include <csignal>
#include <unistd.h>

namespace killpoint {

inline int &syncsLeft()
{
    static int left = 0;
    return left;
}

inline void killAtSync(int n)
{
    syncsLeft() = n;
    spartiti::syncFile = [](int fd) {
        if (--syncsLeft() == 0)
            ::raise(SIGKILL);
        return ::fsync(fd);
    };
}

} // namespace killpoint
