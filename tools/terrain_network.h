// Terrain networks: the channels of a synthetic terrain, as a GIS exports them, with the truth of
// every pixel.
//
// A seeded fractal surface (value noise summed over octaves, each octave half the wavelength and
// half the amplitude of the one before) is filled so that every pixel drains to the image border
// (priority flood from the border; a pit or flat is raised to one unit above the pixel it is
// reached from, which leaves a tiny gradient across flats). Every inner pixel flows to its
// steepest-descent neighbour (D8: a diagonal drop is divided by sqrt 2; the first of N, NE, E, SE,
// S, SW, W, NW wins a tie); border pixels flow out of the image. The channels are the pixels
// through which at least `threshold` pixels drain, themselves included.
//
// Truth: the Strahler order on the flow tree restricted to the channels. A channel pixel into
// which no channel pixel flows has order 1; any other takes the highest order among the channel
// pixels flowing into it, plus one when two or more of them share that order. Every channel pixel
// is scored (no junction zone). A stream begins at a source or where the order rises.
//
// Memory: about 20 bytes per pixel while generating; the result keeps the flow directions, one
// byte per pixel.
#pragma once

#include <cstdint>

#include "tools/truth_network.h"

struct TerrainOptions {
    int nb_lig = 300;
    int nb_col = 300;
    std::uint64_t seed = 1;
    long long threshold = 40;  // pixels, 2 or more
    // Coarse grid: each pixel stands for coarse x coarse pixels of the same surface drawn finely
    // (the surface is that of an image coarse times larger, read at every coarse-th pixel), so
    // that a valley is a few pixels wide and D8 flow zig-zags, as on a coarse DEM. 1..64.
    int coarse = 1;
    // Shapes of dense D8 rasters, each 0..100, 0 (the default) for none; they shape the surface
    // only (tools/terrain_shapes.h), so the truth is that of the flow tree they give.
    // Terraces: the lowest `flats` percent of every height band of the surface is flattened
    // before filling; channels cross the filled treads in lines that ties decide.
    int flats = 0;
    // A checkerboard of `zigzag` percent of the average slope a pixel: on gentle ground, flow
    // keeps to one colour of the board and channels zig-zag in 45-degree steps.
    int zigzag = 0;
    // At `beside` percent of the confluences, the tributary's valley is carved down beside the
    // stem for 1 to 5 pixels below the confluence, so that it runs beside the stem, touching it,
    // before it joins.
    int beside = 0;
    unsigned char network_value = 0;
    unsigned char background = 255;  // must differ from network_value
};

// Throws std::invalid_argument when a size lies outside 16..65536, the size product exceeds
// 2^31, the threshold is below 2, coarse lies outside 1..64 or makes the fine surface larger
// than 65536, a shape lies outside 0..100, or the two values are equal.
TruthNetwork generate_terrain_network(const TerrainOptions& options);
