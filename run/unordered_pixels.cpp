#include "run/unordered_pixels.h"

#include <algorithm>
#include <vector>

#include "base/bands.h"
#include "run/network_run.h"

long long unordered_between_contacts(const NetworkRun& s) {
    if (s.val_red < 0 || s.val_red > 254 || !s.tab1 || !s.tab5) return 0;
    const auto net = static_cast<unsigned char>(s.val_red);
    const int bands = band_count(s.threads, s.nb_lig, s.nb_col);
    std::vector<long long> found(static_cast<std::size_t>(bands), 0);
    for_bands(bands, 0, s.nb_lig, [&](int b, int first, int last) {
        long long n = 0;
        for (int i = first; i < last; ++i) {
            const unsigned char* t1 = s.tab1[i];
            const unsigned char* t5 = s.tab5[i];
            for (int j = 0; j < s.nb_col; ++j) n += (t1[j] == net) & (t5[j] == 255);
        }
        found[static_cast<std::size_t>(b)] = n;
    });
    long long total = 0;
    for (long long n : found) total += n;
    return std::max(0LL, total - s.loop_pixels);
}
