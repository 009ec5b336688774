// The ordered network as a GIS holds a stream network: lines that meet, split at every
// confluence into links between nodes, with Strahler order and Shreve magnitude side by side.
//
// A segment (a Strahler stream, one walk) ends on the pixel where its walk stopped. The segment
// it flows into usually starts from that pixel or runs through it; at a junction group it may
// take the group without walking that pixel. join_segments then extends the stream's line
// through the group, by the fewest linked network pixels, to the nearest pixel of the line
// below, so that every line ends on the line it flows into.
//
// A link is a piece of one segment between two nodes: a segment is cut at every pixel where
// another ends on it. Nodes are pixels, each one node whatever the links that meet there, of
// one kind:
//   source      a link starts there and none ends there, away from the image border;
//   inflow      the same on the image border, next to NoData or beside a contact read as an
//               inflow (inflows.h): the stream comes from outside the image, and its orders and
//               magnitudes below are lower bounds;
//   confluence  links end there and one goes on;
//   outlet      links end there and none goes on, on the border or next to NoData: the stream
//               leaves the image;
//   end         the same away from the border: the passes reached nothing below it (a part
//               that touches the border nowhere, or --last).
// Shreve magnitude: 1 for a link from a source or inflow, else the sum of the links that end
// where it starts. Lengths: the half-step rule of the segments (map_lengths.h), each pixel's
// share going to the link that starts from it, so that the links of a segment add up to its
// length; the pixels that join a line to the line below (to_below) add no length, as the
// walks measured none for them.
#pragma once

#include <vector>

#include "formats/gis/link_writer.h"
#include "run/map_lengths.h"
#include "run/pass_records.h"

// Fills TracedSegment::to_below of every segment whose last pixel is not on the line below;
// the record's paths must be kept whole.
void join_segments(OrderRecord& record, const LoadedNetwork& network);

struct StreamLinks {
    std::vector<LinkRecord> links;  // segment by segment in report order, each downstream
    std::vector<NodeRecord> nodes;
};

// Links and nodes of a record whose paths were kept whole, after join_segments. inflows: the
// pixels of the contacts read as inflows (inflows.h), row-major, taken out of the network for the
// passes: a start beside one is an inflow.
StreamLinks stream_links(const OrderRecord& record, const LengthRule& rule,
                         const LoadedNetwork& network, const std::vector<PixelIndex>& inflows = {});
