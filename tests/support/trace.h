// The walks of a pass: from every end point, along the network, up to the first junction or
// border pixel (code 3) or until no network pixel is left to step on.
#pragma once

#include "engine/length.h"
#include "engine/walks.h"

struct RunState;

// Starts a walk at every interior end point of tab2, in row-major order. Each walk labels its
// pixels with k in tab4 and erases them from tab1, except the code-3 pixel it stops on, which
// stays for the walks that follow. Walks that stop on code 3 are counted in num_segm[k]. Every
// walk is measured in tab and recorded in w, counted or not. k is 1 to 63.
void trace_segments(RunState& s, int k, const StepLengths& d, PassWalks& w);
