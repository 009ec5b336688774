// branchranker_floor: the yardstick of a whole run, the least that any program ordering a raw
// network must do. It reads the raw file, makes one sweep of the 3 x 3 neighbourhoods (the count
// of network neighbours of every interior pixel) and writes one byte a pixel, reading and writing
// in pieces of 1 MiB. Its buffers come from plain malloc with the system's default page policy,
// as a simple program would get them.
//
// Standard input: INPUT OUTPUT LINES COLUMNS VALUE. Exit status 0 when the whole output was
// written, 1 otherwise.

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;

struct FreeBytes {
    void operator()(unsigned char* p) const { std::free(p); }
};
using Bytes = std::unique_ptr<unsigned char[], FreeBytes>;

Bytes bytes(std::size_t n) {
    return Bytes(static_cast<unsigned char*>(std::malloc(n == 0 ? 1 : n)));
}

// The count of network neighbours (0..8) of every interior pixel of one line; the line's two
// ends get 255.
void sweep_line(const unsigned char* __restrict up, const unsigned char* __restrict mid,
                const unsigned char* __restrict down, long nb_col, unsigned char value,
                unsigned char* __restrict out) {
    out[0] = 255;
    for (long j = 1; j < nb_col - 1; ++j) {
        out[j] = static_cast<unsigned char>((up[j - 1] == value) + (up[j] == value) +
                                            (up[j + 1] == value) + (mid[j - 1] == value) +
                                            (mid[j + 1] == value) + (down[j - 1] == value) +
                                            (down[j] == value) + (down[j + 1] == value));
    }
    out[nb_col - 1] = 255;
}

}  // namespace

int main() {
    char input[4096];
    char output[4096];
    long nb_lig = 0;
    long nb_col = 0;
    int value = 0;
    if (std::scanf("%4095s %4095s %ld %ld %d", input, output, &nb_lig, &nb_col, &value) != 5 ||
        nb_lig < 3 || nb_col < 3) {
        std::fprintf(stderr, "branchranker_floor: expected INPUT OUTPUT LINES COLUMNS VALUE\n");
        return 1;
    }
    const auto n = static_cast<std::size_t>(nb_lig) * static_cast<std::size_t>(nb_col);
    const Bytes in = bytes(n);
    const Bytes out = bytes(n);
    if (!in || !out) return 1;

    std::FILE* f = std::fopen(input, "rb");
    if (f == nullptr) return 1;
    std::size_t got = 0;
    while (got < n) {
        const std::size_t want = n - got < kPiece ? n - got : kPiece;
        const std::size_t r = std::fread(in.get() + got, 1, want, f);
        got += r;
        if (r != want) break;
    }
    std::fclose(f);
    if (got != n) return 1;

    const auto w = static_cast<std::size_t>(nb_col);
    const auto v = static_cast<unsigned char>(value);
    for (std::size_t j = 0; j < w; ++j) out[j] = out[n - w + j] = 255;
    for (long i = 1; i < nb_lig - 1; ++i) {
        const unsigned char* mid = in.get() + static_cast<std::size_t>(i) * w;
        sweep_line(mid - w, mid, mid + w, nb_col, v, out.get() + static_cast<std::size_t>(i) * w);
    }

    f = std::fopen(output, "wb");
    if (f == nullptr) return 1;
    bool ok = true;
    for (std::size_t put = 0; put < n && ok; put += kPiece) {
        const std::size_t want = n - put < kPiece ? n - put : kPiece;
        ok = std::fwrite(out.get() + put, 1, want, f) == want;
    }
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
