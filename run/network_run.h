// One network's run, for every front end: its size and scale, the options the engine runs with,
// its grids, the names of its results and the engine's figures. A front end fills it, hands it
// to run_engine (engine_run.h) and writes its results from it; the dialogue keeps more around
// it (dialogue/run_state.h). All zero at the start.
//
// Paths are full native paths.
#pragma once

#include <array>
#include <string>

#include "base/byte_grid.h"
#include "base/file.h"
#include "base/image_type.h"
#include "base/output_file.h"

struct NetworkRun {
    // Image size and scale, set when the input is loaded.
    int nb_lig = 0;
    int nb_col = 0;
    double dpix_size = 0.0;  // side of one pixel, metres

    ImageType image_type = ImageType::raw;  // of the order image

    int val_red = 0;  // grey value of a network pixel, 0..254 (255 marks erased pixels)
    // Byte of tab1 that marks cells outside the image (NoData of a GIS raster; never val_red,
    // never 255), or -1: network pixels beside them end walks as border pixels do.
    int outside_value = -1;
    int Num_order = 0;  // passes k = 1..Num_order
    int save_step = 0;  // 1: save the step images of every pass
    // The input is a drawing (strokes drawn by hand or by a program, not cells of a D8 grid):
    // the apex of a sharp bend is read as part of its line (engine/sharp_bends.h).
    bool drawing = false;
    // The input is the channel cells of a flow grid: read as a forest in which every pixel
    // drains to one neighbour (engine/flow_forest.h). Never with `drawing`.
    bool flow_grid = false;

    // Bytes the engine may take for the lists of a network that its passes cannot prune (loops,
    // junction groups, leftovers: some 100 bytes a pixel, engine/network_core.h), or 0 for no
    // limit. A network nearly all of which no pass can prune, and whose lists would take more, is
    // not run: the engine returns at once with core_refused set. The dialogue sets no limit.
    long long core_budget = 0;
    long long core_refused = 0;  // pixels of the core of a network refused so, else 0
    long long core_network = 0;  // its network pixels
    // Read as a flow grid: the network pixels of a network refused so (more than a quarter of
    // the image), else 0.
    long long flow_refused = 0;

    // Threads the engine may use for the work it splits into bands of lines (the front end sets
    // it, BRANCHRANKER_THREADS); every output is the same for every number.
    int threads = 1;

    // Georeference: lower-left corner, from an ASCII input header, asked at output set-up or
    // given on the command line.
    double X_min = 0.0;
    double Y_min = 0.0;

    // Results of the engine.
    std::array<int, 64> num_segm{};  // [k]: walks of pass k that ended on a junction or border
    double red_length = 0.0;         // total network length, metres
    // What could not be ordered soundly, found once the network is used up.
    long long loop_pixels = 0;  // network pixels left on, or hanging from, closed loops
    int borderless_parts = 0;   // parts touching the border nowhere: their outlet is read as a
                                // source, so the orders along their main stream are too low
    // Network pixels left without an order between two border (or NoData) contacts of a part;
    // counted by the command line (unordered_pixels.h), 0 in the dialogue.
    long long between_contacts = 0;
    // Contacts of a part with the border (or NoData) read as inflows, sources whose upstream
    // lies outside the image, and the pixels from them down to their outlets, whose orders are
    // lower bounds (inflows.h; 0 in the dialogue).
    int inflows = 0;
    long long inflow_pixels = 0;

    // Grids, nb_lig x nb_col bytes, line 0 the top line.
    ByteGrid tab1;  // network as loaded; the engine erases traced pixels (255)
    ByteGrid tab2;  // points of the current pass: 2 end point, 3 junction or border, 255 none
                    // (made only when the step images are saved)
    ByteGrid tab5;  // result: order of every traced pixel, 255 elsewhere

    // Paths.
    std::string nomim1;      // input image
    std::string nomdescr1;   // input descriptor (raw input)
    std::string nomim2;      // result image
    std::string nomdescr2;   // result descriptor (raw result)
    std::string nominfo;     // report
    std::string nomim_step;  // base of the step image names

    // A raw result image is tab5 itself, mapped from its temporary (formats/raw_image.h): f2 is
    // that file, put in place from result_out once written.
    File f2;
    PendingOutput result_out;
};
