// The options of `branchranker order`, as parsed from the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct OrderOptions {
    std::vector<std::string> networks;  // image paths: .raw (with its .txt), .bmp or .asc
    int value = 0;                      // grey value of a network pixel, 0..254
    std::optional<double> pixel_size;   // metres; replaces the descriptor's or header's
    std::optional<int> last;            // passes to run, 0..63; none: until the network is used up
    std::string output;                 // result prefix, or a folder; empty: beside each network
    std::string format;                 // "raw", "bmp" or "asc"; empty: that of each input
    double corner_x = 0.0;              // lower-left corner of an ASCII result, map units
    double corner_y = 0.0;
    bool corner_given = false;  // replaces the corner of an ASCII input's header
    bool steps = false;         // save the step images of every pass
    std::string segments;       // CSV file of every segment; empty: none
    std::string summary;        // JSON file of the figures per order; empty: none
    bool quiet = false;         // nothing on standard output, no warnings
};

// Parses the arguments. Returns the exit status when the program ends here: 0 after --help or
// --version (printed on standard output), 2 after a usage error (printed on standard error);
// nothing when options holds a command to run.
std::optional<int> parse_order_options(int argc, char** argv, OrderOptions& options);
