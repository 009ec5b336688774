#include "cli/result_names.h"

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
