// DrvConf.h: build-wide marks shared by every module of the driver.
//
// Three marks say how far a name reaches:
//   DRV_API   an entry point the host calls; exported from the library.
//   DRV_FUNC  shared between the driver's modules, never exported.
//   static    private to one file.
// DRV_CALL is the machine-level calling convention of every entry point and
// of the host's write callback: stdcall in the 32-bit Windows DLL, the
// platform default elsewhere.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the host's records are little-endian and read in place");

#if defined(_WIN32)
#  define DRV_CALL __stdcall
// dllexport as well as the .def file: link-time optimisation sees only the
// attribute, and without it drops the entry points that the .def file then
// binds to nothing. The .def file names the exports (plain, undecorated).
#  define DRV_API extern "C" __declspec(dllexport)
#else
#  define DRV_CALL
#  define DRV_API extern "C" __attribute__((visibility("default")))
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#  define DRV_FUNC __attribute__((visibility("hidden")))
#else
#  define DRV_FUNC
#endif

// Signed 32-bit sums and products that the host's records can push past the
// int32 range wrap as two's complement, written out here rather than left to
// undefined behaviour.
inline int32_t AddWrap(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) + static_cast<uint32_t>(B));
}
inline int32_t SubWrap(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) - static_cast<uint32_t>(B));
}
inline int32_t MulWrap(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) * static_cast<uint32_t>(B));
}
