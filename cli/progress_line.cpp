#include "cli/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSteps = 40;  // of 2.5 %

}  // namespace

void ProgressLine::start(const std::string& label) {
    if (out == nullptr) return;
    finish();
    std::fprintf(out, "%s ", label.c_str());
    shown = -1;
    update(0.0);
}

void ProgressLine::update(double share) {
    if (out == nullptr) return;
    const int step =
        std::isfinite(share)
            ? std::clamp(static_cast<int>(std::floor(share * kSteps + 1e-9)), 0, kSteps)
            : 0;
    if (step <= shown) return;
    for (int n = shown + 1; n <= step; ++n) {
        if (n % 4 == 0)
            std::fprintf(out, "%d", n / 4 * 10);
        else
            std::fputc('.', out);
    }
    shown = step;
    if (step == kSteps) std::fputs(" - done.\n", out);
    std::fflush(out);
}

void ProgressLine::finish() {
    if (out == nullptr || shown < 0) return;
    if (shown < kSteps) update(1.0);
    shown = -1;
}

void ProgressLine::cut() {
    if (out == nullptr || shown < 0) return;
    if (shown < kSteps) std::fputc('\n', out);
    shown = -1;
}

std::FILE* progress_stream(bool quiet) {
    return !quiet && ::isatty(STDERR_FILENO) == 1 ? stderr : nullptr;
}
