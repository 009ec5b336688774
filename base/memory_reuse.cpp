#include "base/memory_reuse.h"

#include <cstdlib>  // defines __GLIBC__ with the C library's headers

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void keep_freed_memory_for_reuse() {
#if defined(__GLIBC__)
    // Blocks up to 32 MB (the most the library allows) from the heap, and the heap's free top
    // kept up to a gigabyte.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}
