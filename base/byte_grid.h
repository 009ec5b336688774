// Owning handle of a byte grid made by ucmatrice or ucmatrice_on_file (or by ChargeBMP, which
// allocates alike).
// Cells are addressed grid[line][column]; line 0 is the top line of the picture. 255 marks
// "nothing" in every working grid of the engine.
#pragma once

#include <utility>

#include "base/nrutil.h"

struct ByteGrid {
    unsigned char** rows = nullptr;
    int nb_lig = 0;        // lines owned, needed to release them
    bool on_file = false;  // made by ucmatrice_on_file: the cells are the bytes of a file

    ByteGrid() = default;
    ByteGrid(unsigned char** adopted, int lines, bool mapped = false)
        : rows(adopted), nb_lig(adopted ? lines : 0), on_file(adopted && mapped) {}
    ByteGrid(const ByteGrid&) = delete;
    ByteGrid& operator=(const ByteGrid&) = delete;
    ByteGrid(ByteGrid&& other) noexcept
        : rows(std::exchange(other.rows, nullptr)),
          nb_lig(std::exchange(other.nb_lig, 0)),
          on_file(std::exchange(other.on_file, false)) {}
    ByteGrid& operator=(ByteGrid&& other) noexcept {
        if (this != &other) {
            reset();
            rows = std::exchange(other.rows, nullptr);
            nb_lig = std::exchange(other.nb_lig, 0);
            on_file = std::exchange(other.on_file, false);
        }
        return *this;
    }
    ~ByteGrid() { reset(); }

    void reset() {
        frucmatrice(rows, nb_lig);
        rows = nullptr;
        nb_lig = 0;
        on_file = false;
    }
    explicit operator bool() const { return rows != nullptr; }
    unsigned char* operator[](int line) const { return rows[line]; }
};
