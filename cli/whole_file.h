// Files written completely or not at all: the bytes go to a temporary file beside the final one,
// which is renamed over the final name only once every byte has been written and the file
// closed. A failed write leaves any earlier file of that name as it was.
#pragma once

#include <functional>
#include <string>

// The temporary name of path: path + ".tmp", in the same folder so that the rename stays on one
// file system.
std::string temporary_path(const std::string& path);

// Renames the complete temporary file over path; false (and the temporary file removed) when
// the rename fails.
bool commit_file(const std::string& temporary, const std::string& path);

// Removes a temporary file that will not be committed.
void discard_file(const std::string& temporary);

// write(temporary) writes and closes the whole file and says whether every byte reached it;
// the file is then committed, or discarded. True when path now holds the new file.
bool write_whole_file(const std::string& path,
                      const std::function<bool(const std::string& temporary)>& write);
