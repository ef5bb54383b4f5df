// Output.cpp: the write callback's sink and the safe output file.
//
// The driver calls back three times per line, two of them for a single
// byte, so the bytes are gathered in a buffer of our own and written in
// large blocks.
#include "Output.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Files.h"

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <limits.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace {

constexpr size_t BufferSize = 1 << 18;
// Room the temporary name leaves for the output's own name: with the
// random part and ".tmp" it stays within the 255 bytes a name may have.
constexpr size_t MaxBaseKept = 200;

struct OutputState {
  bool Open = false;
  int Fd = -1;
  bool Straight = false;  // standard output, a FIFO or a device: no rename
  std::string Shown;      // the name messages use
  std::string FinalPath, TempPath;
  char Buffer[BufferSize];
  size_t Used = 0;
  bool Failed = false;
  std::string FailText;
  bool SawBadCount = false;
  int64_t BadCount = 0;  // first negative count the driver passed
};

OutputState Out;

// The temporary file's name, for the signal handler: fixed storage, since a
// handler may not allocate.
char SignalPath[4096];
volatile std::sig_atomic_t SignalPathSet = 0;

#if defined(_WIN32)
BOOL WINAPI OnConsoleBreak(DWORD) {
  // The file was opened shared for deletion: it goes when the process ends.
  if (SignalPathSet) DeleteFileA(SignalPath);
  return FALSE;  // on to the default handler, which ends the process
}

void WatchSignals() {
  static bool installed = false;
  if (!installed) SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
  installed = true;
}
#else
const int Signals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnSignal(int Sig) {
  if (SignalPathSet) unlink(SignalPath);
  // End as the signal would have ended us.
  signal(Sig, SIG_DFL);
  raise(Sig);
}

void WatchSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int sig : Signals) {
    struct sigaction old;
    sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // as under nohup: stay ignored
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

// Blocks the watched signals while the temporary file's existence and the
// handler's record of it change together.
struct SignalsBlocked {
  sigset_t Old;
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : Signals) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, &Old);
  }
  ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &Old, nullptr); }
};
#endif

void SetSignalPath(const std::string& Path) {
  SignalPathSet = 0;
  if (Path.size() >= sizeof SignalPath) return;
  std::memcpy(SignalPath, Path.c_str(), Path.size() + 1);
  SignalPathSet = 1;
}

bool IsSeparator(char C) {
#if defined(_WIN32)
  return C == '/' || C == '\\' || C == ':';
#else
  return C == '/';
#endif
}

enum class Target { File, Straight, Directory };

