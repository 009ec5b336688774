// The final key wait under a real terminal: the program must block until a key arrives, and the
// line end typed after the last answer must not end the wait.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>

#include "tests/test_support.h"

namespace {

// Reads what the terminal shows for up to `ms` milliseconds, or until `until` appears.
bool read_until(int fd, std::string& seen, const std::string& until, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!until.empty() && seen.find(until) != std::string::npos) return true;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buf[4096];
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            seen.append(buf, static_cast<std::size_t>(n));
        }
    }
    return !until.empty() && seen.find(until) != std::string::npos;
}

}  // namespace

TEST(KeyWait, ProgramWaitsForOneKeyOnItsTerminal) {
    TempDir dir;
    write_file(dir / "images/S/n.raw", std::string(9, '\xff'));
    write_file(dir / "images/S/n.txt", "3 3 1 0 255 1");
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::alarm(60);
        if (::chdir(dir.path.c_str()) != 0) ::_exit(127);
        ::execl(BRANCHRANKER_EXE, BRANCHRANKER_EXE, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    ASSERT_TRUE(read_until(master, seen, "C:\\images? ", 10000));
    // No pass (last order 0): the only wait is the final one.
    const std::string answers = "S n 0 0 0 0 0 1\n";
    ASSERT_EQ(::write(master, answers.data(), answers.size()),
              static_cast<ssize_t>(answers.size()));
    ASSERT_TRUE(read_until(master, seen, "1 ====> no\r\n\t\t", 10000)) << seen;
    read_until(master, seen, "", 500);

    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "ended without a key";

    const std::size_t before_key = seen.size();
    ASSERT_EQ(::write(master, "k", 1), 1);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    pid_t done = 0;
    while (done == 0 && std::chrono::steady_clock::now() < deadline) {
        read_until(master, seen, "", 20);
        done = ::waitpid(pid, &status, WNOHANG);
    }
    if (done == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the key did not end the wait";
    }
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(seen.find('k', before_key), std::string::npos) << "the key was echoed";
    ::close(master);
}
