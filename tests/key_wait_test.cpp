// The final key wait under a real terminal: the program must block until a key arrives, and the
// line end typed after the last answer must not end the wait.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
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

// Starts the program on a new terminal and answers its dialogue (last order 0: no pass), so that
// it stands at its final key wait. Returns its process id, or -1.
pid_t start_at_final_wait(const TempDir& dir, int& master, std::string& seen) {
    write_file(dir / "images/S/n.raw", std::string(9, '\xff'));
    write_file(dir / "images/S/n.txt", "3 3 1 0 255 1");
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) return -1;
    if (pid == 0) {
        ::alarm(60);
        if (::chdir(dir.path.c_str()) != 0) ::_exit(127);
        ::execl(BRANCHRANKER_EXE, BRANCHRANKER_EXE, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::string answers = "S n 0 0 0 0 0 1\n";
    if (!read_until(master, seen, "C:\\images? ", 10000) ||
        ::write(master, answers.data(), answers.size()) != static_cast<ssize_t>(answers.size()) ||
        !read_until(master, seen, "1 ====> no\r\n\t\t", 10000)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    read_until(master, seen, "", 500);
    return pid;
}

// Waits up to ten seconds for the program to end, reading its terminal meanwhile.
bool ended(pid_t pid, int master, std::string& seen, int& status) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        read_until(master, seen, "", 20);
        if (::waitpid(pid, &status, WNOHANG) == pid) return true;
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return false;
}

}  // namespace

TEST(KeyWait, ProgramWaitsForOneKeyOnItsTerminal) {
    TempDir dir;
    int master = -1;
    std::string seen;
    pid_t pid = start_at_final_wait(dir, master, seen);
    ASSERT_GT(pid, 0) << seen;

    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "ended without a key";

    const std::size_t before_key = seen.size();
    ASSERT_EQ(::write(master, "k", 1), 1);
    ASSERT_TRUE(ended(pid, master, seen, status)) << "the key did not end the wait";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(seen.find('k', before_key), std::string::npos) << "the key was echoed";
    ::close(master);
}

TEST(KeyWait, InterruptKeyRestoresTheTerminalBeforeStopping) {
    TempDir dir;
    int master = -1;
    std::string seen;
    pid_t pid = start_at_final_wait(dir, master, seen);
    ASSERT_GT(pid, 0) << seen;
    ASSERT_EQ(::write(master, "\x03", 1), 1);
    int status = 0;
    ASSERT_TRUE(ended(pid, master, seen, status));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    termios now{};
    ASSERT_EQ(::tcgetattr(master, &now), 0);
    EXPECT_TRUE(now.c_lflag & ICANON);
    EXPECT_TRUE(now.c_lflag & ECHO);
    ::close(master);
}
