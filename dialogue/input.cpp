// Input acquisition: banner, folder, network name, input type, loading of the network image
// into tab1, size report.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/input_file.h"
#include "base/output_file.h"
#include "base/pixel_size.h"
#include "dialogue/ascii_input.h"
#include "dialogue/ask.h"
#include "dialogue/bmp_input.h"
#include "dialogue/network_file.h"
#include "dialogue/output_setup.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"
#include "formats/raw_image.h"
#include "run/raw_network.h"

namespace {

const char* const kBanner[] = {
    "\n\n\t**************************************************************",
    "\n\t*                                                            *",
    "\n\t*                    BRANCHRANKER                            *",
    "\n\t*                                                            *",
    "\n\t*                                                            *",
    "\n\t*                                                            *",
    "\n\t*                                                            *",
    "\n\t*                                     VELQUARINDOS           *",
    "\n\t*                                     (Abril 2008)           *",
    "\n\t*                                                            *",
    "\n\t*                               Actualisation 2019           *",
    "\n\t*                                                            *",
    "\n\t**************************************************************",
};

void ask_raw_sizes(RunState& s, Console& c) {
    auto positive = [](int v) { return v > 0; };
    s.nb_lig = ask_int(
        c, [&] { print(c, "\n\tNumber of lines   ? "); }, positive);
    s.nb_col = ask_int(
        c, [&] { print(c, "\n\tNumber of columns ? "); }, positive);
    s.dpix_size = ask_pixel_size(c, "\n\tPixel size (real) ? ");
}

void load_raw_input(RunState& s, Console& c) {
    s.nomdescr1 = s.nomim1;
    s.nomim1 += ".raw";
    s.nomdescr1 += ".txt";
    s.f1 = open_network_file(c, s.nomim1);

    // Only a descriptor that is not there at all is asked for and written: one that exists but
    // cannot be read must not be replaced.
    bool descriptor_missing = false;
    InputFault fault = InputFault::none;
    s.f1d = open_input_file(s.nomdescr1, fault);
    if (fault == InputFault::not_regular) end_not_regular_input(c, s.nomdescr1);
    if (fault == InputFault::cannot_open) {
        end_run(c, 1, "\n\tDescriptor %s cannot be read\n", s.nomdescr1.c_str());
    }
    if (s.f1d) {
        RawDescriptor d;
        const bool complete = read_checked_descriptor(s.f1d.get(), d);
        s.f1d.reset();
        keep_raw_descriptor(d, s);
        if (!complete) {
            end_run(c, 1,
                    "\n\tDescriptor %s: expected six numbers, the lines and the columns positive"
                    " (lines, columns, 1, 0, 255, pixel size)\n",
                    s.nomdescr1.c_str());
        }
        if (!valid_pixel_size(s.dpix_size)) {
            end_run(c, 1, "\n\tDescriptor %s: the pixel size must be a number of metres above 0\n",
                    s.nomdescr1.c_str());
        }
        if (!pixel_size_in_range(s.dpix_size)) {
            end_run(c, 1, "\n\tDescriptor %s: the pixel size must be a number of metres %s\n",
                    s.nomdescr1.c_str(), kPixelSizeRange);
        }
    } else {
        descriptor_missing = true;
        print(c, "\n\tNo File %s \n\n", s.nomdescr1.c_str());
        ask_raw_sizes(s, c);
    }

    // The file must hold the whole image before anything is allocated or created.
    const RawImageRead read =
        read_raw_network(s.f1.get(), s.nomim1, s.nb_lig, s.nb_col, s.threads, s.tab1);
    switch (read.fault) {
        case RawImageRead::Fault::none:
            break;
        case RawImageRead::Fault::short_file:
            end_run(c, 1, "\n\tFile %s holds %llu bytes, fewer than %d lines x %d columns\n",
                    s.nomim1.c_str(), read.bytes, s.nb_lig, s.nb_col);
        case RawImageRead::Fault::no_memory:
            s.f1.reset();
            discard_outputs(s);
            end_run(c, 1, "\n\tNot enough memory for an image of %d lines and %d columns\n",
                    s.nb_lig, s.nb_col);
        case RawImageRead::Fault::unreadable:
            end_run(c, 1, "\n\tFile %s could not be read at line %d\n", s.nomim1.c_str(),
                    read.failed_line);
    }
    s.f1.reset();

    if (descriptor_missing) {
        // A dangling link in its place is followed, as a plain open would: the link stays.
        PendingOutput out;
        File f = begin_output(out, s.nomdescr1);
        const bool written = f &&
                             write_input_descriptor(f.get(), s.nb_lig, s.nb_col, s.dpix_size) &&
                             finish_output(out, f);
        if (!written) {
            end_run(c, 1, "\n\tThe descriptor %s could not be written\n", s.nomdescr1.c_str());
        }
    }
}

}  // namespace

void acquire_input(RunState& s, Console& c, std::string& nomfic) {
    for (const char* line : kBanner) print(c, "%s", line);

    s.nomim1 = "images/";
    std::string nomdir = ask_word(c, [&] {
        print(c, "\n\n\tName of the File Folder located in the Directory C:\\images? ");
    });
    s.nomim1 += nomdir + "/";
    s.nomim2 = s.nomim1;
    s.nomim3 = s.nomim1;

    nomfic = ask_word(
        c, [&] { print(c, "\n\tName of the drainage network file (whitout any extension) ? "); });
    s.nomim1 += nomfic;

    s.open_ascii_OK = false;
    s.river_type = static_cast<ImageType>(ask_image_type(c));

    switch (s.river_type) {
        case ImageType::raw:
            load_raw_input(s, c);
            break;
        case ImageType::bmp:
            s.nomim1 += ".bmp";
            load_bmp_input(s, c);
            break;
        default:
            s.nomim1 += ".asc";
            s.f1 = open_network_file(c, s.nomim1);
            s.open_ascii_OK = true;
            load_ascii_input(s, c);
            break;
    }

    print(c, "\n\tSIZE OF THE IMAGE RIVER: ");
    print(c, "\n\t            %d LINES", s.nb_lig);
    print(c, "\n\t        AND %d COLUMNS", s.nb_col);
}
