#include "formats/gis/link_writer.h"

#include <filesystem>

#include "formats/gis/vector_file.h"

namespace fs = std::filesystem;

namespace {

using Type = VectorField::Type;

VectorLayer links_layer(const std::vector<LinkRecord>& links) {
    VectorLayer layer;
    layer.name = "links";
    layer.csv_geometry = true;
    layer.fields = {{"link_id", Type::integer},   {"from_node", Type::integer},
                    {"to_node", Type::integer},   {"strahler", Type::integer},
                    {"shreve", Type::integer64},  {"pixels", Type::integer},
                    {"length_m", Type::real},     {"downstream_link", Type::integer},
                    {"segment_id", Type::integer}};
    layer.count = links.size();
    layer.feature = [&links](std::size_t n, std::vector<VectorValue>& v,
                             std::vector<std::pair<int, int>>& pixels) {
        const LinkRecord& l = links[n];
        v = {static_cast<long long>(l.id),
             static_cast<long long>(l.from_node),
             static_cast<long long>(l.to_node),
             static_cast<long long>(l.strahler),
             l.shreve,
             static_cast<long long>(l.pixels),
             l.length_m,
             std::monostate{},
             static_cast<long long>(l.segment_id)};
        if (l.downstream_link >= 0) v[7] = static_cast<long long>(l.downstream_link);
        pixels = l.line;
    };
    return layer;
}

VectorLayer nodes_layer(const std::vector<NodeRecord>& nodes) {
    VectorLayer layer;
    layer.name = "nodes";
    layer.geometry = VectorLayer::Geometry::point;
    layer.csv_geometry = true;
    layer.fields = {{"node_id", Type::integer}, {"kind", Type::text}};
    layer.count = nodes.size();
    layer.feature = [&nodes](std::size_t n, std::vector<VectorValue>& v,
                             std::vector<std::pair<int, int>>& pixels) {
        v = {static_cast<long long>(nodes[n].id), std::string(nodes[n].kind)};
        pixels.assign(1, nodes[n].pixel);
    };
    return layer;
}

}  // namespace

std::string nodes_file_of(const std::string& links_path) {
    VectorFormat format;
    if (vector_format_of(links_path, format) && format.layers) return "";
    const fs::path p(links_path);
    return (p.parent_path() / (p.stem().string() + "_nodes" + p.extension().string())).string();
}

bool write_links(const std::string& path, const std::vector<LinkRecord>& links,
                 const std::vector<NodeRecord>& nodes, const Georef& georef, std::string& error) {
    VectorFormat format;
    if (!vector_format_of(path, format)) {
        error = path + ": unknown links file kind (use .gpkg, .geojson, .json, .shp or .csv)";
        return false;
    }
    if (format.layers)
        return write_vector_file(path, {links_layer(links), nodes_layer(nodes)}, georef, error);
    VectorLayer named = links_layer(links);
    named.name = fs::path(path).stem().string();
    VectorLayer node_layer = nodes_layer(nodes);
    const std::string nodes_path = nodes_file_of(path);
    node_layer.name = fs::path(nodes_path).stem().string();
    // Two files, each put in place whole; the links last, so that a links file is never newer
    // than the nodes its ids name. Should the links fail, the nodes are the new ones.
    return write_vector_file(nodes_path, {node_layer}, georef, error) &&
           write_vector_file(path, {named}, georef, error);
}

std::string links_refusal(const std::string& path) {
    VectorFormat format;
    if (!vector_format_of(path, format))
        return path + ": unknown links file kind (use .gpkg, .geojson, .json, .shp or .csv)";
    std::string why = vector_file_refusal(path);
    if (why.empty() && !format.layers) why = vector_file_refusal(nodes_file_of(path));
    return why;
}