// What Path names, and (for a file) the path to write under a temporary
// name and rename over.
Target Examine(const std::string& Path, std::string& FilePath) {
  FilePath = Path;
#if defined(_WIN32)
  HANDLE h = CreateFileA(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Target::File;  // not there yet
  BY_HANDLE_FILE_INFORMATION info;
  const bool disk = GetFileType(h) == FILE_TYPE_DISK;
  const bool dir = disk && GetFileInformationByHandle(h, &info) &&
                   (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  CloseHandle(h);
  return dir ? Target::Directory : disk ? Target::File : Target::Straight;
#else
  struct stat st;
  if (lstat(Path.c_str(), &st) != 0) return Target::File;  // not there yet
  if (S_ISLNK(st.st_mode)) {
    // Through the link: a regular file at its end is replaced there, and
    // the link kept; anything else (or nothing) is written through it.
    char resolved[PATH_MAX];
    if (stat(Path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        realpath(Path.c_str(), resolved) == nullptr) {
      return S_ISDIR(st.st_mode) ? Target::Directory : Target::Straight;
    }
    FilePath = resolved;
    return Target::File;
  }
  if (S_ISREG(st.st_mode)) return Target::File;
  return S_ISDIR(st.st_mode) ? Target::Directory : Target::Straight;
#endif
}

bool FlushBuffer() {
  if (Out.Used != 0 && !Out.Failed && !WriteAll(Out.Fd, Out.Buffer, Out.Used)) {
    Out.Failed = true;
    Out.FailText = LastError();
  }
  Out.Used = 0;
  return !Out.Failed;
}

void RemoveTemp() {
  if (Out.TempPath.empty()) return;
#if !defined(_WIN32)
  SignalsBlocked blocked;
#endif
  std::remove(Out.TempPath.c_str());
  SignalPathSet = 0;
  Out.TempPath.clear();
}

}  // namespace

bool OpenOutput(const std::string& Path, std::string& Error) {
  Out.Open = false;
  Out.Used = 0;
  Out.Failed = false;
  Out.FailText.clear();
  Out.SawBadCount = false;
  Out.TempPath.clear();
  if (Path == "-") {
    Out.Fd = 1;
    Out.Straight = true;
    Out.Shown = "standard output";
#if defined(_WIN32)
    // The driver's CR LF must reach the file as written, not as CR CR LF.
    _setmode(1, _O_BINARY);
#endif
    Out.Open = true;
    return true;
  }
  Out.Shown = Path;
  std::string file;
  switch (Examine(Path, file)) {
    case Target::Directory:
      Error = "cannot write " + Path + ": it is a directory";
      return false;
    case Target::Straight: {
#if defined(_WIN32)
      Out.Fd = _open(Path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0666);
#else
      Out.Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
#endif
      if (Out.Fd < 0) {
        Error = "cannot write " + Path + ": " + LastError();
        return false;
      }
      Out.Straight = true;
      Out.Open = true;
      return true;
    }
    case Target::File:
      break;
  }
  // Beside the final file, so that the rename stays within one file system.
  size_t cut = file.size();
  while (cut > 0 && !IsSeparator(file[cut - 1])) --cut;
  std::string base = file.substr(cut);
  if (base.size() > MaxBaseKept) base.resize(MaxBaseKept);
  WatchSignals();
  std::string made;
  {
#if !defined(_WIN32)
    SignalsBlocked blocked;
#endif
    Out.Fd = CreateUnique(file.substr(0, cut) + base + ".", ".tmp", false, made, Error, &Path);
    if (Out.Fd < 0) return false;
    SetSignalPath(made);
  }
  Out.TempPath = made;
  Out.FinalPath = file;
  Out.Straight = false;
  Out.Open = true;
  return true;
}

void DRV_CALL WriteOutput(const char* Buf, int32_t Count) {
  // Two calls of every line carry one byte, its CR and its LF.
  if (Count == 1 && Out.Open && Out.Used < BufferSize) {
    Out.Buffer[Out.Used++] = *Buf;
    return;
  }
  if (!Out.Open || Count == 0) return;
  if (Count < 0) {
    // Nothing to write, but a driver that says so has a bug worth telling.
    if (!Out.SawBadCount) Out.BadCount = Count;
    Out.SawBadCount = true;
    return;
  }
  const size_t n = static_cast<size_t>(Count);
  if (n <= BufferSize - Out.Used) {
    std::memcpy(Out.Buffer + Out.Used, Buf, n);
    Out.Used += n;
    return;
  }
  if (!FlushBuffer()) return;
  if (n > BufferSize) {
    if (!WriteAll(Out.Fd, Buf, n) && !Out.Failed) {
      Out.Failed = true;
      Out.FailText = LastError();
    }
    return;
  }
  std::memcpy(Out.Buffer, Buf, n);
  Out.Used = n;
}

bool CommitOutput(std::string& Error) {
  if (!Out.Open) return false;
  FlushBuffer();
  if (Out.SawBadCount) {
    Error = "the driver passed a negative byte count (" + std::to_string(Out.BadCount) +
            ") to the write callback";
    AbortOutput();
    return false;
  }
  if (Out.Failed) {
    Error = "cannot write " + Out.Shown + ": " + Out.FailText;
    AbortOutput();
    return false;
  }
  Out.Open = false;
  if (Out.Fd == 1) return true;
#if defined(_WIN32)
  const bool closed = _close(Out.Fd) == 0;
#else
  const bool closed = close(Out.Fd) == 0;
#endif
  Out.Fd = -1;
  if (!closed) {
    Error = "cannot write " + Out.Shown + ": " + LastError();
    RemoveTemp();
    return false;
  }
  if (Out.Straight) return true;
#if defined(_WIN32)
  // rename() on Windows refuses to replace an existing file.
  const bool renamed =
      MoveFileExA(Out.TempPath.c_str(), Out.FinalPath.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  const bool renamed = std::rename(Out.TempPath.c_str(), Out.FinalPath.c_str()) == 0;
#endif
  if (!renamed) {
    Error = "cannot replace " + Out.FinalPath + " with " + Out.TempPath;
    RemoveTemp();
    return false;
  }
  SignalPathSet = 0;
  Out.TempPath.clear();
  return true;
}

void AbortOutput() {
  if (Out.Open && Out.Fd != 1 && Out.Fd >= 0) CloseFd(Out.Fd);
  Out.Fd = -1;
  Out.Open = false;
  RemoveTemp();
}
