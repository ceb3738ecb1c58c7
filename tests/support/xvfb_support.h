/*
 * xvfb_support.h - suites that need an X server: a private Xvfb, started once by the
 * test program on a display number it picks itself.
 *
 * Including this header registers the server; tests begin with
 * REQUIRE_XVFB() and are skipped when Xvfb is not installed. Death-test
 * children (run "threadsafe", so they do not share the parent's X
 * connection) inherit its DISPLAY.
 */
#ifndef MW_TESTS_SUPPORT_XVFB_SUPPORT_H
#define MW_TESTS_SUPPORT_XVFB_SUPPORT_H

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace mwtest {

// Starts Xvfb once, in the test program's first process; death-test
// children inherit its DISPLAY.
class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe"); // children must not share our X connection
        if (std::getenv("MARROW_TEST_XVFB"))
            return;
        unsetenv("MARROW_HEADLESS");
        int fds[2];
        if (pipe(fds) != 0)
            return;
        server_ = fork();
        if (server_ == 0) {
            close(fds[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            const std::string fd = std::to_string(fds[1]);
            // -noreset: the server would otherwise reset whenever its last
            // client leaves, and a program connecting in that moment fails.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the display number it took once it accepts clients.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c;
        while (poll(&ready, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) {
            stop();
            return;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("MARROW_TEST_XVFB", "1", 1);
    }

    void TearDown() override { stop(); }

private:
    void stop()
    {
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
            server_ = 0;
        }
    }

    pid_t server_ = 0;
};

[[maybe_unused]] inline ::testing::Environment *const xvfb =
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

#define REQUIRE_XVFB()                                                                                       \
    if (!std::getenv("MARROW_TEST_XVFB"))                                                                    \
    GTEST_SKIP() << "Xvfb is not installed"

// Polls until the condition holds, for at most ten seconds.
inline bool eventually(const std::function<bool()> &condition)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace mwtest

#endif
