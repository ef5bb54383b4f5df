// Files.cpp: file operations on POSIX descriptors, and on Windows on CRT
// descriptors over handles made with CreateFile (which alone can create a
// file exclusively and share it for deletion).
#include "Files.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <process.h>
#  include <sys/stat.h>
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
bool WinError = false;  // whether the last failure is in GetLastError, not errno
#endif

// Random enough to make a collision rare; creation is exclusive, so a
// collision only costs another try.
std::string RandomPart() {
  static uint64_t state = 0;
  if (state == 0) {
#if defined(_WIN32)
    const uint64_t pid = static_cast<uint64_t>(_getpid());
#else
    const uint64_t pid = static_cast<uint64_t>(getpid());
#endif
    state = pid * 0x9E3779B97F4A7C15u ^
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            reinterpret_cast<uintptr_t>(&state);
  }
  static const char chars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  state += 0x9E3779B97F4A7C15u;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  z ^= z >> 31;
  std::string s;
  for (int i = 0; i < 6; ++i, z /= 36) s += chars[z % 36];
  return s;
}

}  // namespace

#if defined(_WIN32)
std::string WindowsErrorText(unsigned long Code) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, Code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = text != nullptr ? text : "";
  if (text != nullptr) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "error " + std::to_string(Code) : s;
}
#endif

std::string LastError() {
#if defined(_WIN32)
  if (WinError) {
    WinError = false;
    return WindowsErrorText(GetLastError());
  }
#endif
  return std::strerror(errno != 0 ? errno : EIO);
}

int CreateUnique(const std::string& Prefix, const std::string& Suffix, bool DeleteOnClose,
                 std::string& Made, std::string& Error, const std::string* Shown) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = Prefix + RandomPart() + Suffix;
#if defined(_WIN32)
    const DWORD access = DeleteOnClose ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
    const DWORD flags = DeleteOnClose ? FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE
                                      : FILE_ATTRIBUTE_NORMAL;
    // Shared for deletion, so that Ctrl-C can remove it while it is open.
    HANDLE h = CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      WinError = true;
      Error = "cannot create " + (Shown != nullptr ? *Shown : name) + ": " + LastError();
      return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h),
                                   _O_BINARY | (DeleteOnClose ? _O_RDWR : _O_WRONLY));
    if (fd < 0) {
      CloseHandle(h);
      Error = "cannot create " + (Shown != nullptr ? *Shown : name) + ": " + LastError();
      return -1;
    }
#else
    // O_EXCL: no existing file and no symbolic link (even a dangling one).
    const int fd = open(name.c_str(),
                        (DeleteOnClose ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      Error = "cannot create " + (Shown != nullptr ? *Shown : name) + ": " + LastError();
      return -1;
    }
    if (DeleteOnClose) unlink(name.c_str());
#endif
    Made = name;
    return fd;
  }
  Error = "cannot create a new file named " + Prefix + "XXXXXX" + Suffix;
  return -1;
}

std::string ScratchFolder() {
#if defined(_WIN32)
  char buf[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof buf, buf);
  return n > 0 && n <= MAX_PATH ? std::string(buf, n) : std::string(".\\");
#else
  const char* dir = std::getenv("TMPDIR");
  std::string d = dir != nullptr && dir[0] != '\0' ? dir : "/tmp";
  if (d.back() != '/') d += '/';
  return d;
#endif
}

bool WriteAll(int Fd, const char* Buf, size_t Count) {
  while (Count > 0) {
#if defined(_WIN32)
    const unsigned chunk = Count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(Count);
    const int n = _write(Fd, Buf, chunk);
#else
    const ssize_t n = write(Fd, Buf, Count);
    if (n < 0 && errno == EINTR) continue;
#endif
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    Buf += n;
    Count -= static_cast<size_t>(n);
  }
  return true;
}

int64_t ReadSome(int Fd, char* Buf, size_t Max) {
  for (;;) {
#if defined(_WIN32)
    const int n = _read(Fd, Buf, Max > (1u << 30) ? (1u << 30) : static_cast<unsigned>(Max));
    return n;
#else
    const ssize_t n = read(Fd, Buf, Max);
    if (n < 0 && errno == EINTR) continue;
    return n;
#endif
  }
}

