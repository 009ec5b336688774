// gennet: writes a generated drainage network in the three formats of branchranker.
//
//   gennet ROWS COLUMNS SEED BASE [PIXEL_SIZE] [options]
//
// writes BASE.raw and BASE.txt, BASE.bmp and BASE.asc, and prints the network's figures. With
// --drawn or --terrain it writes a drawn or terrain network instead of a clean tree, and with
// --truth also BASE_truth.raw, the true order of every pixel.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/drawn_network.h"
#include "tools/network_generator.h"
#include "tools/terrain_network.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: gennet ROWS COLUMNS SEED BASE [PIXEL_SIZE] [options]\n"
                 "  writes BASE.raw + BASE.txt, BASE.bmp and BASE.asc (pixel size default 25)\n"
                 "options:\n"
                 "  --share X       share of network pixels (default 0.04)\n"
                 "  --cell N        lattice spacing in pixels, 3..16 (default 4)\n"
                 "  --value V       network value, 0..254 (default 0)\n"
                 "  --background B  background value (default 255)\n"
                 "  --untidy        add junction groups, loops, stray and border lines\n"
                 "  --drawn         a tree of straight strokes as drawn by hand, instead\n"
                 "    --sources N   first-order streams (default one per 750 pixels)\n"
                 "    --four        four-connected stair-step strokes\n"
                 "    --braids N    N small closed loops on the strokes\n"
                 "    --vbends P    P percent of the joining strokes drawn as a sharp V\n"
                 "    --uturns P    P percent of the others with a U-turn that touches\n"
                 "  --terrain T     the channels of a synthetic terrain draining T pixels\n"
                 "    --coarse N    each pixel N x N pixels of the surface (default 1): few\n"
                 "                  pixels per valley, as on a coarse DEM\n"
                 "    --flats P     flatten the lowest P percent (0..100) of every height band\n"
                 "                  into terraces: channels cross the filled flats side by side\n"
                 "    --zigzag P    a checkerboard of P percent of the average slope a pixel\n"
                 "                  (0..100): channels on gentle ground zig-zag at 45 degrees\n"
                 "    --beside P    at P percent of the confluences (0..100) the tributary runs\n"
                 "                  1 to 5 pixels beside the stem, touching it, before it joins\n"
                 "  --truth         with --drawn or --terrain: also BASE_truth.raw, the true\n"
                 "                  order of each pixel (254 junction zone, 255 off network)\n");
}

bool to_long(const char* text, long long lo, long long hi, long long& out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool to_real(const char* text, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v > 0.0)) return false;
    out = v;
    return true;
}

bool to_seed(const char* text, std::uint64_t& out) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') return false;
    out = v;
    return true;
}

bool write_formats(const Network& net, const std::string& base, double pixel_size) {
    const std::filesystem::path folder = std::filesystem::path(base).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    return write_raw_network(net, base, pixel_size) && write_bmp_network(net, base + ".bmp") &&
           write_ascii_network(net, base + ".asc", pixel_size);
}

enum class Kind { drawn, terrain };

