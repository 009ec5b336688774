// Every output is opened under a temporary name beside its final one (base/output_file.h) and
// put in place only when complete, so that a run that cannot finish leaves nothing half-made
// behind and an earlier result of the same name stays as it was.

#include "dialogue/output_setup.h"

#include <filesystem>
#include <string>
#include <vector>

#include "base/console.h"
#include "dialogue/allocate.h"
#include "dialogue/ask.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"
#include "formats/image.h"
#include "formats/raw_image.h"
#include "run/file_clash.h"
#include "run/result_names.h"

namespace {

File create(RunState& s, Console& c, PendingOutput& out, const std::string& path) {
    File f = begin_output(out, path);
    if (!f) {
        discard_outputs(s);
        end_run(c, 1, "\n\tFile %s cannot be created\n", path.c_str());
    }
    return f;
}

// A BMP result is written only after the passes; make sure now that it can be: its temporary
// can be made beside it, and no folder stands in its place. Nothing is left of the probe.
void check_writable(RunState& s, Console& c, const std::string& path) {
    PendingOutput probe;
    create(s, c, probe, path).reset();
}

// The first file that a run could write under the result name `name` and that is the network
// image or its descriptor, under its own name or through a link (symbolic or hard); empty when
// there is none. A result must never replace the input.
std::string output_replacing_input(const RunState& s, const std::string& name) {
    std::vector<RunFile> outputs, inputs;
    for (const std::string& output : result_files(result_base(s.nomim2 + name), false))
        outputs.push_back({output, "a result"});
    for (const std::string& input : {s.nomim1, s.nomdescr1})
        if (!input.empty()) inputs.push_back({input, "the network"});
    const RunFile* replacing = result_replacing_input(outputs, inputs);
    return replacing != nullptr ? replacing->path : std::string();
}

}  // namespace

void discard_outputs(RunState& s) {
    s.finfo.reset();
    s.f2.reset();
    abandon(s.info_out);
    abandon(s.result_out);
}

void set_up_output(RunState& s, Console& c, const std::string& nomfic) {
    print(c, "\n\n\tResulting File: ");
    int rep = ask_int(
        c,
        [&] {
            print(c, "\n\t\t0 -----> Using the generic name %s ? ", nomfic.c_str());
            print(c, "\n\t\t1 -----> Creating a new file ? \n\t\t");
        },
        [](int v) { return v == 0 || v == 1; });
    std::string nomfic1 = nomfic;
    if (rep == 1) {
        nomfic1 = ask_word(
            c, [&] { print(c, "\n\tName of the output file (without any extension) ? "); },
            [&](const std::string& name) {
                if (output_replacing_input(s, name).empty()) return true;
                print(c, "\n\tWith this name a result would replace the network file");
                return false;
            });
    } else if (const std::string output = output_replacing_input(s, nomfic1); !output.empty()) {
        // The generic name offers no other choice: a link under a result's name leads to the
        // network image or its descriptor.
        end_run(c, 1, "\n\tFile %s leads to the network file: a result cannot be written there\n",
                output.c_str());
    }

    s.nomim2 = result_base(s.nomim2 + nomfic1);
    s.nomim_step = s.nomim2;
    s.nominfo = report_name(s.nomim2);

    s.finfo = create(s, c, s.info_out, s.nominfo);

    s.image_type = static_cast<ImageType>(ask_image_type(c, [&](int v) {
        // Refused now rather than after the passes, when the work would be lost.
        if (v == 1 && !fits_bmp(s.nb_col, s.nb_lig)) {
            print(c, "\n\tThe image is too large for a bitmap file (4 GiB at most)");
            return false;
        }
        return true;
    }));

    if (s.image_type == ImageType::raw) {
        s.nomdescr2 = descriptor_name(s.nomim2);
        s.nomim2 = image_name(s.nomim2, ImageType::raw);
        s.f2 = create(s, c, s.result_out, s.nomim2);
        check_writable(s, c, s.nomdescr2);  // written with the image after the passes
    } else if (s.image_type == ImageType::bmp) {
        s.nomim2 = image_name(s.nomim2, ImageType::bmp);
        check_writable(s, c, s.nomim2);
    } else {
        s.nomim2 = image_name(s.nomim2, ImageType::ascii);
        if (!s.open_ascii_OK) {
            print(c, "\n\tUTM coordinates required ");
            s.X_min = ask_real(c, [&] { print(c, "\n\t\tX_min ? "); });
            s.Y_min = ask_real(c, [&] { print(c, "\t\tY_min ? "); });
            s.open_ascii_OK = true;
        }
        check_writable(s, c, s.nomim2);
    }

    // The program's engine reads the loaded network from tab1 and tab5 and writes its labels
    // straight into tab5, so the copy `tab` and the pass labels `tab4` are not made, and the
    // points image `tab2` only when the step images are saved (see parameters): a run holds two
    // or three grids, not five.
    // A raw result on a temporary is the result grid itself, mapped from the file: the passes
    // leave their labels in the image, which is never copied.
    if (s.image_type == ImageType::raw && s.result_out)
        s.tab5 = map_raw_image(s.f2, s.nb_lig, s.nb_col);
    if (!s.tab5) {
        // Written from the grid after the passes, through a temporary of its own.
        s.f2.reset();
        abandon(s.result_out);
        s.tab5 = allocate_grid(s, c, "the working images");
    }
}
