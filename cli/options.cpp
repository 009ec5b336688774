#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "base/pixel_size.h"

namespace {

// The same sizes as every other source accepts (base/pixel_size.h), said in a line.
std::string check_pixel_size(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !pixel_size_in_range(v))
        return std::string("expected a number of metres ") + kPixelSizeRange;
    return "";
}

// "X,Y": two finite numbers. CLI11 checks the count; this checks the values.
std::string check_corner(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return "expected X,Y";
    for (const std::string& part : {text.substr(0, comma), text.substr(comma + 1)}) {
        char* end = nullptr;
        const double v = std::strtod(part.c_str(), &end);
        if (part.empty() || *end != '\0' || !std::isfinite(v)) return "expected X,Y: two numbers";
    }
    return "";
}

// A finite number, whole or real, of any size.
std::string check_value(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v)) return "expected a finite number";
    return "";
}

// "R,G,B": three whole numbers from 0 to 255.
bool parse_colour(const std::string& text, std::array<unsigned char, 3>& rgb) {
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = text.find(',', start);
        if ((k < 2) != (comma != std::string::npos)) return false;
        const std::string part =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        const long v = std::strtol(part.c_str(), &end, 10);
        if (part.empty() || *end != '\0' || v < 0 || v > 255) return false;
        rgb[static_cast<std::size_t>(k)] = static_cast<unsigned char>(v);
        start = comma + 1;
    }
    return true;
}

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

// An --output that names the order image itself ("out/x.tif"): the result names begin with it
// less its extension, and the extension is the format. A name that GIS users give to files
// this program does not write as an order image (a .png, a .gpkg) is refused rather than taken
// as a prefix, which would write out/x.png.tif; any other name (a folder, "run.v2") stays a
// prefix. Returns the exit status of a usage error.
std::optional<int> take_image_name(OrderOptions& o) {
    std::error_code ec;
    if (o.output.empty() || o.output.back() == '/' || std::filesystem::is_directory(o.output, ec))
        return std::nullopt;
    static const std::pair<const char*, const char*> kImages[] = {
        {".raw", "raw"}, {".bmp", "bmp"}, {".asc", "asc"}, {".tif", "tif"}, {".tiff", "tif"}};
    static const char* const kRefused[] = {".png",  ".jpg",  ".jpeg",    ".gif", ".jp2",
                                           ".img",  ".vrt",  ".nc",      ".txt", ".csv",
                                           ".json", ".gpkg", ".geojson", ".shp", ".svg"};
    const std::string ext = lower_extension(o.output);
    for (const auto& [ending, format] : kImages) {
        if (ext != ending) continue;
        if (!o.format.empty() && o.format != format) {
            std::fprintf(stderr,
                         "branchranker: --output %s: names a %s image, --format asks for %s;"
                         " give one of them\n",
                         o.output.c_str(), format, o.format.c_str());
            return 2;
        }
        o.format = format;
        o.output = std::filesystem::path(o.output).replace_extension("").string();
        return std::nullopt;
    }
    for (const char* refused : kRefused) {
        if (ext != refused) continue;
        std::fprintf(stderr,
                     "branchranker: --output %s: an order image is written as .tif, .raw, .bmp"
                     " or .asc; give one of these, a name without extension or a folder\n",
                     o.output.c_str());
        return 2;
    }
    return std::nullopt;
}

std::string check_colour(const std::string& text) {
    std::array<unsigned char, 3> rgb{};
    return parse_colour(text, rgb) ? "" : "expected R,G,B: three whole numbers from 0 to 255";
}

}  // namespace

