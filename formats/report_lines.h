// The lines of the report file, the same for every front end: the heading and parameters, the
// step image lines, the block of every pass and the closing lines. Each writes to the open
// report stream `info` and prints nothing; a failed write shows when the stream is flushed at
// the end of the run.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// "BRANCHRANKER", the network image read and the order image to be written.
void report_heading(std::FILE* info, const std::string& river, const std::string& result);
void report_network_value(std::FILE* info, int val_red);
void report_last_order(std::FILE* info, int last_order);
void report_steps_saved(std::FILE* info);  // step images were asked for

// The step images of a pass, named as saved or as not saved.
void report_points_image(std::FILE* info, const std::string& path, bool saved);
void report_segments_image(std::FILE* info, const std::string& path, bool saved);

// The block of pass k: its heading, the segment count, one line per walk that ended on a junction
// or border pixel (counted[w] != 0), numbered from 1 in walk order, and the pass total in metres.
// points and lengths (metres) have one entry per walk; walks that are not counted are skipped,
// so the lines, the count and the total agree. A pass of many walks has its lines formatted on
// up to `threads` threads (the text is the same).
void report_pass(std::FILE* info, int k, int segments, const std::vector<int>& points,
                 const std::vector<double>& lengths, const std::vector<char>& counted, double total,
                 int threads = 1);

// What could not be ordered soundly, as one block that the report and the console both show
// after the last pass: network pixels left on closed loops, parts of the network that touch the
// border nowhere. Empty when both are 0.
std::string unsound_block(long long loop_pixels, int borderless_parts);
// The same with the network pixels left without an order between two border or NoData contacts
// (a stream that enters and leaves the image); with none, the text of the two-figure block.
std::string unsound_block(long long loop_pixels, int borderless_parts, long long between_contacts);
// The same with the contacts read as inflows (streams that enter the image, read as sources)
// and the pixels downstream of them, whose orders are lower bounds; with none, the text of the
// three-figure block.
std::string unsound_block(long long loop_pixels, int borderless_parts, long long between_contacts,
                          int inflows, long long inflow_pixels);

// The network total in metres, then the order image's name, or that it could not be written.
void report_closing(std::FILE* info, double red_length, const std::string& result, bool written);
