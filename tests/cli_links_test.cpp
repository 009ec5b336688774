// The stream network as a GIS reads it, on dense generated terrains (junction groups, touching
// channels): every segment's line ends on the line it flows into, every link's end node is the
// start node of its downstream link, the links add up to the report's total, and the Shreve
// magnitude of a link that ends the network counts the sources and inflows above it.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/gdal_checks.h"
#include "tests/test_support.h"
#include "tools/terrain_network.h"

namespace {

using Point = std::pair<double, double>;

void write_utm_geotiff(const std::string& path, const Network& net) {
    GDALAllRegister();
    Dataset out(GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), net.nb_col, net.nb_lig, 1,
                           GDT_Byte, nullptr));
    ASSERT_TRUE(out);
    ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(out.get(), 1), GF_Write, 0, 0, net.nb_col, net.nb_lig,
                           const_cast<unsigned char*>(net.cells.data()), net.nb_col, net.nb_lig,
                           GDT_Byte, 0, 0),
              CE_None);
    double gt[6] = {500000.0, 30.0, 0.0, 4000000.0 + 30.0 * net.nb_lig, 0.0, -30.0};
    GDALSetGeoTransform(out.get(), gt);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 32631);
    GDALSetSpatialRef(out.get(), srs);
    OSRDestroySpatialReference(srs);
}

struct Feature {
    std::map<std::string, long long> ints;  // null fields are left out
    double length_m = 0.0;
    std::string kind;
    std::vector<Point> points;
};

std::vector<Feature> read_layer(const std::string& path, const char* layer_name) {
    std::vector<Feature> out;
    const Dataset d = open_vector(path);
    if (!d) return out;
    OGRLayerH layer = layer_name ? GDALDatasetGetLayerByName(d.get(), layer_name)
                                 : GDALDatasetGetLayer(d.get(), 0);
    if (!layer) return out;
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        Feature feature;
        for (int i = 0; i < OGR_FD_GetFieldCount(defn); ++i) {
            OGRFieldDefnH field = OGR_FD_GetFieldDefn(defn, i);
            std::string name = OGR_Fld_GetNameRef(field);
            if (name == "downstream") name = "downstream_link";  // a Shapefile's 10 characters
            if (!OGR_F_IsFieldSetAndNotNull(f, i)) continue;
            if (name == "length_m")
                feature.length_m = OGR_F_GetFieldAsDouble(f, i);
            else if (name == "kind")
                feature.kind = OGR_F_GetFieldAsString(f, i);
            else
                feature.ints[name] = OGR_F_GetFieldAsInteger64(f, i);
        }
        if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
            for (int i = 0; i < OGR_G_GetPointCount(g); ++i)
                feature.points.emplace_back(OGR_G_GetX(g, i), OGR_G_GetY(g, i));
        }
        out.push_back(std::move(feature));
        OGR_F_Destroy(f);
    }
    return out;
}

}  // namespace

TEST(CommandLineLinks, LinesMeetLinksChainAndShreveCountsTheSourcesOnDenseTerrains) {
    long long joined_through_groups = 0;  // lines that had to be carried to the line below
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempDir dir;
        TerrainOptions t;
        t.nb_lig = 160;
        t.nb_col = 200;
        t.seed = seed;
        t.threshold = 30 + static_cast<long long>(seed % 4) * 20;
        write_utm_geotiff(dir / "n.tif", generate_terrain_network(t).net);
        // The formats that hold one layer take the nodes in a file beside the links.
        const std::string links = seed == 1 ? "l.shp" : seed == 2 ? "l.geojson" : "l.gpkg";
        const ProgramResult run =
            run_program_with(dir.path, {"order", "n.tif", "--segments", "s.gpkg", "--links", links,
                                        "--summary", "s.json", "--quiet"});
        ASSERT_EQ(run.exit_status, 0) << run.errors;
        const bool gpkg = links == "l.gpkg";
        const std::vector<Feature> segments = read_layer(dir / "s.gpkg", nullptr);
        const std::vector<Feature> link_list = read_layer(dir / links, gpkg ? "links" : nullptr);
        const std::vector<Feature> nodes =
            gpkg ? read_layer(dir / links, "nodes")
                 : read_layer(dir / ("l_nodes" + std::filesystem::path(links).extension().string()),
                              nullptr);
        ASSERT_FALSE(segments.empty());
        ASSERT_FALSE(link_list.empty());
        ASSERT_FALSE(nodes.empty());

        // Every segment's last vertex is a vertex of the line it flows into.
        std::map<long long, const Feature*> segment_by_id;
        for (const Feature& s : segments) segment_by_id[s.ints.at("id")] = &s;
        long long gaps = 0;
        for (const Feature& s : segments) {
            if (!s.ints.count("flows_into")) continue;
            const Feature& below = *segment_by_id.at(s.ints.at("flows_into"));
            const std::set<Point> on_below(below.points.begin(), below.points.end());
            gaps += on_below.count(s.points.back()) == 0;
            joined_through_groups +=
                s.points.size() >
                std::max<std::size_t>(2, static_cast<std::size_t>(s.ints.at("pixels")));
        }
        EXPECT_EQ(gaps, 0);

        // Links chain node to node, and their lengths add up to the report's total.
        std::map<long long, const Feature*> link_by_id;
        for (const Feature& l : link_list) link_by_id[l.ints.at("link_id")] = &l;
        std::map<long long, std::string> kind_of;
        std::map<long long, Point> node_at;
        for (const Feature& n : nodes) {
            kind_of[n.ints.at("node_id")] = n.kind;
            node_at[n.ints.at("node_id")] = n.points.at(0);
        }
        double total = 0.0;
        for (const Feature& l : link_list) {
            total += l.length_m;
            EXPECT_EQ(l.points.front(), node_at.at(l.ints.at("from_node")));
            EXPECT_EQ(l.points.back(), node_at.at(l.ints.at("to_node")));
            if (!l.ints.count("downstream_link")) continue;
            EXPECT_EQ(l.ints.at("to_node"),
                      link_by_id.at(l.ints.at("downstream_link"))->ints.at("from_node"));
        }
        std::ifstream summary_file(dir / "s.json");
        const auto summary = nlohmann::json::parse(summary_file)["networks"][0];
        EXPECT_NEAR(total, summary["total_length"].get<double>(), 1e-6);

        // Shreve: each source or inflow counted once in every link down to where the network ends.
        std::map<long long, long long> reached;  // last link -> sources above it
        for (const Feature& l : link_list) {
            const std::string& kind = kind_of.at(l.ints.at("from_node"));
            if (kind != "source" && kind != "inflow") continue;
            EXPECT_EQ(l.ints.at("shreve"), 1);
            const Feature* down = &l;
            for (int steps = 0; down->ints.count("downstream_link"); ++steps) {
                ASSERT_LT(steps, 100000) << "the links form a loop";
                down = link_by_id.at(down->ints.at("downstream_link"));
            }
            ++reached[down->ints.at("link_id")];
        }
        long long magnitudes = 0;
        for (const auto& [last, sources] : reached) magnitudes += sources;
        EXPECT_EQ(summary["shreve_magnitude"].get<long long>(), magnitudes);
        for (const auto& [last, sources] : reached) {
            const Feature& l = *link_by_id.at(last);
            EXPECT_EQ(l.ints.at("shreve"), sources);
            const std::string& kind = kind_of.at(l.ints.at("to_node"));
            EXPECT_TRUE(kind == "outlet" || kind == "end") << kind;
        }
    }
    // The dense terrains have junction groups where a stream's walk stops off the line below.
    EXPECT_GT(joined_through_groups, 0);
}
