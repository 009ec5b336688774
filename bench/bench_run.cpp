// A whole run of the program, raw in and raw out, against copying its input file.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file.h"
#include "bench/bench.h"
#include "bench/figures.h"

namespace {

// A plain buffered copy; false when any read or write fails.
bool copy_file(const std::string& from, const std::string& to) {
    File in = open_file(from, "rb");
    File out = open_file(to, "wb");
    if (!in || !out) return false;
    std::vector<char> buf(1 << 20);
    for (;;) {
        const std::size_t n = std::fread(buf.data(), 1, buf.size(), in.get());
        if (n == 0) break;
        if (std::fwrite(buf.data(), 1, n, out.get()) != n) return false;
    }
    return !std::ferror(in.get()) && std::fclose(out.release()) == 0;
}

std::string slurp(const std::string& path) {
    File f = open_file(path, "rb");
    std::string s;
    if (!f) return s;
    std::vector<char> buf(1 << 20);
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), f.get())) > 0) s.append(buf.data(), n);
    return s;
}

}  // namespace

void bench_whole_run(Spawner& spawner, const Network& net, const std::string& work,
                     const std::string& program, int last_order) {
    const std::string folder = work + "/images/Bench";
    std::filesystem::create_directories(folder);
    const std::string input = folder + "/net.raw";
    if (!write_raw_network(net, folder + "/net", 25.0)) {
        figure("run_input_written", 0, "bool");
        return;
    }

    double copy = 1e30;
    bool copied = true;
    for (int round = 0; round < 2; ++round) {
        const auto start = BenchClock::now();
        copied = copy_file(input, work + "/copy.raw") && copied;
        copy = std::min(copy, seconds_since(start));
        std::remove((work + "/copy.raw").c_str());
    }

    const std::string answers = work + "/answers.txt";
    {
        File f = open_file(answers, "w");
        if (f) std::fprintf(f.get(), "Bench net 0 0 0 0 %d 1\n", last_order);
    }
    // Best of a few runs (see bench_ascii), each writing its results anew; the peak memory is
    // the largest of them.
    SpawnResult run;
    long peak_kb = 0;
    for (int round = 0; round < kRounds + 1; ++round) {
        for (const char* ending : {"_strahler.raw", "_strahler.txt", "_strahler_info.txt"}) {
            std::remove((folder + "/net" + ending).c_str());
        }
        SpawnResult r = spawn_and_wait(spawner, program, work, answers, work + "/console.txt");
        peak_kb = std::max(peak_kb, static_cast<long>(r.peak_kb));
        if (round == 0 || r.seconds < run.seconds) run = r;
    }
    run.peak_kb = peak_kb;
    const std::vector<unsigned char> orders = strahler_orders(net);
    const std::string result = slurp(folder + "/net_strahler.raw");
    const bool matches =
        result.size() == orders.size() &&
        std::equal(orders.begin(), orders.end(), result.begin(),
                   [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); });

    figure("copy_input", copy, "s");
    figure("copy_input_ok", copied, "bool");
    figure("run_raw_to_raw", run.seconds, "s");
    figure("run_over_copy", ratio(run.seconds, copy), "x");
    figure("run_exit_status", run.exit_status, "status");
    figure("run_result_is_strahler", matches, "bool");
    figure("run_peak_memory", static_cast<double>(run.peak_kb) * 1024.0, "bytes");
    figure("run_peak_bytes_per_pixel",
           static_cast<double>(run.peak_kb) * 1024.0 / static_cast<double>(net.cells.size()),
           "bytes/px");

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
