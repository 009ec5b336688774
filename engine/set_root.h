// Sets of small numbers kept as a forest of parents (a disjoint-set forest): parent[a] == a for
// the root of a set.
#pragma once

#include <cstddef>
#include <vector>

// The root of a's set; every number on the way is made to point two steps up (halving).
inline int set_root(std::vector<int>& parent, int a) {
    while (parent[static_cast<std::size_t>(a)] != a) {
        int& up = parent[static_cast<std::size_t>(a)];
        up = parent[static_cast<std::size_t>(up)];
        a = up;
    }
    return a;
}
