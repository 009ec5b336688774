#include "tests/test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

TempDir::TempDir() {
    char pattern[] = "/tmp/branchranker_test_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

void write_file(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool file_exists(const std::string& path) {
    return fs::exists(path);
}

ScriptedConsole::ScriptedConsole(const std::string& answers) : in(answers) {
    console.in = &in;
    console.out = &out;
    console.key_wait = [this] { ++keys; };
}

ProgramResult run_program(const std::string& dir, const std::string& answers, int seconds,
                          const ProgramOptions& options) {
    TempDir io;
    const std::string in_path = io / "stdin";
    const std::string out_path = io / "stdout";
    write_file(in_path, answers);
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::setsid();  // no controlling terminal: the key waits return at once
        int in = ::open(in_path.c_str(), O_RDONLY);
        int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::alarm(static_cast<unsigned>(seconds) + 5);  // a last guard, kept across exec
        if (options.in_child) options.in_child();
        ::execl(options.exe.c_str(), options.exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ProgramResult result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!result.timed_out && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    result.output = read_file(out_path);
    return result;
}

std::string banner() {
    return "\n\n\t**************************************************************"
           "\n\t*                                                            *"
           "\n\t*                    BRANCHRANKER                            *"
           "\n\t*                                                            *"
           "\n\t*                                                            *"
           "\n\t*                                                            *"
           "\n\t*                                                            *"
           "\n\t*                                     VELQUARINDOS           *"
           "\n\t*                                     (Abril 2008)           *"
           "\n\t*                                                            *"
           "\n\t*                               Actualisation 2019           *"
           "\n\t*                                                            *"
           "\n\t**************************************************************";
}
