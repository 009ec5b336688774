// Progress of a long run on a terminal, in GDAL's style: one line per stage of a network,
//
//     sample.tif: ordering 0...10...20...30...40...50...60...70...80...90...100 - done.
//
// a dot every 2.5 %, the tens written out, printed as the work goes. Shown only when standard
// error is a terminal and the run is not --quiet, so a pipe, a file or a script never gets it.
#pragma once

#include <cstdio>
#include <string>

struct ProgressLine {
    std::FILE* out = nullptr;  // null: nothing is shown
    int shown = -1;            // steps of 2.5 % printed, -1 when no line is open

    // Opens a line "LABEL " (a line still open is finished first).
    void start(const std::string& label);
    // Prints up to `share` (0 to 1) of the open line; a share below what is shown prints nothing.
    void update(double share);
    // Prints up to "100 - done." and ends the line, when one is open.
    void finish();
    // Ends the open line where it is, for a message that follows.
    void cut();
};

// Standard error when it is a terminal and the run is not quiet, else null.
std::FILE* progress_stream(bool quiet);
