// Counts calls of the global operator new while counting is switched on. The
// program that links AllocationCounter.cpp replaces the global operator new
// and delete and exports them, so a module library loaded into it allocates
// through them too. Counting is meant for one thread at a time.
#pragma once

namespace mpvalidate {

// Switches counting on and resets the count.
void startCountingAllocations();
// Switches counting off and returns the number of allocations counted.
long stopCountingAllocations();

} // namespace mpvalidate
