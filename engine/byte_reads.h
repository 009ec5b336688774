// Reads and writes of the bytes of tab1 and tab5 by walks that may run on several threads at
// once (kShared): they go through atomic references. A walk labels a pixel in tab5 before it
// erases it from tab1 (a release), so a walk that sees it erased (an acquire) also sees its
// label, and whether a pixel belongs to the network as loaded never changes under a reader.
// Walks on one thread read plainly. On the machines this runs on, both are plain moves.
#pragma once

#include <atomic>

template <bool kShared, std::memory_order kOrder = std::memory_order_relaxed>
inline unsigned char read_byte(const unsigned char* p) {
    if constexpr (kShared) {
        return std::atomic_ref(*const_cast<unsigned char*>(p)).load(kOrder);
    } else {
        return *p;
    }
}

inline void store_shared(unsigned char* p, unsigned char value, std::memory_order order) {
    std::atomic_ref(*p).store(value, order);
}