// A drawn or terrain network: the three formats, the truth if asked, and the true figures.
int write_truth_network(Kind kind, const DrawnOptions& dop, const TerrainOptions& top,
                        const std::string& base, double pixel_size, bool truth) {
    TruthNetwork t;
    try {
        t = kind == Kind::drawn ? generate_drawn_network(dop) : generate_terrain_network(top);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gennet: %s\n", e.what());
        return 2;
    }
    if (!write_formats(t.net, base, pixel_size) ||
        (truth && !write_truth_raw(t, base + "_truth.raw"))) {
        std::fprintf(stderr, "gennet: cannot write the files of %s\n", base.c_str());
        return 1;
    }
    const TruthFigures f = truth_figures(t);
    std::printf("lines %d\ncolumns %d\nnetwork_pixels %lld\nnetwork_share %.5f\n", t.net.nb_lig,
                t.net.nb_col, f.network,
                static_cast<double>(f.network) / static_cast<double>(t.truth.size()));
    std::printf("scored_pixels %lld\njunction_zone_pixels %lld\n", f.scored, f.junction);
    if (kind == Kind::drawn) {
        std::printf("outlet %d %d\nbraids %d\n", t.net.outlet_lig, t.net.outlet_col, t.braids);
        if (dop.vbends > 0) std::printf("vbends %d\n", t.vbends);
        if (dop.uturns > 0) std::printf("uturns %d\n", t.uturns);
    }
    std::printf("highest_order %d\n", t.highest_order);
    for (int k = 1; k <= t.highest_order; ++k) {
        std::printf("order %d streams %lld pixels %lld\n", k, t.streams[k], f.pixels_of_order[k]);
    }
    std::printf("checksum %016llx\n", static_cast<unsigned long long>(truth_checksum(t)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    NetworkOptions o;
    std::string base;
    double pixel_size = 25.0;
    int positional = 0;
    bool drawn = false;
    bool terrain = false;
    bool truth = false;
    bool terrain_only = false;  // --coarse or a shape of the terrain was given
    bool clean_only = false;    // an option of the clean trees was given
    bool drawn_only = false;    // an option of the drawn networks was given
    DrawnOptions dop;
    TerrainOptions top;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        long long v = 0;
        bool ok = true;
        if (arg == "--untidy") {
            o.untidy = true;
            clean_only = true;
        } else if (arg == "--drawn") {
            drawn = true;
        } else if (arg == "--four") {
            dop.four_connected = true;
            drawn_only = true;
        } else if (arg == "--truth") {
            truth = true;
        } else if (arg == "--vbends" || arg == "--uturns") {
            ok = a + 1 < argc && to_long(argv[++a], 0, 100, v);
            (arg == "--vbends" ? dop.vbends : dop.uturns) = static_cast<int>(v);
            drawn_only = true;
        } else if (arg == "--coarse") {
            ok = a + 1 < argc && to_long(argv[++a], 1, 64, v);
            top.coarse = static_cast<int>(v);
            terrain_only = true;
        } else if (arg == "--flats" || arg == "--zigzag" || arg == "--beside") {
            ok = a + 1 < argc && to_long(argv[++a], 0, 100, v);
            (arg == "--flats"    ? top.flats
             : arg == "--zigzag" ? top.zigzag
                                 : top.beside) = static_cast<int>(v);
            terrain_only = true;
        } else if (arg == "--sources" || arg == "--braids" || arg == "--terrain") {
            ok = a + 1 < argc && to_long(argv[++a], arg == "--terrain" ? 2 : 1, 1LL << 31, v);
            if (arg == "--sources") dop.sources = v;
            if (arg == "--braids") dop.braids = static_cast<int>(std::min(v, 1LL << 30));
            if (arg == "--terrain") top.threshold = v;
            terrain = terrain || arg == "--terrain";
            drawn_only = drawn_only || arg != "--terrain";
        } else if (arg == "--share" || arg == "--cell" || arg == "--value" ||
                   arg == "--background") {
            if (a + 1 >= argc) {
                ok = false;
            } else if (arg == "--share") {
                ok = to_real(argv[++a], o.share);
                clean_only = true;
            } else if (arg == "--cell") {
                clean_only = true;
                ok = to_long(argv[++a], 3, 16, v);
                o.cell = static_cast<int>(v);
            } else if (arg == "--value") {
                ok = to_long(argv[++a], 0, 254, v);
                o.network_value = static_cast<unsigned char>(v);
            } else {
                ok = to_long(argv[++a], 0, 255, v);
                o.background = static_cast<unsigned char>(v);
            }
        } else if (positional == 0 || positional == 1) {
            ok = to_long(argv[a], 16, 65536, v);
            (positional == 0 ? o.nb_lig : o.nb_col) = static_cast<int>(v);
            ++positional;
        } else if (positional == 2) {
            ok = to_seed(argv[a], o.seed);
            ++positional;
        } else if (positional == 3) {
            base = arg;
            ok = !base.empty();
            ++positional;
        } else if (positional == 4) {
            ok = to_real(argv[a], pixel_size);
            ++positional;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "gennet: bad argument '%s'\n", arg.c_str());
            usage();
            return 2;
        }
    }
    if (positional < 4) {
        usage();
        return 2;
    }
    const char* conflict = nullptr;
    if (drawn && terrain) conflict = "--drawn and --terrain exclude each other";
    if ((drawn || terrain) && clean_only)
        conflict = "--share, --cell and --untidy make clean trees";
    if (drawn_only && !drawn)
        conflict = "--sources, --four, --braids, --vbends and --uturns need --drawn";
    if (truth && !drawn && !terrain) conflict = "--truth needs --drawn or --terrain";
    if (terrain_only && !terrain)
        conflict = "--coarse, --flats, --zigzag and --beside need --terrain";
    if (conflict != nullptr) {
        std::fprintf(stderr, "gennet: %s\n", conflict);
        usage();
        return 2;
    }
    if (drawn || terrain) {
        dop.nb_lig = top.nb_lig = o.nb_lig;
        dop.nb_col = top.nb_col = o.nb_col;
        dop.seed = top.seed = o.seed;
        dop.network_value = top.network_value = o.network_value;
        dop.background = top.background = o.background;
        return write_truth_network(drawn ? Kind::drawn : Kind::terrain, dop, top, base, pixel_size,
                                   truth);
    }

    Network net;
    try {
        net = generate_network(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gennet: %s\n", e.what());
        return 2;
    }
    if (!write_formats(net, base, pixel_size)) {
        std::fprintf(stderr, "gennet: cannot write the files of %s\n", base.c_str());
        return 1;
    }

    const NetworkStats st = network_stats(net);
    std::printf("lines %d\ncolumns %d\nnetwork_pixels %lld\nnetwork_share %.5f\n", net.nb_lig,
                net.nb_col, st.pixels, st.share);
    std::printf("outlet %d %d\nhighest_order %d\n", net.outlet_lig, net.outlet_col,
                st.highest_order);
    for (int k = 1; k <= st.highest_order; ++k) {
        std::printf("order %d streams %lld longest_walk %lld\n", k, st.streams[k],
                    st.longest_stream[k]);
    }
    if (!o.untidy) {
        const NetworkCheck check = check_network(net);
        std::printf("check %s\n", check.ok() ? "sound" : check.fault.c_str());
        if (!check.ok()) return 1;
    }
    std::printf("checksum %016llx\n", static_cast<unsigned long long>(network_checksum(net)));
    return 0;
}
