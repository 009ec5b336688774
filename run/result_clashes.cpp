#include "run/result_clashes.h"

#include <filesystem>

#include "formats/gis/link_writer.h"
#include "formats/gis/vector_file.h"
#include "run/network_input.h"
#include "run/pass_records.h"
#include "run/result_names.h"

namespace fs = std::filesystem;

std::vector<RunFile> run_results(const std::vector<NetworkFiles>& networks, const RunOutputs& o) {
    std::vector<RunFile> files;
    auto add = [&](const std::string& path, const std::string& what) {
        files.push_back({path, what});
    };
    for (const NetworkFiles& n : networks) {
        const std::string of = " of " + n.network;
        add(n.image, "the order image" + of);
        add(report_name(n.prefix), "the report" + of);
        if (n.image_type == ImageType::raw)
            add(descriptor_name(n.prefix), "the order image's descriptor" + of);
        // A network read through GDAL gives its results the files that place them on the map.
        if (!n.raw) {
            if (n.image_type == ImageType::raw)
                add(n.prefix + ".hdr", "the order image's ENVI header" + of);
            if (n.image_type == ImageType::bmp)
                add(n.prefix + ".bpw", "the order image's world file" + of);
            if (n.image_type == ImageType::bmp || n.image_type == ImageType::ascii)
                add(n.prefix + ".prj", "the coordinate system" + of);
            add(n.image + ".aux.xml", "the order image's auxiliary file" + of);
        }
        if (o.steps)
            for (int k = 1; k <= 5; ++k)
                for (const char* kind : {"points", "segments"}) {
                    const std::string step = step_image_name(n.prefix, kind, k);
                    const std::string what = std::string("a ") + kind + " step image";
                    add(step, what + of);
                    // Placed on the map as a BMP order image is.
                    if (n.raw) continue;
                    add(fs::path(step).replace_extension(".bpw").string(),
                        "the world file of " + what + of);
                    add(fs::path(step).replace_extension(".prj").string(),
                        "the coordinate system of " + what + of);
                    add(step + ".aux.xml", "the auxiliary file of " + what + of);
                }
    }
    // A vector file, and the files of its kind beside it (a shapefile's).
    auto add_vector = [&](const std::string& file, const std::string& what) {
        add(file, what);
        VectorFormat format;
        if (!vector_format_of(file, format)) return;
        for (const std::vector<std::string>* sides : {&format.companions, &format.stale})
            for (const std::string& side : *sides)
                add(fs::path(file).replace_extension(side).string(),
                    "a file of the " + what + " shapefile");
    };
    if (!o.segments.empty()) add_vector(o.segments, "--segments");
    if (!o.links.empty()) {
        add_vector(o.links, "--links");
        const std::string nodes = nodes_file_of(o.links);
        if (!nodes.empty()) add_vector(nodes, "--links nodes");
    }
    if (!o.summary.empty()) add(o.summary, "--summary");
    if (!o.horton.empty()) add(o.horton, "--horton");
    return files;
}

std::vector<RunFile> run_inputs(const std::vector<NetworkFiles>& networks) {
    std::vector<RunFile> files;
    for (const NetworkFiles& n : networks) {
        files.push_back({n.network, "a network"});
        if (n.raw) {
            files.push_back({descriptor_of(n.network), "the descriptor of " + n.network});
            continue;
        }
        std::vector<std::string> side = {n.network + ".aux.xml"};
        for (const char* ext : {".prj", ".wld", ".bpw", ".bmpw", ".tfw", ".pgw", ".hdr"})
            side.push_back(fs::path(n.network).replace_extension(ext).string());
        std::error_code ec;
        for (const std::string& f : side)
            if (fs::exists(f, ec)) files.push_back({f, "a file read with " + n.network});
    }
    return files;
}
