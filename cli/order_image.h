// The order image of one network: s.tab5 in the result type s.image_type (0 raw with its
// descriptor, 1 BMP, 2 ASCII grid with the lower-left corner X_min, Y_min).
#pragma once

#include <string>

struct RunState;

// Writes s.nomim2 (and the descriptor s.nomdescr2 of a raw image), each completely or not at
// all. False when a file could not be written: failed then names it.
bool write_order_image(const RunState& s, std::string& failed);
