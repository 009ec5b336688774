// Shared helpers of the tests: temporary folders, small files, a scripted console, and the
// built program started without a terminal and with a time limit.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/console.h"

// A fresh folder under /tmp, removed with everything in it when the object goes.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

void write_file(const std::string& path, const std::string& bytes);  // makes missing folders
std::string read_file(const std::string& path);                      // "" when missing
bool file_exists(const std::string& path);

// A console whose answers come from a string and whose transcript is kept; counts key waits.
struct ScriptedConsole {
    explicit ScriptedConsole(const std::string& answers);
    std::istringstream in;
    std::ostringstream out;
    int keys = 0;
    Console console;
    std::string transcript() const { return out.str(); }
};

struct ProgramResult {
    int exit_status = -1;  // -1 when the program did not end normally
    bool timed_out = false;
    std::string output;  // everything written to standard output
    std::string errors;  // everything written to standard error
};

// How to start the program, beyond the defaults.
struct ProgramOptions {
    std::string exe = BRANCHRANKER_EXE;
    // Runs in the child just before the program starts, with the standard streams in place:
    // to close or replace standard output, or to set a resource limit.
    std::function<void()> in_child;
    std::vector<std::string> args;  // command line arguments after the program name
};

// Starts the built program in folder `dir` in a new session (no controlling terminal), feeds it
// `answers` on standard input and waits at most `seconds`.
ProgramResult run_program(const std::string& dir, const std::string& answers, int seconds = 60,
                          const ProgramOptions& options = {});

// The same with command line arguments (after the program name) and nothing on standard input.
ProgramResult run_program_with(const std::string& dir, const std::vector<std::string>& args,
                               int seconds = 60);

// The fields of one line of a CSV table, split on its commas; a quoted field may hold commas.
std::vector<std::string> csv_fields(const std::string& line);

// The banner as the program prints it.
std::string banner();

// Texts of the dialogue that many tests expect.
inline const std::string kTypeMenu =
    "\n\t\t0 ====> raster\n\t\t1 ====> bitmap\n\t\t2 ====> ascii\n\t\t";
inline const std::string kAskFolder =
    "\n\n\tName of the File Folder located in the Directory C:\\images? ";
inline const std::string kAskName =
    "\n\tName of the drainage network file (whitout any extension) ? ";
inline const std::string kInputEnded =
    "\n\n\tNo more answers on the standard input: the run stops\n";
