#include "cli/result_clashes.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <utility>

namespace fs = std::filesystem;

namespace {

using Node = std::pair<unsigned long long, unsigned long long>;

// What a name is known by: its absolute normal path, and its device and inode when it exists
// (links followed).
struct Keys {
    std::string path;
    bool exists = false;
    Node node;
};

Keys keys_of(const std::string& path) {
    Keys k;
    std::error_code ec;
    k.path = fs::absolute(path, ec).lexically_normal().string();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        k.exists = true;
        k.node = {static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino)};
    }
    return k;
}

struct Seen {
    std::map<std::string, const RunFile*> paths;
    std::map<Node, const RunFile*> nodes;

    // The file already seen under the same name or node, else null; f is then remembered.
    const RunFile* add(const RunFile& f) {
        const Keys k = keys_of(f.path);
        if (const auto it = paths.find(k.path); it != paths.end()) return it->second;
        if (k.exists)
            if (const auto it = nodes.find(k.node); it != nodes.end()) return it->second;
        paths.emplace(k.path, &f);
        if (k.exists) nodes.emplace(k.node, &f);
        return nullptr;
    }
};

std::string named(const RunFile& f) {
    return f.path + " (" + f.what + ")";
}

}  // namespace

std::string result_clash(const std::vector<RunFile>& results, const std::vector<RunFile>& inputs) {
    Seen seen;
    for (const RunFile& input : inputs) seen.add(input);  // two inputs may well be one file
    for (const RunFile& result : results) {
        const RunFile* other = seen.add(result);
        if (other == nullptr) continue;
        bool input = false;
        for (const RunFile& i : inputs) input = input || &i == other;
        return named(result) + (input ? " would replace " : " and ") + named(*other) +
               (input ? "" : " are the same file");
    }
    return "";
}
