#include "run/engine_run.h"

#include "run/network_run.h"

EngineGrids engine_grids(NetworkRun& s) {
    return {s.tab1.rows, s.tab2.rows, s.tab5.rows, s.nb_lig, s.nb_col};
}

EngineOptions engine_options(const NetworkRun& s) {
    EngineOptions o;
    o.network_value = s.val_red;
    o.outside_value = s.outside_value;
    o.pixel_size_m = s.dpix_size;
    o.last_order = s.Num_order;
    o.threads = s.threads;
    o.step_images = s.save_step == 1;
    o.drawing = s.drawing;
    o.flow_grid = s.flow_grid;
    o.core_budget = s.core_budget;
    return o;
}

void run_engine(NetworkRun& s, PassEvents& events) {
    const EngineResult r = order_network(engine_grids(s), engine_options(s), events);
    s.num_segm = r.segments;
    s.red_length = r.total_length;
    s.loop_pixels = r.loop_pixels;
    s.borderless_parts = r.borderless_parts;
    s.core_refused = r.core_refused;
    s.core_network = r.core_network;
    s.flow_refused = r.flow_refused;
}
