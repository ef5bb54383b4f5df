// AllocCount.h: the number of heap allocations made so far in this process
// (malloc, calloc, realloc, aligned forms, operator new), by any module.
#pragma once

extern unsigned long long HeapAllocations;
