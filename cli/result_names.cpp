#include "cli/result_names.h"

#include <sys/stat.h>

#include <filesystem>

#include "run/result_names.h"

namespace fs = std::filesystem;

std::string result_prefix(const std::string& network, const std::string& output,
                          bool output_is_folder) {
    if (output.empty()) return result_base(fs::path(network).replace_extension("").string());
    if (output_is_folder)
        return result_base((fs::path(output) / fs::path(network).stem()).string());
    return output;
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
