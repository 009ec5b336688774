#include "cli/result_names.h"

#include <sys/stat.h>

#include <filesystem>

#include "cli/pass_records.h"

namespace fs = std::filesystem;

std::string result_prefix(const std::string& network, const std::string& output,
                          bool output_is_folder) {
    if (output.empty()) return fs::path(network).replace_extension("").string() + "_strahler";
    if (output_is_folder) {
        return (fs::path(output) / fs::path(network).stem()).string() + "_strahler";
    }
    return output;
}

std::vector<std::string> result_files(const std::string& prefix) {
    std::vector<std::string> files = {
        prefix + ".raw", prefix + ".txt",         prefix + ".bmp",        prefix + ".asc",
        prefix + ".tif", prefix + "_info.txt",    prefix + ".hdr",        prefix + ".bpw",
        prefix + ".prj", prefix + ".bmp.aux.xml", prefix + ".asc.aux.xml"};
    for (int k = 1; k <= 5; ++k) {
        files.push_back(step_image_name(prefix, "points", k));
        files.push_back(step_image_name(prefix, "segments", k));
    }
    return files;
}

namespace {

std::string normal(const std::string& path) {
    std::error_code ec;
    return fs::absolute(path, ec).lexically_normal().string();
}

bool node_of(const std::string& path, std::pair<unsigned long long, unsigned long long>& node) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    node = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
    return true;
}

}  // namespace

void FileSet::add(const std::string& path) {
    paths.insert(normal(path));
    std::pair<unsigned long long, unsigned long long> node;
    if (node_of(path, node)) nodes.insert(node);
}

bool FileSet::holds(const std::string& path) const {
    if (paths.count(normal(path)) > 0) return true;
    std::pair<unsigned long long, unsigned long long> node;
    return node_of(path, node) && nodes.count(node) > 0;
}
