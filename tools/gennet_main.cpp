// gennet: writes a generated drainage network in the three formats of branchranker.
//
//   gennet ROWS COLUMNS SEED BASE [PIXEL_SIZE] [options]
//
// writes BASE.raw and BASE.txt, BASE.bmp and BASE.asc, and prints the network's figures.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/network_generator.h"

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
                 "  --untidy        add junction groups, loops, stray and border lines\n");
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

}  // namespace

int main(int argc, char** argv) {
    NetworkOptions o;
    std::string base;
    double pixel_size = 25.0;
    int positional = 0;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        long long v = 0;
        bool ok = true;
        if (arg == "--untidy") {
            o.untidy = true;
        } else if (arg == "--share" || arg == "--cell" || arg == "--value" ||
                   arg == "--background") {
            if (a + 1 >= argc) {
                ok = false;
            } else if (arg == "--share") {
                ok = to_real(argv[++a], o.share);
            } else if (arg == "--cell") {
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

    Network net;
    try {
        net = generate_network(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gennet: %s\n", e.what());
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(base).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    const bool written = write_raw_network(net, base, pixel_size) &&
                         write_bmp_network(net, base + ".bmp") &&
                         write_ascii_network(net, base + ".asc", pixel_size);
    if (!written) {
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
