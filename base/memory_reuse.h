// How a program's freed memory is kept for its next allocations.
//
// A run makes and drops lists of many megabytes one after another (the loops, the junction
// groups, the walks of each pass). By default the C library hands a block of that size back to
// the system when it is freed and asks for a new one at the next allocation, whose pages the
// system then clears again, one fault a page: on a virtual machine some microseconds each, which
// on a dense network came to a fifth of the run. Kept, freed memory is reused as it is. The
// grids, mapped on their own (nrutil.h), and blocks beyond 32 MB still go back when freed.
#pragma once

// Called once, by a program's main, before anything is allocated in earnest (never by a
// library: the setting is the process's).
void keep_freed_memory_for_reuse();
