#include "tests/test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
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
    const std::string err_path = io / "stderr";
    write_file(in_path, answers);
    std::vector<char*> argv{const_cast<char*>(options.exe.c_str())};
    for (const std::string& arg : options.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::setsid();  // no controlling terminal: the key waits return at once
        int in = ::open(in_path.c_str(), O_RDONLY);
        int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::alarm(static_cast<unsigned>(seconds) + 5);  // a last guard, kept across exec
        if (options.in_child) options.in_child();
        ::execv(options.exe.c_str(), argv.data());
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
    result.errors = read_file(err_path);
    // A sanitizer report of the program belongs in the test's log too.
    if (result.errors.find("Sanitizer") != std::string::npos ||
        result.errors.find("runtime error") != std::string::npos) {
        std::cerr << result.errors;
    }
    return result;
}

ProgramResult run_program_with(const std::string& dir, const std::vector<std::string>& args,
                               int seconds) {
    ProgramOptions options;
    options.args = args;
    return run_program(dir, "", seconds, options);
}

std::vector<std::string> csv_fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char ch : line) {
        if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += ch;
        }
    }
    return fields;
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
