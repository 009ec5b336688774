// What a run to the end of the network leaves in tab1, and why.
//
// Passes erase every line that ends somewhere; what is left is the border pixels, the lines
// between border pixels (which no pass starts), and whatever hangs on a closed loop, which no
// pass can ever prune. A part of the network that touches the border nowhere is either left
// whole around a loop or a junction, or its last line was walked to its far end (a walk that ran
// out of network, which the pass loop counts).
#pragma once

#include <utility>
#include <vector>

#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

struct Leftovers {
    std::vector<PixelIndex> loop_pixels;  // pixels left on closed loops, row-major
    long long loop_parts_pixels = 0;      // pixels left in parts that hold a closed loop
    int borderless_parts = 0;             // parts left that touch the border nowhere
};

// Looks at the network pixels left in tab1 (their links are those of the network as loaded),
// on up to `threads` threads.
Leftovers find_leftovers(const WalkGrids& g, int threads = 1);

// The small closed loops that can be seen at once: squares of four network pixels, and the
// rings of network pixels around a hole of background up to two pixels wide and high (those
// that reach the last three lines or columns are left to find_leftovers). Found before the first
// run, they spare the run that only finds loops.
//
// small_loops_at adds the pixels of the loops whose top left pixel is (i, j) (some twice), if
// any; small_loops_of_line does so for every pixel of line i (not the last) whose neighbours
// allow such a loop, with a scratch line of nb_col bytes. small_loops adds to `found` the loops
// of the lines [first, last) listed, in bands of lines on up to `threads` threads, and gives the
// pixels row-major, each once.
void small_loops_at(const WalkGrids& g, int i, int j, std::vector<PixelIndex>& loops);
void small_loops_of_line(const WalkGrids& g, int i, unsigned char* scratch,
                         std::vector<PixelIndex>& loops);
std::vector<PixelIndex> small_loops(const WalkGrids& g, std::vector<PixelIndex> found,
                                    const std::vector<std::pair<int, int>>& lines, int threads = 1);
