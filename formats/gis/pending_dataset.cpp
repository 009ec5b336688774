#include "formats/gis/pending_dataset.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/file.h"
#include "base/output_file.h"
#include "base/output_set.h"

namespace fs = std::filesystem;

namespace {

std::string with_extension(const std::string& path, const std::string& ext) {
    return fs::path(path).replace_extension(ext).string();
}

void remove_quietly(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

// "" when path (links followed) is a regular file or free, else why it cannot be replaced.
std::string refusal_of(const std::string& path) {
    struct stat st {};
    if (::stat(output_target(path).c_str(), &st) != 0 || S_ISREG(st.st_mode)) return "";
    if (S_ISDIR(st.st_mode)) return path + ": is a folder";
    return path +
           ": is not a regular file (a device, a pipe or a socket); a GIS file replaces only a "
           "regular file";
}

}  // namespace

PendingDataset::~PendingDataset() {
    if (temp.empty()) return;
    remove_quietly(temp);
    for (const auto& ext : companions) remove_quietly(with_extension(temp, ext));
}

std::string dataset_refusal(const std::string& target, const std::vector<std::string>& companions,
                            const std::vector<std::string>& stale) {
    // The companions lie beside the file the target leads to.
    const std::string main = output_target(target);
    std::string why = refusal_of(target);
    for (const auto* list : {&companions, &stale})
        for (const std::string& ext : *list)
            if (why.empty()) why = refusal_of(with_extension(main, ext));
    return why;
}

bool begin_dataset(const std::string& target, PendingDataset& out, std::string& error) {
    const std::string why = dataset_refusal(target, out.companions, out.stale);
    if (!why.empty()) {
        error = why;
        return false;
    }
    out.target = output_target(target);
    const fs::path t(out.target);
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
    out.temp = pattern;
    return true;
}

bool commit_dataset(PendingDataset& out, std::string& error) {
    std::vector<SetMember> set = {{out.temp, out.target}};
    for (const auto& ext : out.companions) {
        const std::string from = with_extension(out.temp, ext);
        std::error_code ec;
        set.push_back({fs::exists(from, ec) ? from : std::string(),
                       output_target(with_extension(out.target, ext))});
    }
    for (const auto& ext : out.stale)
        set.push_back({std::string(), output_target(with_extension(out.target, ext))});
    std::string failed;
    if (!put_in_place_together(set, failed)) {
        error = failed + ": cannot be replaced (" + std::strerror(errno) + ")";
        return false;  // the destructor removes the temporary files
    }
    out.temp.clear();
    return true;
}

bool write_text_file(const std::string& target, const std::string& text, std::string& error) {
    PendingOutput out;
    File f = begin_output(out, target);
    if (!f) {
        error = target + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    if (!written || !finish_output(out, f)) {
        error = target + ": could not be written" +
                (errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : std::string());
        return false;
    }
    return true;
}
