// The order engine in process, without step images: the fast `order_network` against the reference
// `plain_treatment`, which scans the whole grids in every pass (both runs must leave the same
// order image and the same report), and the fast one on the drawn and terrain networks.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/file.h"
#include "base/nrutil.h"
#include "base/threads.h"
#include "bench/bench.h"
#include "bench/figures.h"
#include "dialogue/pass_texts.h"
#include "dialogue/result.h"
#include "dialogue/run_state.h"
#include "formats/raw_image.h"
#include "run/engine_run.h"
#include "tests/support/plain_treatment.h"
#include "tools/fnv.h"

namespace {

struct EngineRun {
    double seconds = 0.0;  // the passes, the result image and the report's end
    double passes = 0.0;   // the passes alone
    bool ready = false;
    std::uint64_t image = 0;  // a digest of the order image written
    std::string report;       // the report written
};

// The passes of an engine with the dialogue's pass texts, then what the dialogue writes after
// them (timed apart).
struct Engine {
    void (*passes)(RunState&, PassTexts&);
    void (*end)(RunState&, Console&);
};

const Engine program_engine{[](RunState& s, PassTexts& t) { run_engine(s, t); }, end_passes};
const Engine plain_engine{[](RunState& s, PassTexts& t) { plain_treatment(s, t); }, write_result};

ByteGrid grid(const Network& net) {
    return ByteGrid(ucmatrice(net.nb_col, net.nb_lig), net.nb_lig);
}

// A digest of a file, read in pieces: the order images are compared by it, as keeping them (a
// gigabyte each at 32768 x 32768) would churn the memory that the next run then meets.
std::uint64_t digest(const std::string& path) {
    File f = open_file(path, "rb");
    std::vector<unsigned char> piece(std::size_t{1} << 20);
    std::uint64_t h = kFnvOffsetBasis;
    std::size_t got = 0;
    while (f && (got = std::fread(piece.data(), 1, piece.size(), f.get())) > 0) {
        fnv1a(h, piece.data(), got);
    }
    return h;
}

std::string contents(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Sets up the run state as the dialogue leaves it for a raw result, then times the engine.
EngineRun run_engine(const Engine& engine, const Network& net, const std::string& work,
                     int last_order, int threads = 1, bool flow_grid = false) {
    EngineRun r;
    RunState s;
    s.nb_lig = net.nb_lig;
    s.nb_col = net.nb_col;
    s.dpix_size = 25.0;
    s.image_type = ImageType::raw;
    s.val_red = net.network_value;
    s.Num_order = last_order;
    s.save_step = 0;
    s.threads = threads;
    s.flow_grid = flow_grid;
    s.nomim2 = work + "/engine_strahler.raw";
    s.nomim_step = work + "/engine_strahler";
    s.nomdescr2 = work + "/engine_strahler.txt";
    s.nominfo = work + "/engine_strahler_info.txt";
    s.f2 = open_file(s.nomim2, "w+b");
    s.finfo = open_file(s.nominfo, "w");
    // The grids that each engine needs: the plain one all five, the program's tab1 and tab5
    // (as the program makes them for a run without step images: tab5 mapped from the result).
    s.tab1 = grid(net);
    if (engine.passes == program_engine.passes)
        s.tab5 = map_raw_image(s.f2, net.nb_lig, net.nb_col);
    if (!s.tab5) s.tab5 = grid(net);
    if (engine.passes == plain_engine.passes) {
        s.tab = grid(net);
        s.tab2 = grid(net);
        s.tab4 = grid(net);
        if (!s.tab || !s.tab2 || !s.tab4) return r;
    }
    if (!s.f2 || !s.finfo || !s.tab1 || !s.tab5) return r;
    for (int i = 0; i < net.nb_lig; ++i) std::copy(net.row(i), net.row(i) + net.nb_col, s.tab1[i]);

    std::istringstream no_answers;
    std::ofstream discard("/dev/null");
    Console c;
    c.in = &no_answers;
    c.out = &discard;
    c.key_wait = [] {};

    const auto start = BenchClock::now();
    PassTexts texts(s, c);
    engine.passes(s, texts);
    r.passes = seconds_since(start);
    engine.end(s, c);
    r.seconds = seconds_since(start);
    r.ready = s.status == 0;
    s.finfo.reset();
    r.image = digest(s.nomim2);
    r.report = contents(s.nominfo);
    std::remove(s.nomim2.c_str());
    std::remove(s.nominfo.c_str());
    return r;
}

}  // namespace

void bench_engines(const Network& net, long long network_pixels,
                   const std::vector<OtherNetwork>& others, const BenchSetup& b, int last_order,
                   double sweep) {
    // Best of a few rounds. The program's engine with every core, as the program runs it, and
    // with one thread take turns (see bench_ascii); the plain engine's rounds come after theirs.
    // Its five grids are more than twice the memory of the program's two, and on a virtual
    // machine the run right after it met that memory just freed, at times much slower: taking
    // turns with both, the run with every core came next in every round and paid for it.
    const int cores = engine_threads();
    EngineRun fast;
    EngineRun one;
    EngineRun plain;
    double fast_passes = 0.0;
    double one_passes = 0.0;
    for (int round = 0; round < b.rounds; ++round) {
        EngineRun f = run_engine(program_engine, net, b.work, last_order, cores);
        if (round == 0 || f.passes < fast_passes) fast_passes = f.passes;
        if (round == 0 || f.seconds < fast.seconds) fast = std::move(f);
        EngineRun o = run_engine(program_engine, net, b.work, last_order, 1);
        if (round == 0 || o.passes < one_passes) one_passes = o.passes;
        if (round == 0 || o.seconds < one.seconds) one = std::move(o);
    }
    for (int round = 0; round < b.rounds; ++round) {
        EngineRun p = run_engine(plain_engine, net, b.work, last_order);
        if (round == 0 || p.seconds < plain.seconds) plain = std::move(p);
    }
    figure("threads", cores, "threads");
    figure("treatment", fast.seconds, "s");
    figure("treatment_one_thread", one.seconds, "s");
    figure("treatment_threads_over_one", ratio(fast.seconds, one.seconds), "x");
    // The passes alone (the result image and the report are written on one thread).
    figure("passes", fast_passes, "s");
    figure("passes_one_thread", one_passes, "s");
    figure("passes_threads_over_one", ratio(fast_passes, one_passes), "x");
    figure("treatment_threads_identical", fast.image == one.image && fast.report == one.report,
           "bool");
    figure("treatment_grid_sweeps", ratio(fast.seconds, sweep), "sweeps");

    figure("plain_treatment", plain.seconds, "s");
    figure("plain_treatment_grid_sweeps", ratio(plain.seconds, sweep), "sweeps");
    figure("treatment_speedup", ratio(plain.seconds, fast.seconds), "x");
    figure("treatment_outputs_identical",
           fast.ready && plain.ready && fast.image == plain.image && fast.report == plain.report,
           "bool");

    // The drawn and terrain networks have junctions of several pixels, which the reference
    // engine does not read as the program does: only the program's engine runs on them. Their
    // times are set beside the clean network's per pixel, as they differ in size and share.
    const double pixels = static_cast<double>(net.cells.size());
    // The best passes of a network read as a flow grid (a forest, then the passes over it).
    auto flow_grid_passes = [&](const Network& n, int last) {
        double best = 0.0;
        for (int round = 0; round < b.rounds; ++round) {
            const EngineRun f = run_engine(program_engine, n, b.work, last, cores, true);
            if (round == 0 || f.passes < best) best = f.passes;
        }
        return best;
    };
    // Per network pixel, against the clean network's passes.
    auto per_network_pixel = [&](double seconds, long long network) {
        return ratio(seconds / static_cast<double>(std::max(1LL, network)),
                     fast_passes / static_cast<double>(std::max(1LL, network_pixels)));
    };
    for (const OtherNetwork& other : others) {
        EngineRun on_other;
        double other_passes = 0.0;
        for (int round = 0; round < b.rounds; ++round) {
            EngineRun d = run_engine(program_engine, *other.net, b.work, other.last_order, cores);
            if (round == 0 || d.passes < other_passes) other_passes = d.passes;
            if (round == 0 || d.seconds < on_other.seconds) on_other = std::move(d);
        }
        const double other_pixels = static_cast<double>(other.net->cells.size());
        const std::string name = other.name;
        figure(("treatment_" + name).c_str(), on_other.seconds, "s");
        figure(("treatment_" + name + "_ok").c_str(), on_other.ready, "bool");
        figure(("treatment_" + name + "_over_clean").c_str(),
               ratio(on_other.seconds / other_pixels, fast.seconds / pixels), "x");
        figure(("passes_" + name).c_str(), other_passes, "s");
        figure(("passes_" + name + "_over_clean").c_str(),
               ratio(other_passes / other_pixels, fast_passes / pixels), "x");
        // Per network pixel: what a messy drawing costs beyond its share of network pixels.
        figure(("passes_" + name + "_over_clean_per_network_pixel").c_str(),
               per_network_pixel(other_passes, other.network_pixels), "x");
        const double flow_passes = flow_grid_passes(*other.net, other.last_order);
        figure(("passes_" + name + "_flow_grid").c_str(), flow_passes, "s");
        figure(("passes_" + name + "_flow_grid_over_clean_per_network_pixel").c_str(),
               per_network_pixel(flow_passes, other.network_pixels), "x");
    }
    // The clean network read as a flow grid: the reading's own cost where nothing touches.
    const double clean_flow = flow_grid_passes(net, last_order);
    figure("passes_flow_grid", clean_flow, "s");
    figure("passes_flow_grid_over_passes", ratio(clean_flow, fast_passes), "x");
}
