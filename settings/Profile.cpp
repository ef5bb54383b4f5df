// Profile.cpp: the settings file's path and the lookup of its values.
//
// Windows: the system's own profile reader. Elsewhere our own reader, which
// streams the file once through a fixed buffer and fills every entry in that
// one pass. Its rules, the part of the profile format the settings use:
//   - Lines end at LF; a CR before it is a blank. A last line needs no end.
//   - Blanks are space, tab and CR. Blanks around names and values don't
//     count; blanks inside them do.
//   - "[name]" starts a section: the name runs to the first ']', and the
//     rest of the line is ignored. A line starting with '[' but without ']'
//     is ignored and the current section goes on.
//   - Any other line is a key: its name runs to the first '=', its value is
//     the rest of the line. A line without '=' names a key with no value.
//     Lines before the first section belong to no section.
//   - Names match regardless of ASCII letter case; a name longer than 64
//     bytes matches nothing.
//   - First occurrence wins, as in Wine: only the first section of a name is
//     searched, and in it only the first line of a key; a key with no value
//     there reads as missing.
//   - A value keeps its first 2,047 bytes (after the blanks around it are
//     dropped), as the system reader does with the driver's buffer.
//   - Bytes are taken as they are: a NUL is an ordinary byte, though a value
//     holding one reads, as a C string, only up to it. A UTF-8 byte order
//     mark at the start is skipped.
//   - Only a regular file is read: a directory, pipe or device is no file.
//     A read error midway leaves every value empty, as if there were no file.
#include "Profile.h"

#include <cstring>

#include "../host/DrvTypes.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <cerrno>
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace {

// Room for the longest path Windows hands out (32,767 UTF-16 units). Module
// data rather than stack: the loader may run us on a thread with little.
constexpr int PathSize = 32768;
TPathChar Path[PathSize];

// Path[0, DirLen) holds the executable's directory with its final separator;
// completes it with the short name and ".ini".
const TPathChar* AppendFileName(int DirLen) {
  const TShortStr<8>& name = DrvBlock.Descr.ShortName;
  const int len = name.Len < 8 ? name.Len : 8;
  if (DirLen + len + 5 > PathSize) return nullptr;  // ".ini" and the NUL
  int n = DirLen;
  for (int i = 0; i < len; ++i) {
    Path[n++] = static_cast<TPathChar>(static_cast<uint8_t>(name.Text[i]));
  }
  for (const char* s = ".ini"; *s != 0; ++s) Path[n++] = static_cast<TPathChar>(*s);
  Path[n] = 0;
  return Path;
}

}  // namespace

#if defined(_WIN32)

const TPathChar* SettingsFilePath() {
  // No module handle: the host's executable, not this DLL.
  const DWORD n = GetModuleFileNameW(nullptr, Path, PathSize);
  if (n == 0 || n >= static_cast<DWORD>(PathSize)) return nullptr;  // failed or cut
  int dirLen = 0;
  for (int i = 0; i < static_cast<int>(n); ++i) {
    if (Path[i] == L'\\' || Path[i] == L':') dirLen = i + 1;
  }
  if (dirLen == 0) return nullptr;
  return AppendFileName(dirLen);
}

namespace {

constexpr int NameSize = 65;

// An ASCII name in UTF-16; false when it doesn't fit.
bool Widen(const char* Name, wchar_t (&Out)[NameSize]) {
  if (Name == nullptr) return false;
  int n = 0;
  for (; Name[n] != 0; ++n) {
    if (n == NameSize - 1) return false;
    Out[n] = static_cast<wchar_t>(static_cast<uint8_t>(Name[n]));
  }
  Out[n] = 0;
  return true;
}

wchar_t WideSection[NameSize];
wchar_t WideKey[NameSize];
wchar_t WideValue[ProfileValueSize];

}  // namespace

void ReadProfile(const TPathChar* File, TProfileEntry* Entries, int Count) {
  for (int i = 0; i < Count; ++i) {
    TProfileEntry& e = Entries[i];
    e.Value[0] = 0;
    if (File == nullptr || !Widen(e.Section, WideSection) || !Widen(e.Key, WideKey)) continue;
    const DWORD n = GetPrivateProfileStringW(WideSection, WideKey, L"", WideValue,
                                             ProfileValueSize, File);
    const int len = n < static_cast<DWORD>(ProfileValueSize) ? static_cast<int>(n)
                                                              : ProfileValueSize - 1;
    // A character beyond ASCII can't be part of a value that converts.
    for (int k = 0; k < len; ++k) {
      e.Value[k] = WideValue[k] < 0x80 ? static_cast<char>(WideValue[k]) : '?';
    }
    e.Value[len] = 0;
  }
}

#else  // our own reader

const TPathChar* SettingsFilePath() {
  const ssize_t n = readlink("/proc/self/exe", Path, PathSize);
  if (n <= 0 || n >= PathSize) return nullptr;  // failed, or maybe cut
  int dirLen = 0;
  for (int i = 0; i < static_cast<int>(n); ++i) {
    if (Path[i] == '/') dirLen = i + 1;
  }
  if (dirLen == 0) return nullptr;
  return AppendFileName(dirLen);
}

