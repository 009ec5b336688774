// The segments table: one CSV row per segment of every network of a run, in the order of the
// reports (pass 1's segments from the top of the image down, then pass 2's, ...).
//
// Columns: network, id, order, pass, segment, pixels, length_m, first_row, first_column,
// first_x, first_y, last_row, last_column, last_x, last_y, flows_into. id counts the segments of
// the network from 1; segment is the number the report gives it in its pass block; order and
// pass are equal (pass k traces the streams of order k). Rows and columns count from 0, line 0
// the top line. Map x and y are those of the pixel centres: for a raw input x = X_min + (column
// + 0.5) * pixel, y = Y_min + (lines - row - 0.5) * pixel, with the lower-left corner 0,0 or
// --corner; for a GDAL input through its georeference (degrees with 9 decimals on a geographic
// system). flows_into is the id of the segment downstream, empty for an outlet on the border or
// a stream whose downstream no pass reached.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "run/network_input.h"
#include "run/pass_records.h"

struct NetworkRun;

inline constexpr std::size_t kSegmentColumns = 17;
extern const std::array<const char*, kSegmentColumns> kSegmentColumnNames;  // as above

// The fields of segment i's row, unquoted, an empty text for an empty field; the last is the
// segment's line as WKT ("LINESTRING (x y, ...)"), empty when its pixels were not kept.
std::vector<std::string> segment_fields(const NetworkRun& s, const NetworkPlace& place,
                                        const OrderRecord& record, std::size_t i);

void write_segments_header(std::FILE* f);
void write_segments_rows(std::FILE* f, const NetworkRun& s, const NetworkPlace& place,
                         const OrderRecord& record);

// A field as CSV wants it: in double quotes, with its quotes doubled, when it holds a comma, a
// quote or a line end.
std::string csv_field(const std::string& text);
