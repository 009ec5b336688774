// The block of a pass in the report: the same text whatever the number of threads that format
// its lines, numbered over the counted walks only.

#include "formats/report_lines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string pass_block(const std::vector<int>& points, const std::vector<double>& lengths,
                       const std::vector<char>& counted, int threads) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* f = open_memstream(&data, &size);
    report_pass(f, 3, 7, points, lengths, counted, 12.5, threads);
    std::fclose(f);
    std::string text(data, size);
    std::free(data);
    return text;
}

TEST(ReportLines, APassOfManyWalksReadsTheSameOnEveryNumberOfThreads) {
    // Enough walks for several pieces on every thread; one walk in seven ran out of network.
    const int walks = 250001;
    std::vector<int> points(walks);
    std::vector<double> lengths(walks);
    std::vector<char> counted(walks);
    for (int w = 0; w < walks; ++w) {
        points[w] = 1 + w % 97;
        lengths[w] = w * 0.7071067811865476;
        counted[w] = w % 7 != 3;
    }
    const std::string one = pass_block(points, lengths, counted, 1);
    // Compared whole, not printed: the text is megabytes long.
    EXPECT_TRUE(pass_block(points, lengths, counted, 2) == one);
    EXPECT_TRUE(pass_block(points, lengths, counted, 3) == one);
    // The last walk is counted, and its line is the last: numbered over the counted walks.
    const int lines = walks - (walks - 3 + 6) / 7;
    const std::string last = "\n\t\tsegment " + std::to_string(lines) + " num_pix " +
                             std::to_string(1 + (walks - 1) % 97) + " length ";
    EXPECT_NE(one.find(last), std::string::npos);
    EXPECT_EQ(one.find("\n\t\tsegment " + std::to_string(lines + 1) + " "), std::string::npos);
    const std::string heading = "\n\n\tOrder number 3 \n\n\t\tNumber of segments : 7 ";
    EXPECT_EQ(one.substr(0, heading.size()), heading);
}

}  // namespace
