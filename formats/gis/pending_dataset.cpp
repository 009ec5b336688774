#include "formats/gis/pending_dataset.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/file.h"

namespace fs = std::filesystem;

namespace {

std::string with_extension(const std::string& path, const std::string& ext) {
    return fs::path(path).replace_extension(ext).string();
}

void remove_quietly(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

}  // namespace

PendingDataset::~PendingDataset() {
    if (temp.empty()) return;
    remove_quietly(temp);
    for (const auto& ext : companions) remove_quietly(with_extension(temp, ext));
}

bool begin_dataset(const std::string& target, PendingDataset& out, std::string& error) {
    const fs::path t(target);
    const std::string ext = t.extension().string();
    std::string pattern = (t.parent_path() / t.stem()).string() + ".tmp-XXXXXX" + ext;
    // mkstemps reserves the name by creating the file; GDAL's drivers want to create it
    // themselves (some refuse an existing file), so it is removed again at once.
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(ext.size()));
    if (fd < 0) {
        error = target + ": cannot create a file in its folder (" + std::strerror(errno) + ")";
        return false;
    }
    ::close(fd);
    remove_quietly(pattern);
    out.target = target;
    out.temp = pattern;
    return true;
}

bool commit_dataset(PendingDataset& out, std::string& error) {
    if (std::rename(out.temp.c_str(), out.target.c_str()) != 0) {
        error = out.target + ": cannot replace the file (" + std::strerror(errno) + ")";
        return false;  // the destructor removes the temporary files
    }
    for (const auto& ext : out.companions) {
        const std::string from = with_extension(out.temp, ext);
        const std::string to = with_extension(out.target, ext);
        std::error_code ec;
        if (fs::exists(from, ec)) {
            if (std::rename(from.c_str(), to.c_str()) != 0) {
                error = to + ": cannot replace the file (" + std::strerror(errno) + ")";
                return false;  // the destructor removes the companions not yet renamed
            }
        } else {
            remove_quietly(to);
        }
    }
    out.temp.clear();
    return true;
}

bool write_text_file(const std::string& target, const std::string& text, std::string& error) {
    PendingDataset pending;
    if (!begin_dataset(target, pending, error)) return false;
    {
        File f = open_file(pending.temp, "wb");
        if (!f) {
            error = target + ": cannot create the file (" + std::strerror(errno) + ")";
            return false;
        }
        const bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
        const bool closed = std::fclose(f.release()) == 0;
        if (!written || !closed) {
            error = target + ": cannot write the file (" + std::strerror(errno) + ")";
            return false;
        }
    }
    return commit_dataset(pending, error);
}
