#include "bench/spawner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

bool write_all(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool read_all(int fd, void* data, std::size_t n) {
    char* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t r = ::read(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

bool send_string(int fd, const std::string& s) {
    const std::uint32_t n = static_cast<std::uint32_t>(s.size());
    return write_all(fd, &n, sizeof n) && write_all(fd, s.data(), s.size());
}

bool receive_string(int fd, std::string& s) {
    std::uint32_t n = 0;
    if (!read_all(fd, &n, sizeof n)) return false;
    s.assign(n, '\0');
    return read_all(fd, s.data(), n);
}

SpawnResult run_one(const std::string& program, const std::string& dir,
                    const std::string& stdin_path, const std::string& stdout_path,
                    const std::vector<std::string>& args) {
    SpawnResult result;
    // Made before the fork: the child only execs.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) return result;
    if (pid == 0) {
        ::setsid();  // no controlling terminal: the key waits of the program return at once
        const int in = ::open(stdin_path.c_str(), O_RDONLY);
        const int out = ::open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peak_kb = usage.ru_maxrss;
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    return result;
}

[[noreturn]] void helper_loop(int in, int out) {
    for (;;) {
        std::string program, dir, stdin_path, stdout_path, count;
        if (!receive_string(in, program) || !receive_string(in, dir) ||
            !receive_string(in, stdin_path) || !receive_string(in, stdout_path) ||
            !receive_string(in, count)) {
            ::_exit(0);  // the benchmark has finished or gone
        }
        std::vector<std::string> args(static_cast<std::size_t>(std::stoul(count)));
        for (std::string& a : args) {
            if (!receive_string(in, a)) ::_exit(0);
        }
        const SpawnResult r = run_one(program, dir, stdin_path, stdout_path, args);
        if (!write_all(out, &r, sizeof r)) ::_exit(0);
    }
}

}  // namespace

Spawner start_spawner() {
    int down[2];
    int up[2];
    if (::pipe(down) != 0 || ::pipe(up) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(down[1]);
        ::close(up[0]);
        helper_loop(down[0], up[1]);
    }
    ::close(down[0]);
    ::close(up[1]);
    return Spawner{pid, down[1], up[0]};
}

SpawnResult spawn_and_wait(Spawner& s, const std::string& program, const std::string& dir,
                           const std::string& stdin_path, const std::string& stdout_path,
                           const std::vector<std::string>& args) {
    SpawnResult r;
    bool sent = send_string(s.to_helper, program) && send_string(s.to_helper, dir) &&
                send_string(s.to_helper, stdin_path) && send_string(s.to_helper, stdout_path) &&
                send_string(s.to_helper, std::to_string(args.size()));
    for (const std::string& a : args) sent = sent && send_string(s.to_helper, a);
    if (!sent || !read_all(s.from_helper, &r, sizeof r)) return SpawnResult{};
    return r;
}

void stop_spawner(Spawner& s) {
    if (s.pid < 0) return;
    ::close(s.to_helper);
    ::close(s.from_helper);
    int status = 0;
    ::waitpid(s.pid, &status, 0);
    s.pid = -1;
}
