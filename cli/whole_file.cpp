#include "cli/whole_file.h"

#include <cstdio>
#include <filesystem>

std::string temporary_path(const std::string& path) {
    return path + ".tmp";
}

bool commit_file(const std::string& temporary, const std::string& path) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    discard_file(temporary);
    return false;
}

void discard_file(const std::string& temporary) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
}

bool write_whole_file(const std::string& path,
                      const std::function<bool(const std::string& temporary)>& write) {
    const std::string temporary = temporary_path(path);
    if (!write(temporary)) {
        discard_file(temporary);
        return false;
    }
    return commit_file(temporary, path);
}
