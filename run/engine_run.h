// A front end's run state handed to the order engine (engine/order.h): the loaded grids and the
// answers or options in, the engine's figures kept in the run state for the report and the
// closing lines.
#pragma once

#include "engine/order.h"

struct PassEvents;
struct NetworkRun;

// The grids of the run state: tab1, tab2 (null unless step images are saved) and tab5.
EngineGrids engine_grids(NetworkRun& s);

// val_red, outside_value, dpix_size, Num_order, threads, save_step, drawing, flow_grid and core_budget.
EngineOptions engine_options(const NetworkRun& s);

// Orders the loaded network, reporting every pass to events, and keeps the figures in num_segm,
// red_length, loop_pixels, borderless_parts, core_refused and core_network.
void run_engine(NetworkRun& s, PassEvents& events);
