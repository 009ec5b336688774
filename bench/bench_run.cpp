// A whole run of the program, raw in and raw out, against the floor (branchranker_floor: read,
// one 3 x 3 sweep, write) and against copying its input file.

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

void bench_whole_run(Spawner& spawner, const Network& net, const BenchSetup& b, int last_order,
                     const std::string& prefix, bool clean) {
    auto name = [&](const char* what) { return prefix + what; };
    const std::string& work = b.work;
    const std::string folder = work + "/images/Bench";
    std::filesystem::create_directories(folder);
    const std::string input = folder + "/net.raw";
    if (!write_raw_network(net, folder + "/net", 25.0)) {
        figure(name("run_input_written").c_str(), 0, "bool");
        return;
    }

    double copy = 1e30;
    bool copied = true;
    for (int round = 0; round < b.rounds; ++round) {
        const auto start = BenchClock::now();
        copied = copy_file(input, work + "/copy.raw") && copied;
        copy = std::min(copy, seconds_since(start));
        std::remove((work + "/copy.raw").c_str());
    }

    const std::string answers = work + "/answers.txt";
    const std::string floor_answers = work + "/floor_answers.txt";
    const std::string floor_output = work + "/floor.raw";
    {
        File f = open_file(answers, "w");
        if (f) std::fprintf(f.get(), "Bench net 0 0 0 %d %d 1\n", net.network_value, last_order);
        File g = open_file(floor_answers, "w");
        if (g) {
            std::fprintf(g.get(), "%s %s %d %d %d\n", input.c_str(), floor_output.c_str(),
                         net.nb_lig, net.nb_col, net.network_value);
        }
    }
    // Best of a few runs, the floor and the program taking turns (see bench_ascii), each writing
    // its results anew; the peak memory is the largest of the program's runs. One more round
    // than asked: the first brings the input into the page cache.
    SpawnResult run;
    SpawnResult floor;
    bool floor_ok = true;
    long peak_kb = 0;
    for (int round = 0; round < b.rounds + 1; ++round) {
        std::remove(floor_output.c_str());
        const SpawnResult f =
            spawn_and_wait(spawner, b.floor_program, work, floor_answers, work + "/floor.txt");
        floor_ok = floor_ok && f.exit_status == 0;
        if (round == 0 || f.seconds < floor.seconds) floor = f;
        for (const char* ending : {"_strahler.raw", "_strahler.txt", "_strahler_info.txt"}) {
            std::remove((folder + "/net" + ending).c_str());
        }
        SpawnResult r = spawn_and_wait(spawner, b.program, work, answers, work + "/console.txt");
        peak_kb = std::max(peak_kb, static_cast<long>(r.peak_kb));
        if (round == 0 || r.seconds < run.seconds) run = r;
    }
    std::remove(floor_output.c_str());
    run.peak_kb = peak_kb;

    figure(name("floor_raw_to_raw").c_str(), floor.seconds, "s");
    figure(name("floor_ok").c_str(), floor_ok, "bool");
    figure(name("copy_input").c_str(), copy, "s");
    figure(name("copy_input_ok").c_str(), copied, "bool");
    figure(name("run_raw_to_raw").c_str(), run.seconds, "s");
    figure(name("run_over_floor").c_str(), ratio(run.seconds, floor.seconds), "x");
    figure(name("run_over_copy").c_str(), ratio(run.seconds, copy), "x");
    figure(name("run_exit_status").c_str(), run.exit_status, "status");
    if (clean) {
        const std::vector<unsigned char> orders = strahler_orders(net);
        const std::string result = slurp(folder + "/net_strahler.raw");
        const bool matches =
            result.size() == orders.size() &&
            std::equal(orders.begin(), orders.end(), result.begin(),
                       [](unsigned char a, char c) { return a == static_cast<unsigned char>(c); });
        figure(name("run_result_is_strahler").c_str(), matches, "bool");
    }
    figure(name("run_peak_memory").c_str(), static_cast<double>(run.peak_kb) * 1024.0, "bytes");
    figure(name("run_peak_bytes_per_pixel").c_str(),
           static_cast<double>(run.peak_kb) * 1024.0 / static_cast<double>(net.cells.size()),
           "bytes/px");

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
