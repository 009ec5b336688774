// Owning handle of a byte grid made by ucmatrice (or by ChargeBMP, which allocates alike).
// Cells are addressed grid[line][column]; line 0 is the top line of the picture. 255 marks
// "nothing" in every working grid of the engine.
#pragma once

#include <utility>

#include "base/nrutil.h"

struct ByteGrid {
    unsigned char** rows = nullptr;
    int nb_lig = 0;  // lines owned, needed to release them

    ByteGrid() = default;
    ByteGrid(unsigned char** adopted, int lines) : rows(adopted), nb_lig(adopted ? lines : 0) {}
    ByteGrid(const ByteGrid&) = delete;
    ByteGrid& operator=(const ByteGrid&) = delete;
    ByteGrid(ByteGrid&& other) noexcept
        : rows(std::exchange(other.rows, nullptr)), nb_lig(std::exchange(other.nb_lig, 0)) {}
    ByteGrid& operator=(ByteGrid&& other) noexcept {
        if (this != &other) {
            reset();
            rows = std::exchange(other.rows, nullptr);
            nb_lig = std::exchange(other.nb_lig, 0);
        }
        return *this;
    }
    ~ByteGrid() { reset(); }

    void reset() {
        frucmatrice(rows, nb_lig);
        rows = nullptr;
        nb_lig = 0;
    }
    explicit operator bool() const { return rows != nullptr; }
    unsigned char* operator[](int line) const { return rows[line]; }
};
