// ReloadTest.cpp: a host that loads and unloads the library many times in
// one process. Every load must publish an aperture table, and unloading must
// give the table's low mapping back, so the address space stays flat.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "driver/Exports.h"

namespace {

long MappedPages() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  long size = -1;
  if (f == nullptr || std::fscanf(f, "%ld", &size) != 1) size = -1;
  if (f != nullptr) std::fclose(f);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::atol(argv[1]) : 100000;
  long before = 0;
  for (long i = 0; i < cycles; ++i) {
    void* lib = dlopen(DRV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
      std::fprintf(stderr, "load %ld: %s\n", i, dlerror());
      return 1;
    }
    auto descr = reinterpret_cast<decltype(&GetDescrPtr440)>(dlsym(lib, "GetDescrPtr440"));
    if (descr == nullptr || descr()->ApertureTable == 0) {
      std::fprintf(stderr, "load %ld: no aperture table published\n", i);
      return 1;
    }
    dlclose(lib);
    if (i == 99) before = MappedPages();  // after the loader's own caches settle
  }
  const long after = MappedPages();
  std::printf("%ld loads, address space %ld -> %ld pages\n", cycles, before, after);
  // A leaked table is 7 pages a load; allow a few pages of noise.
  if (cycles > 100 && after - before > 16) {
    std::fprintf(stderr, "address space grew by %ld pages\n", after - before);
    return 1;
  }
  return 0;
}