namespace {

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r'; }

char FoldCase(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

// A name or value as its bytes stream in: blanks before it are skipped, its
// first Cap bytes are kept, and Length ends at its last non-blank byte, so
// trailing blanks drop out however long the line runs.
template <uint32_t Cap>
struct TToken {
  char Text[Cap];
  uint64_t Seen;    // bytes since the first non-blank
  uint64_t Length;  // Seen after the last non-blank

  void Clear() { Seen = Length = 0; }
  void Add(char C) {
    if (Seen == 0 && IsBlank(C)) return;
    if (Seen < Cap) Text[Seen] = C;
    ++Seen;
    if (!IsBlank(C)) Length = Seen;
  }
};

constexpr uint32_t NameCap = 64;
using TName = TToken<NameCap>;
using TValue = TToken<ProfileValueSize - 1>;

bool SameName(const char* Want, const TName& Got) {
  if (Want == nullptr || Got.Length > NameCap) return false;
  uint32_t i = 0;
  for (; i < Got.Length; ++i) {
    if (Want[i] == 0 || FoldCase(Want[i]) != FoldCase(Got.Text[i])) return false;
  }
  return Want[i] == 0;
}

// Where an entry stands as the file goes by.
enum : uint8_t {
  Waiting,    // its section hasn't started yet
  Searching,  // inside the first section of its name
  Matched,    // the current line is its key; the value is coming in
  Closed,     // found, or its first section is over
};

enum class TLine : uint8_t { Start, Section, Key, Value, Skip };

struct TReader {
  TProfileEntry* Entries;
  int Count;
  TLine State;
  TName Name;
  TValue Value;

  void Begin(TProfileEntry* E, int N) {
    Entries = E;
    Count = N;
    State = TLine::Start;
  }

  // At the ']' of a section line.
  void EnterSection() {
    for (int i = 0; i < Count; ++i) {
      uint8_t& s = Entries[i].ReaderState;
      if (s == Searching) s = Closed;  // its first section ends here
      if (s == Waiting && SameName(Entries[i].Section, Name)) s = Searching;
    }
  }

  // At the end of a key's name; false when no entry wants this key.
  bool MatchKey() {
    bool any = false;
    for (int i = 0; i < Count; ++i) {
      uint8_t& s = Entries[i].ReaderState;
      if (s == Searching && SameName(Entries[i].Key, Name)) {
        s = Matched;
        any = true;
      }
    }
    return any;
  }

  // At the end of a matched key's line; a key without '=' stores nothing.
  void StoreValue(bool HasValue) {
    constexpr uint32_t cap = ProfileValueSize - 1;
    uint32_t len = 0;
    if (HasValue) len = Value.Length < cap ? static_cast<uint32_t>(Value.Length) : cap;
    for (int i = 0; i < Count; ++i) {
      TProfileEntry& e = Entries[i];
      if (e.ReaderState != Matched) continue;
      std::memcpy(e.Value, Value.Text, len);
      e.Value[len] = 0;
      e.ReaderState = Closed;
    }
  }

  void EndLine() {
    if (State == TLine::Key && MatchKey()) StoreValue(false);
    if (State == TLine::Value) StoreValue(true);
    State = TLine::Start;
  }

  void Feed(char C) {
    if (C == '\n') {
      EndLine();
      return;
    }
    switch (State) {
      case TLine::Start:
        if (IsBlank(C)) return;
        Name.Clear();
        if (C == '[') {
          State = TLine::Section;
        } else if (C == '=') {  // a key with an empty name
          Value.Clear();
          State = MatchKey() ? TLine::Value : TLine::Skip;
        } else {
          State = TLine::Key;
          Name.Add(C);
        }
        return;
      case TLine::Section:
        if (C == ']') {
          EnterSection();
          State = TLine::Skip;
        } else {
          Name.Add(C);
        }
        return;
      case TLine::Key:
        if (C == '=') {
          Value.Clear();
          State = MatchKey() ? TLine::Value : TLine::Skip;
        } else {
          Name.Add(C);
        }
        return;
      case TLine::Value:
        Value.Add(C);
        return;
      case TLine::Skip:
        return;
    }
  }
};

// Module data: 2 KB of value and a read buffer are more than a loader
// thread's stack should be asked for.
TReader Reader;
char ReadBuf[16384];

void ClearAll(TProfileEntry* Entries, int Count) {
  for (int i = 0; i < Count; ++i) {
    Entries[i].Value[0] = 0;
    Entries[i].ReaderState = Waiting;
  }
}

// Feeds the whole file to the reader; false on a read error.
bool Stream(int Fd) {
  bool atStart = true;
  for (;;) {
    const ssize_t n = read(Fd, ReadBuf, sizeof ReadBuf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    ssize_t at = 0;
    if (atStart && n >= 3 && std::memcmp(ReadBuf, "\xEF\xBB\xBF", 3) == 0) at = 3;
    atStart = false;
    for (; at < n; ++at) Reader.Feed(ReadBuf[at]);
  }
}

}  // namespace

void ReadProfile(const TPathChar* File, TProfileEntry* Entries, int Count) {
  ClearAll(Entries, Count);
  if (File == nullptr) return;
  // Non-blocking, so that opening a pipe doesn't wait for a writer; a
  // regular file reads the same either way.
  const int fd = open(File, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return;
  }
  Reader.Begin(Entries, Count);
  const bool ok = Stream(fd);
  close(fd);
  if (!ok) {
    ClearAll(Entries, Count);
    return;
  }
  Reader.EndLine();  // a last line without its line end
}

#endif
