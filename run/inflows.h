// Parts of the network that touch the image border, or NoData, in several places: streams that
// enter and leave a tile, a map sheet or a clip. The passes walk from sources to the border, so
// the line between two such contacts has no source at either end and would stay unordered.
//
// A contact is a set of network pixels on the border (or beside NoData) that touch each other.
// In a part with several contacts one is the outlet: the one the user names (--outlet), else the
// one whose tree, traced from it over the part's pixels, gives the part its highest Strahler
// order (more order summed over the part's pixels breaking a tie, then the first contact in
// row-major order). Every other contact is an inflow: a source whose upstream lies outside the
// image. Its pixels are taken out of the network for the passes, so that the pixel inside it
// is an end point that a pass starts from; once the passes are over they are put back with the
// lowest order among the ordered pixels beside them, the order of the stream they feed. The
// orders downstream of an inflow are lower bounds, since what flows in is not known.
//
// A part whose contacts would cost more than kTrialVisits pixel visits to try in turn is tried
// at its first contacts only, within that budget; naming its outlet is then the sound way.
#pragma once

#include <string>
#include <vector>

#include "engine/pixel_index.h"

// The grids as the command line holds them, nb_lig x nb_col bytes.
struct ContactGrids {
    unsigned char* const* tab1;  // the network (net), background or erased (255), outside bytes
    // The labels of a run over tab1 (255: none), or null before any run: the network as loaded
    // is then tab1's network pixels plus the pixels a walk labelled (and erased).
    unsigned char* const* tab5;
    int nb_lig;
    int nb_col;
    int net;      // the network byte
    int outside;  // the byte of cells outside the image (NoData), or -1
};

// An outlet the user names: the text given, for messages, and the pixel that holds the point
// (either may lie outside the image).
struct NamedOutlet {
    std::string name;
    long long line = 0;
    long long column = 0;
};

inline constexpr long long kTrialVisits = 200'000'000;

struct InflowPlan {
    std::vector<PixelIndex> cut;  // the pixels of every inflow contact, row-major
    int parts = 0;                // parts with several contacts
    int inflows = 0;              // contacts read as inflows
    // Pixels from the inflows down to their outlets, the inflows' own included: those whose
    // order is a lower bound.
    long long inflow_pixels = 0;
};

// Finds the parts with several contacts, their outlets and their inflows. A named outlet must
// lie on or beside (one pixel, side or corner) a network pixel of a contact; the contact of the
// pixel it lies on comes first, then those of its neighbours in row-major order. Returns false
// with `fault` naming the outlet when one lies on or beside no such pixel, or when two name
// different contacts of one part.
bool plan_inflows(const ContactGrids& g, const std::vector<NamedOutlet>& named, InflowPlan& plan,
                  std::string& fault);

// Takes the inflows' pixels out of tab1 (255), before the passes.
void cut_inflows(unsigned char* const* tab1, int nb_col, const InflowPlan& plan);

// Puts them back (tab1 = net) once the passes are over, each with the lowest order among its
// ordered neighbours in tab5 (found outwards from the stream they feed); one with none stays
// without an order.
void restore_inflows(const ContactGrids& g, const InflowPlan& plan);
