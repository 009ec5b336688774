#include "formats/grey_bmp.h"

#include <cstddef>

#include "base/nrutil.h"
#include "formats/image.h"

bool save_grey_bmp(const std::string& path, const ByteGrid& grid, int nb_lig, int nb_col) {
    return SauveBMP(path.c_str(), grid.rows, nb_col, nb_lig, 0, nullptr) == 0;
}

void bgr_to_grey(ByteGrid& grid, int nb_lig, int nb_col) {
    for (int i = 0; i < nb_lig; ++i) {
        unsigned char* line = grid.rows[i];
        for (int j = 0; j < nb_col; ++j) {
            const unsigned char* bgr = line + 3 * static_cast<std::size_t>(j);
            const unsigned v = (299u * bgr[2] + 587u * bgr[1] + 114u * bgr[0] + 500u) / 1000u;
            line[j] = static_cast<unsigned char>(v);
        }
    }
    narrow_ucmatrice(grid.rows, nb_lig, nb_col);
}
