// The report of one network (NAME_strahler_info.txt), for every front end: its opening (the
// heading and the parameters), a block for every pass with its step images, and its end (what
// could not be ordered soundly and the closing lines). The dialogue writes each piece as its run
// reaches it, the command line the whole report from its record once the passes are done; the
// text is made here only.
#pragma once

#include <cstdio>
#include <vector>

#include "run/pass_records.h"

struct NetworkRun;

// The heading (s.nomim1, s.nomim2), the network value, the last order the report names, and
// whether the step images are saved.
void report_opening(std::FILE* info, const NetworkRun& s, int last_order);

// The block of one pass: the lines of its step images when they were asked for, then its
// segments (the walks flagged in counted, numbered in walk order) and its total.
void report_pass_block(std::FILE* info, const PassRecord& pass, const std::vector<int>& points,
                       const std::vector<double>& lengths, const std::vector<char>& counted,
                       int threads);

// What could not be ordered soundly, when anything, then the network's length and the order
// image s.nomim2, named as written or as not written.
void report_end(std::FILE* info, const NetworkRun& s, bool image_written);

// Writes s.nominfo from the record, completely or not at all. last_order is the one the report
// names: the passes asked for, or those kept until the network was used up. False when the
// report could not be written.
bool write_report(const NetworkRun& s, const OrderRecord& record, int last_order,
                  bool image_written);
