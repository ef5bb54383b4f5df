// Profile.cpp: the settings file's path and the lookup of its values.
//
// Windows: the system's own profile reader. Elsewhere our own reader, which
// streams the file once through a fixed buffer and fills every entry in that
// one pass, and makes of a file what the system reader makes of it (a test
// compares the two on thousands of files). Its rules:
//   - Text: UTF-16 when the file starts with its byte order mark (either
//     byte order), UTF-8 after a UTF-8 mark, else the ANSI code page. A
//     character beyond ASCII reads as '?' in a value, as the DLL reads it,
//     and matches no name.
//   - Lines end at CR or LF. Blanks are ASCII white space (space, tab, VT,
//     FF) and Ctrl-Z; at either end of a line, a name or a value they don't
//     count. A no-break space is no blank.
//   - A line starting with '[' and holding a ']' starts a section: its name
//     is all between the '[' and the last ']', without blanks at its ends.
//     Another line starting with '[' changes nothing.
//   - Any other line is a key: its name runs to the first '=', without the
//     blanks before it; its value is the rest of the line, without the
//     blanks after the '='. A line without '=' names a key with no value.
//     Lines before the first section belong to no section.
//   - Names match regardless of ASCII letter case; a name longer than 64
//     characters matches nothing.
//   - First occurrence wins: only the first section of a name is searched,
//     and in it only the first line of a key; a key with no value there
//     reads as missing.
//   - A value in a matching pair of quotes, single or double, loses them
//     (a lone quote stays). It keeps its first 2,047 characters; a NUL ends
//     it.
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

// Characters are UTF-16 code units, as the system reader holds them.
using TChar = uint16_t;

// The system reader's blanks: ASCII white space and Ctrl-Z (no-break and
// other Unicode spaces are not blanks to it).
bool IsBlank(TChar C) { return C == 0x20 || (C >= 0x09 && C <= 0x0D) || C == 0x1A; }

// What a value holds of a character: the DLL reads beyond ASCII as '?'.
char Narrow(TChar C) { return C < 0x80 ? static_cast<char>(C) : '?'; }

