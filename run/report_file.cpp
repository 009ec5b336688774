#include "run/report_file.h"

#include <string>

#include "base/file.h"
#include "base/output_file.h"
#include "formats/report_lines.h"
#include "run/network_run.h"

void report_opening(std::FILE* info, const NetworkRun& s, int last_order) {
    report_heading(info, s.nomim1, s.nomim2);
    report_network_value(info, s.val_red);
    report_last_order(info, last_order);
    if (s.save_step == 1) report_steps_saved(info);
}

void report_pass_block(std::FILE* info, const PassRecord& pass, const std::vector<int>& points,
                       const std::vector<double>& lengths, const std::vector<char>& counted,
                       int threads) {
    if (pass.steps) {
        report_points_image(info, pass.points_image, pass.points_saved);
        report_segments_image(info, pass.segments_image, pass.segments_saved);
    }
    report_pass(info, pass.k, pass.segments, points, lengths, counted, pass.total, threads);
}

void report_end(std::FILE* info, const NetworkRun& s, bool image_written) {
    const std::string unsound = unsound_block(s.loop_pixels, s.borderless_parts, s.between_contacts,
                                              s.inflows, s.inflow_pixels);
    std::fputs(unsound.c_str(), info);
    report_closing(info, s.red_length, s.nomim2, image_written);
}

bool write_report(const NetworkRun& s, const OrderRecord& record, int last_order,
                  bool image_written) {
    PendingOutput out;
    File f = begin_output(out, s.nominfo);
    if (!f) return false;
    report_opening(f.get(), s, last_order);
    std::vector<int> points;
    std::vector<double> lengths;
    for (std::size_t p = 0; p < record.passes.size(); ++p) {
        const PassRecord& pass = record.passes[p];
        const std::size_t end = p + 1 < record.passes.size() ? record.passes[p + 1].first_segment
                                                             : record.segments.size();
        points.clear();
        lengths.clear();
        for (std::size_t i = pass.first_segment; i < end; ++i) {
            points.push_back(record.segments[i].points);
            lengths.push_back(record.segments[i].length);
        }
        const std::vector<char> counted(points.size(), 1);
        report_pass_block(f.get(), pass, points, lengths, counted, s.threads);
    }
    report_end(f.get(), s, image_written);
    return finish_output(out, f);
}
