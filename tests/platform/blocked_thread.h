// Lets a test wait until another thread really sleeps in a blocking call, instead of guessing
// with a fixed sleep: Linux shows the thread's state in /proc.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace corvane::test {

inline pid_t currentThreadId() {
    return ::gettid();
}

// True once thread `tid` of this process is asleep (state 'S'), false after `timeout`.
inline bool waitUntilSleeping(pid_t tid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // The state follows the command name, which ends with the last ')'.
        const auto close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S') {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace corvane::test
