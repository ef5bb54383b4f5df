// Output.h: where the bytes that the driver hands to the write callback go.
//
// A file is written beside its final name and renamed into place only when
// the whole plot has gone through, so a failed run never leaves a truncated
// file (nor touches an older one of the same name).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/DLL_Util.h"

class Output {
 public:
  // Path "" or "-": standard output. Otherwise the file is created beside
  // Path under a temporary name.
  bool Open(const std::string& Path, std::string& Error);
  // Flushes and, for a file, renames it into place.
  bool Commit(std::string& Error);
  // Drops a file that was not committed.
  void Abandon();
  ~Output() { Abandon(); }

  // The callback handed to OpenEquip. Bytes go to the one open Output.
  static void DRV_CALL Write(const char* Buf, int32_t Count);

 private:
  void Append(const char* Buf, size_t Count);
  bool Flush();

  FILE* File = nullptr;
  bool IsStdout = false;
  std::string FinalPath, TempPath;
  std::vector<char> Buffer;
  size_t Used = 0;
  bool WriteFailed = false;
  int64_t BadCount = 0;   // first negative count the driver passed, if any
  bool SawBadCount = false;
};