bool SeekTo(int Fd, int64_t Offset) {
#if defined(_WIN32)
  return _lseeki64(Fd, Offset, SEEK_SET) == Offset;
#else
  return lseek(Fd, static_cast<off_t>(Offset), SEEK_SET) == Offset;
#endif
}

int64_t Tell(int Fd) {
#if defined(_WIN32)
  return _lseeki64(Fd, 0, SEEK_CUR);
#else
  return lseek(Fd, 0, SEEK_CUR);
#endif
}

bool IsRegularFd(int Fd) {
#if defined(_WIN32)
  return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(Fd))) == FILE_TYPE_DISK &&
         Tell(Fd) >= 0;
#else
  struct stat st;
  return fstat(Fd, &st) == 0 && S_ISREG(st.st_mode) && Tell(Fd) >= 0;
#endif
}

void CloseFd(int Fd) {
#if defined(_WIN32)
  _close(Fd);
#else
  close(Fd);
#endif
}

bool SameFile(int Fd, const std::string& Path) {
#if defined(_WIN32)
  BY_HANDLE_FILE_INFORMATION a, b;
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(Fd)), &a)) return false;
  HANDLE h = CreateFileA(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool got = GetFileInformationByHandle(h, &b) != 0;
  CloseHandle(h);
  return got && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
#else
  struct stat a, b;
  return fstat(Fd, &a) == 0 && stat(Path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
#endif
}

namespace {

// A file's identity, or false when it does not exist (or cannot be looked at).
struct FileId {
  uint64_t Volume, Index;
  bool Device;  // a character device: writing it twice replaces nothing
};

bool IdOf(const std::string& Path, FileId& Id) {
#if defined(_WIN32)
  HANDLE h = CreateFileA(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION i{};
  const bool got = GetFileInformationByHandle(h, &i) != 0;
  const bool device = GetFileType(h) == FILE_TYPE_CHAR;
  CloseHandle(h);
  if (!got) return false;
  Id = {i.dwVolumeSerialNumber, (static_cast<uint64_t>(i.nFileIndexHigh) << 32) | i.nFileIndexLow,
        device};
  return true;
#else
  struct stat s;
  if (stat(Path.c_str(), &s) != 0) return false;
  Id = {static_cast<uint64_t>(s.st_dev), static_cast<uint64_t>(s.st_ino), S_ISCHR(s.st_mode)};
  return true;
#endif
}

// The folder part of a path ("." for a bare name) and the name in it.
void SplitPath(const std::string& Path, std::string& Dir, std::string& Name) {
#if defined(_WIN32)
  const size_t cut = Path.find_last_of("\\/:");
#else
  const size_t cut = Path.rfind('/');
#endif
  Dir = cut == std::string::npos ? "." : cut == 0 ? Path.substr(0, 1) : Path.substr(0, cut + 1);
  Name = cut == std::string::npos ? Path : Path.substr(cut + 1);
}

}  // namespace

bool SameFileNames(const std::string& A, const std::string& B) {
  FileId a{}, b{};
  const bool haveA = IdOf(A, a), haveB = IdOf(B, b);
  if (haveA && haveB) return a.Volume == b.Volume && a.Index == b.Index && !a.Device;
  if (haveA || haveB) return false;
  // Neither exists yet: one file when the folders are one and the names equal.
  std::string dirA, nameA, dirB, nameB;
  SplitPath(A, dirA, nameA);
  SplitPath(B, dirB, nameB);
  if (!IdOf(dirA, a) || !IdOf(dirB, b) || a.Volume != b.Volume || a.Index != b.Index) return false;
#if defined(_WIN32)
  return _stricmp(nameA.c_str(), nameB.c_str()) == 0;
#else
  return nameA == nameB;
#endif
}

bool FileExists(const std::string& Path) {
#if defined(_WIN32)
  return GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat s;
  return stat(Path.c_str(), &s) == 0;
#endif
}
