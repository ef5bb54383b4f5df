// AllocCount.cpp: counts every heap allocation made in the benchmark's
// process, the loaded driver's included. The executable's malloc family
// takes the place of the C library's for every module (the dynamic linker
// binds the library's and libstdc++'s malloc to the executable's first), and
// the global operator new goes through it.
#include "AllocCount.h"

#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t N) {
  ++HeapAllocations;
  return __libc_malloc(N);
}
void* calloc(size_t N, size_t Size) {
  ++HeapAllocations;
  return __libc_calloc(N, Size);
}
void* realloc(void* P, size_t N) {
  ++HeapAllocations;
  return __libc_realloc(P, N);
}
void* memalign(size_t Align, size_t N) {
  ++HeapAllocations;
  return __libc_memalign(Align, N);
}
void* aligned_alloc(size_t Align, size_t N) { return memalign(Align, N); }
int posix_memalign(void** Out, size_t Align, size_t N) {
  void* p = memalign(Align, N);
  if (p == nullptr) return 12;  // ENOMEM
  *Out = p;
  return 0;
}
void free(void* P) { __libc_free(P); }
}

void* operator new(size_t N) {
  void* p = malloc(N == 0 ? 1 : N);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t N) { return operator new(N); }
void operator delete(void* P) noexcept { free(P); }
void operator delete[](void* P) noexcept { free(P); }
void operator delete(void* P, size_t) noexcept { free(P); }
void operator delete[](void* P, size_t) noexcept { free(P); }

unsigned long long HeapAllocations = 0;
