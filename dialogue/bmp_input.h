// BMP input: the network image read into tab1 (a 24-bit picture as grey values), then the pixel
// size. nomim1 already carries the ending.
#pragma once

struct Console;
struct RunState;

void load_bmp_input(RunState& s, Console& c);
