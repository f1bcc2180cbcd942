// corvane-receiver the program: SIGINT and SIGTERM stop a run, which still prints its report,
// marked as stopped, and exits with 128 + the signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fake_station.h"

extern char** environ;

namespace corvane::sim {
namespace {

TEST(ReceiverProgram, ASignalStopsTheRunWithItsReport) {
    struct Case {
        int signal;
        int exit;
        const char* summary;
    };
    for (const Case& c : {Case{SIGINT, 130, "STOPPED by SIGINT: sent "},
                          Case{SIGTERM, 143, "STOPPED by SIGTERM: sent "}}) {
        test::FakeStation station(Protocol::SurGard,
                                  [](const std::string&, int) { return std::string("\x06"); });
        const std::string out =
            testing::TempDir() + "receiver_program_" + std::to_string(::getpid()) + ".out";
        std::vector<std::string> args = {CORVANE_RECEIVER_PROGRAM,
                                         "--connect",
                                         std::to_string(station.port()),
                                         "--count",
                                         "100000000",
                                         "--quiet"};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // Under way once the station has seen messages.
        for (int i = 0; i < 2000 && station.messagesSeen() < 100; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_GE(station.messagesSeen(), 100);
        kill(pid, c.signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exit);
        std::stringstream report;
        report << std::ifstream(out).rdbuf();
        EXPECT_EQ(report.str().rfind(c.summary, 0), 0U) << report.str();
        ::unlink(out.c_str());
    }
}

}  // namespace
}  // namespace corvane::sim
