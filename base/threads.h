// How many threads a run may use: for reading its network and for its engine.
#pragma once

// BRANCHRANKER_THREADS when it holds a whole number from 1 to 1024; otherwise (unset, empty or
// anything else) every core the system reports, at least 1. 1 keeps all the work on one thread.
int engine_threads();
