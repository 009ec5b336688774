// ChargeBMP on arbitrary file contents: a null result or a grid of the declared size, never a
// crash, a leak or undefined behaviour.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/nrutil.h"
#include "formats/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/branchranker_fuzz_" + std::to_string(::getpid()) + ".bmp";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    Color32 request;
    Color32* palette = (size % 2 == 0) ? &request : nullptr;
    int nb_col = 0, nb_lig = 0, type = 0;
    unsigned char** grid = ChargeBMP(path.c_str(), &nb_col, &nb_lig, &type, &palette);
    if (palette == &request) std::abort();  // a request must always be answered with a table
    if (grid != nullptr) {
        const int width = nb_col * (type == 2 ? 3 : 1);
        unsigned sum = 0;
        for (int i = 0; i < nb_lig; ++i) {
            for (int j = 0; j < width; ++j) sum += grid[i][j];
        }
        if (sum > 255u * static_cast<unsigned>(width) * static_cast<unsigned>(nb_lig)) std::abort();
        frucmatrice(grid, nb_lig);
    }
    std::free(palette);
    std::remove(path.c_str());
    return 0;
}
