// The stream links and nodes of an ordered network as vector files (vector_file.h): the links
// as lines (link_id, from_node, to_node, strahler, shreve, pixels, length_m, downstream_link,
// segment_id) and the nodes as points (node_id, kind). A GeoPackage holds both, as the layers
// "links" and "nodes"; any other format holds the links, and the nodes go to a file of the
// same kind beside it (nodes_file_of).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "formats/gis/georef.h"

struct LinkRecord {
    int id = 0;  // from 1
    int from_node = 0;
    int to_node = 0;
    int strahler = 0;
    long long shreve = 0;
    int pixels = 0;  // pixels of its line, both nodes included
    double length_m = 0.0;
    int downstream_link = -1;  // id, or -1 (written as null) where the network ends
    int segment_id = 0;
    std::vector<std::pair<int, int>> line;  // (line, column) of each pixel, downstream
};

struct NodeRecord {
    int id = 0;  // from 1
    const char* kind = "";
    std::pair<int, int> pixel;  // (line, column)
};

// Where the nodes go beside a links file: "" for a GeoPackage (the same file), else the file's
// stem + "_nodes" + its extension (links.shp -> links_nodes.shp).
std::string nodes_file_of(const std::string& links_path);

// Writes the links to `path` and the nodes to nodes_file_of(path) (or into the GeoPackage),
// each put in place whole. Fails, with `error` naming the file, as write_vector_file does.
bool write_links(const std::string& path, const std::vector<LinkRecord>& links,
                 const std::vector<NodeRecord>& nodes, const Georef& georef, std::string& error);

// "" when write_links may replace its files, else why not; also for an unknown extension.
std::string links_refusal(const std::string& path);
