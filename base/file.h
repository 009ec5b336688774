// Owning handle of a C stream: closed when the handle goes.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline File open_file(const std::string& path, const char* mode) {
    return File(std::fopen(path.c_str(), mode));
}