std::optional<int> parse_order_options(int argc, char** argv, OrderOptions& o) {
    CLI::App app{
        "Strahler orders and segment lengths of raster drainage networks.\n"
        "Without arguments the program asks its questions instead.",
        "branchranker"};
    app.set_version_flag("--version", "branchranker " BRANCHRANKER_VERSION);
    app.require_subcommand(1);

    CLI::App* order = app.add_subcommand(
        "order", "Order every NETWORK in turn: order image, report and the files asked for");
    order
        ->add_option("NETWORK", o.networks,
                     "Network image: .raw (with its .txt), or any raster GDAL reads (GeoTIFF,"
                     " PNG, BMP, ASCII grid, ENVI, ...)")
        ->required();
    std::string value_text;
    CLI::Option* value =
        order
            ->add_option("--value", value_text,
                         "Value of the network cells, any value of the band's type (default: a"
                         " .raw's 0; a GIS raster's cells that are not its background or NoData)")
            ->check(CLI::Validator(check_value, "NUMBER"));
    std::string colour;
    order
        ->add_option("--colour", colour,
                     "R,G,B colour of the network pixels, looked up through the palette or on the"
                     " colour bands (not for .raw)")
        ->check(CLI::Validator(check_colour, "R,G,B"))
        ->excludes(value);
    order->add_option("--band", o.band, "Band holding the network (default 1; not for .raw)")
        ->check(CLI::Range(1, 65535));
    order
        ->add_option("--pixel-size", o.pixel_size,
                     "Pixel side in metres (default: the .txt descriptor, or the georeference"
                     " of the file; required for a raster without one)")
        ->check(CLI::Validator(check_pixel_size, "METRES"));
    order
        ->add_option("--last", o.last,
                     "Passes to run, that is the last order (default: until the network is used"
                     " up)")
        ->check(CLI::Range(0, 63));
    order->add_option("--output", o.output,
                      "Result prefix (default: NETWORK without its extension + _strahler), the"
                      " order image's name (.tif, .raw, .bmp or .asc: its format too), or a"
                      " folder for the results");
    order
        ->add_option("--format", o.format,
                     "Order image format (default: that of a .raw, .bmp or .asc input, else tif)")
        ->check(CLI::IsMember({"raw", "bmp", "asc", "tif"}));
    std::string corner;
    order
        ->add_option("--corner", corner,
                     "X,Y lower-left corner of the results on the map (default: the input's"
                     " georeference, or 0,0)")
        ->check(CLI::Validator(check_corner, "X,Y"));
    order->add_flag("--steps", o.steps, "Save the two step images of every pass");
    CLI::Option* drawing =
        order->add_flag("--drawing", o.drawing,
                        "The network is drawn in strokes, not cells of a flow grid: a line that "
                        "turns back sharply is one line, its apex no source");
    order
        ->add_flag("--flow-grid", o.flow_grid,
                   "The network is the channel cells of a flow grid (a threshold on flow "
                   "accumulation): where channels touch, each cell is read as draining to one "
                   "neighbour, and every cell gets an order")
        ->excludes(drawing);
    order->add_option("--segments", o.segments,
                      "Write every segment to this file: .csv (a table), or .gpkg, .geojson,"
                      " .json, .shp (lines on the map, one network)");
    order->add_option("--links", o.links,
                      "Write the network split at every confluence to this file: links with"
                      " Strahler order and Shreve magnitude, and nodes (.gpkg: both layers;"
                      " .geojson, .json, .shp, .csv: the nodes in FILE_nodes beside it; one"
                      " network)");
    order->add_option("--summary", o.summary, "Write the figures per order to this JSON file");
    order->add_option(
        "--horton", o.horton,
        "Draw the Horton figures of the network to this .svg or .png file (one network)");
    order
        ->add_option("--outlet", o.outlets,
                     "X,Y outlet on the map of a part of the network that touches the border (or"
                     " NoData) in several places; its other contacts are inflows (repeatable; one"
                     " network, not .raw)")
        ->allow_extra_args(false)
        ->check(CLI::Validator(check_corner, "X,Y"));
    order->add_option("--outlet-file", o.outlet_file,
                      "Vector file (any format OGR reads) whose points are outlets, as --outlet");
    order->add_flag("--quiet", o.quiet, "Print nothing unless something fails");

    // CLI11 would only say that a command is missing.
    if (argc > 1 && argv[1][0] != '-' && std::string(argv[1]) != "order") {
        std::fprintf(stderr,
                     "branchranker: %s: unknown command; the command is 'order'\nRun 'branchranker"
                     " --help' for the options.\n",
                     argv[1]);
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version are asked for, and end well; every other fault is a usage error.
        if (e.get_exit_code() == 0) return app.exit(e);
        std::fprintf(stderr, "branchranker: %s\nRun 'branchranker order --help' for the options.\n",
                     e.what());
        return 2;
    }
    if (!corner.empty()) {
        const std::size_t comma = corner.find(',');
        o.corner_x = std::strtod(corner.substr(0, comma).c_str(), nullptr);
        o.corner_y = std::strtod(corner.substr(comma + 1).c_str(), nullptr);
        o.corner_given = true;
    }
    if (!value_text.empty()) o.value = std::strtod(value_text.c_str(), nullptr);
    if (!colour.empty()) {
        std::array<unsigned char, 3> rgb{};
        parse_colour(colour, rgb);
        o.colour = rgb;
    }
    if (const std::optional<int> status = take_image_name(o)) return status;
    if (!o.horton.empty() && lower_extension(o.horton) != ".svg" &&
        lower_extension(o.horton) != ".png") {
        std::fprintf(stderr,
                     "branchranker: --horton %s: the plot is drawn as SVG or PNG; give a .svg or"
                     " .png name\n",
                     o.horton.c_str());
        return 2;
    }
    if (o.pixel_size && !std::isfinite(*o.pixel_size)) {
        std::fprintf(stderr, "branchranker: --pixel-size: expected a finite number of metres\n");
        return 2;
    }
    return std::nullopt;
}
