// Outputs that appear whole or not at all.
//
// An output is written to a temporary file beside its final name, <name>.tmp-XXXXXX in the same
// folder, and renamed over the final name only once every byte has been flushed and the file
// closed without error. Whatever fails, the temporary is removed and a file already under the
// final name is left as it was. A final name that is a symbolic link is followed: the file it
// leads to is replaced and the link stays, also when it dangles. Only a regular file is ever
// replaced: a device, a pipe or a socket under the final name is written straight, with nothing
// pending (a rename would put a plain file in place of the device node). The data is not forced to
// the disk (no fsync): the rename guards against the program's own failures (full disk, no memory,
// a lost console), not against a crash of the system, and a large result costs no extra wait.
// A process killed by a signal leaves at most its temporaries, never a half file under a final
// name.
#pragma once

#include <string>

#include "base/file.h"

// A temporary not yet put in place. It is removed when the handle goes, unless it was put in
// place first.
struct PendingOutput {
    std::string path;  // the file that will be replaced: the final name, links followed
    std::string temp;  // the temporary; empty when nothing is pending

    PendingOutput() = default;
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;
    PendingOutput(PendingOutput&& other) noexcept;
    PendingOutput& operator=(PendingOutput&& other) noexcept;
    ~PendingOutput();
    explicit operator bool() const { return !temp.empty(); }
};

// The file that writing `path` replaces: the path itself, or where its symbolic links lead.
std::string output_target(const std::string& path);

// Creates the temporary of the output `path` and opens it for writing, and reading (with the
// permissions that a new file gets); a device or a pipe under the name is opened itself, with
// nothing pending. Null, with errno set, when it cannot be made or when a folder stands under the
// name.
File begin_output(PendingOutput& out, const std::string& path);

// Flushes and closes f (f is empty afterwards); false when any write or the close failed. An
// empty f is true: there was nothing to close.
bool close_output(File& f);

// Renames the temporary over its final name. True, and nothing done, when nothing is pending.
// On failure the temporary is removed.
bool put_in_place(PendingOutput& out);

// Removes the temporary, if any. The final name is not touched.
void abandon(PendingOutput& out);

// close_output, then put_in_place; on a failed close the temporary is removed.
bool finish_output(PendingOutput& out, File& f);
