#include "run/file_clash.h"

#include <sys/stat.h>

#include <filesystem>

namespace {

std::string normal(const std::string& path) {
    std::error_code ec;
    return std::filesystem::absolute(path, ec).lexically_normal().string();
}

bool node_of(const std::string& path, std::pair<unsigned long long, unsigned long long>& node) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    node = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
    return true;
}

std::string named(const RunFile& f) {
    return f.path + " (" + f.what + ")";
}

}  // namespace

long FileSet::add(const std::string& path, long index) {
    const std::string name = normal(path);
    if (const auto it = paths.find(name); it != paths.end()) return it->second;
    std::pair<unsigned long long, unsigned long long> node;
    const bool exists = node_of(path, node);
    if (exists)
        if (const auto it = nodes.find(node); it != nodes.end()) return it->second;
    paths.emplace(name, index);
    if (exists) nodes.emplace(node, index);
    return -1;
}

bool FileSet::holds(const std::string& path) const {
    if (paths.count(normal(path)) > 0) return true;
    std::pair<unsigned long long, unsigned long long> node;
    return node_of(path, node) && nodes.count(node) > 0;
}

const RunFile* result_replacing_input(const std::vector<RunFile>& results,
                                      const std::vector<RunFile>& inputs) {
    FileSet set;
    for (const RunFile& input : inputs) set.add(input.path);
    for (const RunFile& result : results)
        if (set.holds(result.path)) return &result;
    return nullptr;
}

std::string result_clash(const std::vector<RunFile>& results, const std::vector<RunFile>& inputs) {
    // Inputs by their index, results by theirs after the inputs; two inputs may well be one file.
    FileSet seen;
    const auto n_inputs = static_cast<long>(inputs.size());
    for (long i = 0; i < n_inputs; ++i) seen.add(inputs[static_cast<std::size_t>(i)].path, i);
    for (std::size_t r = 0; r < results.size(); ++r) {
        const long other = seen.add(results[r].path, n_inputs + static_cast<long>(r));
        if (other < 0) continue;
        if (other < n_inputs)
            return named(results[r]) + " would replace " +
                   named(inputs[static_cast<std::size_t>(other)]);
        return named(results[r]) + " and " +
               named(results[static_cast<std::size_t>(other - n_inputs)]) + " are the same file";
    }
    return "";
}
