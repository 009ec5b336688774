// Network pixels that every pass left without an order and that no closed loop holds: the
// lines between two contacts of a part with the image border or with NoData (a stream that
// enters and leaves a tile, a map sheet or a clip), which no pass starts since neither end is a
// source. Counted so that the report, the warning and the summary never pass them over.
#pragma once

struct NetworkRun;

// Counts them in a run state after the engine ran every pass (tab1 then holds the network
// left, tab5 the orders): network pixels of tab1 without an order in tab5, less the loop pixels.
long long unordered_between_contacts(const NetworkRun& s);
