// The two step images of a pass, 8-bit grey BMP files: the points (tab2: 2, 3 and 255 show as
// those grey levels) and the network left for the next pass (tab1).
#pragma once

struct Console;
struct RunState;

// Names the step images of pass k after nomim_step. Passes after 5 keep the pass-5 names, so
// their images replace the pass-5 ones.
void name_step_images(RunState& s, int k);

// Each saves its image and says so on the console, or says that it could not be saved; the run
// goes on either way. True when it was saved (the report names it so).
bool save_points_image(RunState& s, Console& c);
bool save_segments_image(RunState& s, Console& c);
