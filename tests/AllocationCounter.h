// Counts calls of the global operator new in this program (all threads).
#pragma once

long allocationCount();
