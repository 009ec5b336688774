// One network from its loaded grid to its figures and its files, for every front end: the
// inflows of a GIS raster, the passes with their records, the lengths on the map, the lines
// joined to the lines below, the links, the unsound figures; then the files of its results.
// A front end loads the network (network_input.h, or a grid of its own), orders it here, and
// says what it must itself: its messages, its progress, its exit status.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/memory_reserve.h"
#include "formats/gis/segment_writer.h"
#include "run/inflows.h"
#include "run/network_input.h"
#include "run/network_links.h"
#include "run/network_run.h"
#include "run/pass_records.h"
#include "run/summary_json.h"

// How a front end shows the long stages of a network (ordering, ordering again, writing);
// each may be left empty.
struct OrderProgress {
    std::function<void(const std::string& stage)> start;  // a stage begins
    std::function<void(double share)> update;             // 0 to 1 of the stage done
    std::function<void()> finish;                         // the stage is over
    std::function<void()> cut;  // a fault is about to be said in the middle of a stage
};

struct NetworkOrderRequest {
    std::optional<int> last;  // the passes asked for; none: until the network is used up
    bool steps = false;       // the step images of every pass, named after run.nomim_step
    bool drawing = false;     // engine/sharp_bends.h
    bool flow_grid = false;   // engine/flow_forest.h
    // Every segment keeps its pixels: its ends, where it flows and its line on the map (the
    // segments table, the lines, the links). The lengths measured on the map need them too.
    bool keep_pixels = false;
    bool links = false;                // the links and nodes of the network (network_links.h)
    std::vector<NamedOutlet> outlets;  // the outlets the user names (inflows.h)
    // Memory held through the passes and given back before the files are written
    // (base/memory_reserve.h).
    std::size_t writers_reserve = 0;
    // Called before the passes, once the network is loaded and its inflows (when found ahead)
    // are cut: names the results and checks that they can be written. False stops the network as
    // failed, with `fault` said (empty: said already).
    std::function<bool(NetworkRun& run, std::string& fault)> prepare;
    // Called once the reserve is held, before the working grids are made: may make run.tab5
    // itself (a raw result mapped from its file, formats/raw_image.h).
    std::function<void(NetworkRun& run)> result_grid;
};

enum class OrderStatus {
    ordered,
    failed,      // the network could not be ordered: `fault` says why
    bad_outlet,  // a named outlet is no outlet of the network: `fault` says why
    no_memory,   // not enough memory for the working grids or the reserve
};

// A network and everything its run found.
struct NetworkOrder {
    NetworkRun run;  // loaded by the caller: sizes, tab1, val_red, names of the input
    NetworkPlace place;
    OrderStatus status = OrderStatus::failed;
    std::string fault;
    OrderRecord record;
    InflowPlan inflows;
    StreamLinks links;   // when asked for
    int last_order = 0;  // the report's: the passes asked for, or those kept
    // What could not be ordered soundly, as the report's block says it (empty when all is
    // sound): the command line's warning.
    std::string unsound;
    MemoryReserve reserve;
};

// Orders the network loaded in order.run and placed by order.place, with order.run.threads.
// Sets order.status (and order.fault unless prepare said it). Throws std::bad_alloc only when
// the engine or the records run out of memory.
void order_loaded_network(NetworkOrder& order, const NetworkOrderRequest& request,
                          const OrderProgress& progress);

// The other files of a network beside its order image and report ("" or null: none).
struct NetworkFileRequest {
    std::FILE* csv = nullptr;  // the segments table, its header written: the network's rows
    std::string lines;         // a file of segment lines (segment_writer.h), not a .csv
    std::string links;         // links and nodes (link_writer.h); the order must hold them
    std::string horton;        // the Horton plot, .png or .svg
};

// The figures of an ordered network as the summary gives them, its files named after the run
// (image_written says whether the order image was).
NetworkSummary network_summary(const NetworkOrder& order, bool image_written);

// Writes the results of an ordered network: the places of its step images, its order image
// (order.run.nomim2 in order.run.image_type), its report (order.run.nominfo) and the files
// asked for, giving back order.reserve first. Every file that could not be written is said
// to `fault`, naming it. Fills `summary`. True when every file was written.
bool write_network_files(NetworkOrder& order, const NetworkFileRequest& files,
                         NetworkSummary& summary, const OrderProgress& progress,
                         const std::function<void(const std::string&)>& fault);

// The segments of the record as lines on the map, ids from 1 in the order of the reports.
std::vector<SegmentRecord> segment_lines(const OrderRecord& record, int nb_col);