char FoldCase(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

constexpr uint32_t NameCap = 64;

// A key's name: blanks before it are skipped, its first NameCap characters
// kept; Length ends at its last non-blank character.
struct TName {
  char Text[NameCap];
  uint64_t Seen;    // characters since the first non-blank
  uint64_t Length;  // Seen after the last non-blank

  void Clear() { Seen = Length = 0; }
  void Add(TChar C) {
    if (Seen == 0 && IsBlank(C)) return;
    if (Seen < NameCap) Text[Seen] = C < 0x80 ? static_cast<char>(C) : 0;
    ++Seen;
    if (!IsBlank(C)) Length = Seen;
  }
};

// A value as it streams in: its first characters, where its first NUL came
// (a C string ends there), and its last character before that end.
struct TValue {
  static constexpr uint32_t Cap = ProfileValueSize;  // one past what is kept, for a closing quote
  char Text[Cap];
  uint64_t Seen, Length;  // as in TName
  uint64_t Nul;           // Seen at the first NUL, or ~0
  char Last;              // the character at Length - 1
  char BeforeNul;         // the character before the first NUL

  void Clear() {
    Seen = Length = 0;
    Nul = ~0ULL;
    Last = BeforeNul = 0;
  }
  void Add(TChar C) {
    if (Seen == 0 && IsBlank(C)) return;
    const char c = Narrow(C);
    if (C == 0 && Nul == ~0ULL) {
      Nul = Seen;
      BeforeNul = Seen > 0 ? Last : 0;
    }
    if (Seen < Cap) Text[Seen] = c;
    ++Seen;
    if (!IsBlank(C)) {
      Length = Seen;
      Last = c;
    }
  }

  // The value as the system reader hands it over, into Out (room for
  // ProfileValueSize): a C string of the value, at most 2,047 characters.
  // A value in a pair of quotes loses the first; the reader then cuts the
  // rest to the buffer and drops its last character, which is the closing
  // quote unless the cut came first (one character short of that, the
  // reader drops a character of the value: so it does).
  void Store(char* Out) const {
    const uint64_t len = Nul < Length ? Nul : Length;  // as a C string
    const char last = Nul < Length ? BeforeNul : Last;
    constexpr uint64_t keep = ProfileValueSize - 1;
    uint64_t from = 0, n = len < keep ? len : keep;
    if (len >= 2 && (Text[0] == '"' || Text[0] == '\'') && last == Text[0]) {
      from = 1;
      const uint64_t rest = len - 1;
      n = rest < keep ? rest : keep;
      if (rest <= keep + 1) --n;
    }
    std::memcpy(Out, Text + from, n);
    Out[n] = 0;
  }
};

bool SameName(const char* Want, const char* Got, uint64_t Length) {
  if (Want == nullptr || Length > NameCap) return false;
  uint32_t i = 0;
  for (; i < Length; ++i) {
    if (Want[i] == 0 || Got[i] == 0 || FoldCase(Want[i]) != FoldCase(Got[i])) return false;
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
  // A section line: its first characters after the '[' and the blanks
  // behind it, how many came, how many up to the last non-blank, and the
  // name's length before the last ']' so far (~0: no ']' yet).
  char Section[NameCap];
  uint64_t SectionSeen, SectionTrimmed, SectionEnd;

  void Begin(TProfileEntry* E, int N) {
    Entries = E;
    Count = N;
    State = TLine::Start;
  }

  void EnterSection() {
    for (int i = 0; i < Count; ++i) {
      uint8_t& s = Entries[i].ReaderState;
      if (s == Searching) s = Closed;  // its first section ends here
      if (s == Waiting && SameName(Entries[i].Section, Section, SectionEnd)) s = Searching;
    }
  }

  // At the end of a key's name; false when no entry wants this key.
  bool MatchKey() {
    bool any = false;
    for (int i = 0; i < Count; ++i) {
      uint8_t& s = Entries[i].ReaderState;
      if (s == Searching && SameName(Entries[i].Key, Name.Text, Name.Length)) {
        s = Matched;
        any = true;
      }
    }
    return any;
  }

  // At the end of a matched key's line; a key without '=' stores nothing.
  void StoreValue(bool HasValue) {
    for (int i = 0; i < Count; ++i) {
      TProfileEntry& e = Entries[i];
      if (e.ReaderState != Matched) continue;
      if (HasValue) {
        Value.Store(e.Value);
      } else {
        e.Value[0] = 0;
      }
      e.ReaderState = Closed;
    }
  }

  void EndLine() {
    switch (State) {
      case TLine::Section:
        if (SectionEnd != ~0ULL) EnterSection();
        break;
      case TLine::Key:
        if (MatchKey()) StoreValue(false);
        break;
      case TLine::Value:
        StoreValue(true);
        break;
      case TLine::Start:
      case TLine::Skip:
        break;
    }
    State = TLine::Start;
  }

  void Feed(TChar C) {
    if (C == '\n' || C == '\r') {
      EndLine();
      return;
    }
    switch (State) {
      case TLine::Start:
        if (IsBlank(C)) return;
        if (C == '[') {
          SectionSeen = SectionTrimmed = 0;
          SectionEnd = ~0ULL;
          State = TLine::Section;
          return;
        }
        Name.Clear();
        State = TLine::Key;
        [[fallthrough]];
      case TLine::Key:
        if (C == '=') {
          Value.Clear();
          State = MatchKey() ? TLine::Value : TLine::Skip;
        } else {
          Name.Add(C);
        }
        return;
      case TLine::Section:
        if (SectionSeen == 0 && IsBlank(C)) return;
        if (C == ']') SectionEnd = SectionTrimmed;
        if (SectionSeen < NameCap) Section[SectionSeen] = C < 0x80 ? static_cast<char>(C) : 0;
        ++SectionSeen;
        if (!IsBlank(C)) SectionTrimmed = SectionSeen;
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
unsigned char ReadBuf[16384];

void ClearAll(TProfileEntry* Entries, int Count) {
  for (int i = 0; i < Count; ++i) {
    Entries[i].Value[0] = 0;
    Entries[i].ReaderState = Waiting;
  }
}

enum class TEncoding : uint8_t { Ansi, Utf8, Utf16Le, Utf16Be };

// The ANSI code page, as the system reader decodes a file without a mark:
// a byte beyond ASCII is neither a blank nor ASCII, whatever it stands for.
TChar FromAnsi(unsigned char B) { return B < 0x80 ? B : 0xFFFD; }

// Decodes the bytes of the file into UTF-16 units for the reader, across
// reads: a unit or a UTF-8 sequence may be split between two.
struct TDecoder {
  TEncoding Encoding;
  uint32_t Pending;  // UTF-8: the code point so far; UTF-16: the first byte
  int Needed;        // UTF-8: continuation bytes still to come; UTF-16: 1 with a first byte

  void Unit(TChar U) { Reader.Feed(U); }
  void CodePoint(uint32_t C) {
    if (C < 0x10000) {
      Unit(static_cast<TChar>(C));
    } else {  // a surrogate pair; neither half is a blank or ASCII
      Unit(static_cast<TChar>(0xD800 + ((C - 0x10000) >> 10)));
      Unit(static_cast<TChar>(0xDC00 + ((C - 0x10000) & 0x3FF)));
    }
  }
  void Byte(unsigned char B) {
    switch (Encoding) {
      case TEncoding::Ansi:
        Unit(FromAnsi(B));
        return;
      case TEncoding::Utf16Le:
      case TEncoding::Utf16Be:
        if (Needed == 0) {
          Pending = B;
          Needed = 1;
        } else {
          Needed = 0;
          Unit(static_cast<TChar>(Encoding == TEncoding::Utf16Le ? Pending | B << 8 : Pending << 8 | B));
        }
        return;
      case TEncoding::Utf8:
        if (Needed > 0 && (B & 0xC0) == 0x80) {
          Pending = Pending << 6 | (B & 0x3F);
          if (--Needed == 0) CodePoint(Pending);
          return;
        }
        if (Needed > 0) {  // a sequence cut short
          Needed = 0;
          Unit(0xFFFD);
        }
        if (B < 0x80) {
          Unit(B);
        } else if (B >= 0xC2 && B <= 0xDF) {
          Pending = B & 0x1F;
          Needed = 1;
        } else if (B >= 0xE0 && B <= 0xEF) {
          Pending = B & 0x0F;
          Needed = 2;
        } else if (B >= 0xF0 && B <= 0xF4) {
          Pending = B & 0x07;
          Needed = 3;
        } else {
          Unit(0xFFFD);
        }
        return;
    }
  }
};

TDecoder Decoder;

// Feeds the whole file to the reader; false on a read error.
bool Stream(int Fd) {
  bool atStart = true;
  for (;;) {
    const ssize_t n = read(Fd, ReadBuf, sizeof ReadBuf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    ssize_t at = 0;
    if (atStart) {
      Decoder = {TEncoding::Ansi, 0, 0};
      if (n >= 3 && std::memcmp(ReadBuf, "\xEF\xBB\xBF", 3) == 0) {
        Decoder.Encoding = TEncoding::Utf8;
        at = 3;
      } else if (n >= 2 && ReadBuf[0] == 0xFF && ReadBuf[1] == 0xFE) {
        Decoder.Encoding = TEncoding::Utf16Le;
        at = 2;
      } else if (n >= 2 && ReadBuf[0] == 0xFE && ReadBuf[1] == 0xFF) {
        Decoder.Encoding = TEncoding::Utf16Be;
        at = 2;
      }
      atStart = false;
    }
    for (; at < n; ++at) Decoder.Byte(ReadBuf[at]);
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
  if (Decoder.Encoding == TEncoding::Utf8 && Decoder.Needed > 0) Reader.Feed(0xFFFD);
  Reader.EndLine();  // a last line without its line end
}

#endif
