#include "base/threads.h"

#include <cstdlib>
#include <thread>

int engine_threads() {
    if (const char* text = std::getenv("BRANCHRANKER_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 1024) return static_cast<int>(n);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}
