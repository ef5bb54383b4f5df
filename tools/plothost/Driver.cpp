// Driver.cpp: loading the driver library (dlopen natively, LoadLibrary on
// Windows) and resolving its entry points.
#include "Driver.h"

#include "Files.h"

#include <string>
#include <type_traits>

#if defined(_WIN32)
#  include <windows.h>
// winuser.h maps DrawText to DrawTextA; the driver's entry point is meant.
#  undef DrawText
#else
#  include <dlfcn.h>
#  include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
constexpr const char* LibraryName = "svgdrv.dll";

std::string Narrow(const std::wstring& W) {
  if (W.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, W.data(), static_cast<int>(W.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, W.data(), static_cast<int>(W.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::wstring ExeDirW() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return L"";
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);
  }
  const size_t cut = buf.find_last_of(L"\\/:");
  return cut == std::wstring::npos ? L"" : buf.substr(0, cut + 1);
}

std::string LastErrorText() { return WindowsErrorText(GetLastError()); }
#else
constexpr const char* LibraryName = "svgdrv.so";

std::string ExeDir() {
  std::string buf(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return "";
  buf.resize(static_cast<size_t>(n));
  const size_t cut = buf.rfind('/');
  return cut == std::string::npos ? "" : buf.substr(0, cut + 1);
}
#endif

}  // namespace

TAperture* Driver::ApertureTable() const {
  // The field is four bytes wide: a 32-bit address in the DLL, and in the
  // 64-bit library the address of a table the driver placed below 2 GiB.
  return reinterpret_cast<TAperture*>(static_cast<uintptr_t>(GetDescrPtr440()->ApertureTable));
}

std::string DefaultDriverPath() {
#if defined(_WIN32)
  return Narrow(ExeDirW()) + LibraryName;
#else
  return ExeDir() + LibraryName;
#endif
}

std::string DefaultSettingsPath() {
#if defined(_WIN32)
  return Narrow(ExeDirW()) + "SVG.ini";
#else
  return ExeDir() + "SVG.ini";
#endif
}

bool LoadDriver(const std::string* Path, Driver& Out, std::string& Error) {
  Out = Driver{};
#if defined(_WIN32)
  HMODULE lib = nullptr;
  if (Path == nullptr) {
    const std::wstring dir = ExeDirW();
    Out.Path = Narrow(dir) + LibraryName;
    // The full path of the library, so no search order can pick another.
    const std::wstring full = dir + L"svgdrv.dll";
    lib = LoadLibraryW(full.c_str());
  } else {
    Out.Path = *Path;
    char full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(Path->c_str(), sizeof full, full, nullptr);
    lib = LoadLibraryA(n > 0 && n < sizeof full ? full : Path->c_str());
  }
  if (lib == nullptr) {
    Error = "cannot load driver " + Out.Path + ": " + LastErrorText();
    return false;
  }
  auto entry = [&](const char* Name) {
    return reinterpret_cast<void*>(GetProcAddress(lib, Name));
  };
#else
  std::string path = Path == nullptr ? DefaultDriverPath() : *Path;
  Out.Path = path;
  // A name without a slash would make dlopen search the library path; a
  // user naming a file means the file.
  if (path.find('/') == std::string::npos) path = "./" + path;
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) {
    const char* why = dlerror();
    Error = "cannot load driver " + Out.Path + ": " + (why != nullptr ? why : "unknown error");
    return false;
  }
  auto entry = [&](const char* Name) { return dlsym(lib, Name); };
#endif

  bool ok = true;
  auto resolve = [&](auto& Fn, const char* Name) {
    void* p = entry(Name);
    if (p == nullptr) {
      if (ok) Error = "driver " + Out.Path + " has no entry point " + Name;
      ok = false;
      return;
    }
    Fn = reinterpret_cast<std::remove_reference_t<decltype(Fn)>>(p);
  };
  resolve(Out.GetDescrPtr440, "GetDescrPtr440");
  resolve(Out.GetParamPtr, "GetParamPtr");
  resolve(Out.SetParamValue, "SetParamValue");
  resolve(Out.LayerOrdering, "LayerOrdering");
  resolve(Out.OpenEquip, "OpenEquip");
  resolve(Out.OpenLayer, "OpenLayer");
  resolve(Out.CloseEquip, "CloseEquip");
  resolve(Out.Comment, "Comment");
  resolve(Out.DrawLine, "DrawLine");
  resolve(Out.DrawArc, "DrawArc");
  resolve(Out.FlashPad, "FlashPad");
  resolve(Out.DrillHole, "DrillHole");
  resolve(Out.DrawText, "DrawText");
  if (ok && Out.GetDescrPtr440() == nullptr) {
    Error = "driver " + Out.Path + " returned no descriptor";
    ok = false;
  }
  // The library stays loaded for the life of the process, as in a host.
  return ok;
}
