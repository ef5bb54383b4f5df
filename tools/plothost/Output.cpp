// Output.cpp: the write callback's sink.
//
// The driver calls back three times per line, two of them for a single
// byte, so the bytes are gathered in a buffer of our own rather than
// through a stdio call each.
#include "Output.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <process.h>
#  include <windows.h>
#else
#  include <unistd.h>
#endif

namespace {

constexpr size_t BufferSize = 1 << 16;
Output* Current = nullptr;

int ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

bool RenameOver(const std::string& From, const std::string& To) {
#if defined(_WIN32)
  // rename() on Windows refuses to replace an existing file.
  return MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(From.c_str(), To.c_str()) == 0;
#endif
}

}  // namespace

bool Output::Open(const std::string& Path, std::string& Error) {
  Buffer.assign(BufferSize, 0);
  Used = 0;
  if (Path.empty() || Path == "-") {
    IsStdout = true;
    File = stdout;
#if defined(_WIN32)
    // The driver's CR LF must reach the file as written, not as CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
  } else {
    FinalPath = Path;
    // Beside the final file, so the rename stays within one file system.
    TempPath = Path + "." + std::to_string(ProcessId()) + ".tmp";
    File = std::fopen(TempPath.c_str(), "wb");
    if (File == nullptr) {
      Error = "cannot create " + TempPath + ": " + std::strerror(errno);
      TempPath.clear();
      return false;
    }
  }
  Current = this;
  return true;
}

void Output::Append(const char* Buf, size_t Count) {
  if (Count > Buffer.size() - Used) {
    if (!Flush()) return;
    if (Count > Buffer.size()) {
      if (std::fwrite(Buf, 1, Count, File) != Count) WriteFailed = true;
      return;
    }
  }
  std::memcpy(Buffer.data() + Used, Buf, Count);
  Used += Count;
}

bool Output::Flush() {
  if (Used != 0 && !WriteFailed && std::fwrite(Buffer.data(), 1, Used, File) != Used) {
    WriteFailed = true;
  }
  Used = 0;
  return !WriteFailed;
}

void DRV_CALL Output::Write(const char* Buf, int32_t Count) {
  Output* out = Current;
  if (out == nullptr || Count == 0) return;
  if (Count < 0) {
    // Nothing to write, but a driver that says so has a bug worth telling.
    if (!out->SawBadCount) out->BadCount = Count;
    out->SawBadCount = true;
    return;
  }
  out->Append(Buf, static_cast<size_t>(Count));
}

bool Output::Commit(std::string& Error) {
  if (File == nullptr) return false;
  const std::string shown = IsStdout ? "standard output" : FinalPath;
  Flush();
  if (std::fflush(File) != 0) WriteFailed = true;
  if (SawBadCount) {
    Error = "the driver passed a negative byte count (" + std::to_string(BadCount) +
            ") to the write callback";
    Abandon();
    return false;
  }
  if (WriteFailed) {
    Error = "cannot write " + shown + ": " + std::strerror(errno);
    Abandon();
    return false;
  }
  Current = nullptr;
  if (IsStdout) {
    File = nullptr;
    return true;
  }
  const bool closed = std::fclose(File) == 0;
  File = nullptr;
  if (!closed) {
    Error = "cannot write " + shown + ": " + std::strerror(errno);
    std::remove(TempPath.c_str());
    return false;
  }
  if (!RenameOver(TempPath, FinalPath)) {
    Error = "cannot replace " + FinalPath + " with " + TempPath;
    std::remove(TempPath.c_str());
    return false;
  }
  TempPath.clear();
  return true;
}

void Output::Abandon() {
  if (Current == this) Current = nullptr;
  if (File != nullptr && !IsStdout) {
    std::fclose(File);
    std::remove(TempPath.c_str());
  }
  File = nullptr;
  TempPath.clear();
}
