// Record.cpp: the journal of a host's calls (see Record.h), written with the
// platform's own file calls (CreateFileW and WriteFile in the DLL, open and
// write elsewhere), so no C runtime stream state is shared with the host.
#include "Record.h"

#include <cstring>

#include "../settings/Settings.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <cerrno>
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

#ifndef DRV_VERSION
#  define DRV_VERSION "0"
#endif

bool RecordOn = false;

namespace {

#if defined(_WIN32)
HANDLE File = INVALID_HANDLE_VALUE;
#else
int File = -1;
#endif

constexpr int PathSize = 32768;  // as long as the settings file's own path may be
TPathChar JournalPath[PathSize];

// Lines gather here and go to the file at CloseEquip, at unload, and when
// the room left might not hold the next line with its record lines.
constexpr uint32_t BufSize = 1 << 16;
constexpr uint32_t LineRoom = 1024;  // a DrawText line and its comment take under 400
char Buf[BufSize];
uint32_t Used;

// What the journal has told a replay so far: the parameter values and the
// three fields of each aperture record the driver reads. A replay's table
// starts all zero, as ours did at load.
int32_t ShadowValue[DrvParamCount];
struct TShadowAperture {
  uint8_t Shape;
  int32_t Width;
  int32_t Height;
};
TShadowAperture ShadowAperture[MaxAperture + 1];

struct TVerbLine {
  const char* Name;  // with "# " for the calls that change nothing
  int Args;
};
constexpr TVerbLine VerbLines[] = {
    {"# GetDescrPtr440", 0}, {"# GetParamPtr", 1}, {"# LayerOrdering", 1},
    {"SetParamValue", 2},    {"OpenEquip", 4},     {"OpenLayer", 2},
    {"CloseEquip", 0},       {"Comment", 1},       {"DrawLine", 5},
    {"DrawArc", 6},          {"FlashPad", 3},      {"DrillHole", 3}};
static_assert(sizeof VerbLines / sizeof VerbLines[0] ==
              static_cast<size_t>(TRecVerb::DrillHole) + 1);

// The host's errno (or last-error value) is left as the host set it: our
// file calls must not show through to the host's own error handling.
struct TErrorKeeper {
#if defined(_WIN32)
  DWORD Saved = GetLastError();
  ~TErrorKeeper() { SetLastError(Saved); }
#else
  int Saved = errno;
  ~TErrorKeeper() { errno = Saved; }
#endif
};

bool WriteAll(const char* P, uint32_t N) {
  while (N > 0) {
#if defined(_WIN32)
    DWORD done = 0;
    if (!WriteFile(File, P, N, &done, nullptr) || done == 0) return false;
#else
    const ssize_t done = write(File, P, N);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
#endif
    P += done;
    N -= static_cast<uint32_t>(done);
  }
  return true;
}

void CloseFile() {
#if defined(_WIN32)
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  File = INVALID_HANDLE_VALUE;
#else
  if (File >= 0) close(File);
  File = -1;
#endif
}

// Writes the buffer out. A failed write ends the recording, with one comment
// line saying so if the file still takes it (after a line end, in case the
// failure cut a line).
void Flush() {
  if (!RecordOn || Used == 0) return;
  const TErrorKeeper keep;
  const bool ok = WriteAll(Buf, Used);
  Used = 0;
  if (ok) return;
  static const char stopped[] = "\n# Recording stopped: the journal could not be written.\n";
  WriteAll(stopped, sizeof stopped - 1);
  RecordOn = false;
  CloseFile();
}

// Room for one call's lines; false once recording has stopped.
bool BeginLines() {
  if (BufSize - Used < LineRoom) Flush();
  return RecordOn;
}

void Put(const char* S) {
  const size_t n = std::strlen(S);
  std::memcpy(Buf + Used, S, n);
  Used += static_cast<uint32_t>(n);
}

void PutNum(int32_t V) {
  uint32_t m = V < 0 ? 0u - static_cast<uint32_t>(V) : static_cast<uint32_t>(V);
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (V < 0) Buf[Used++] = '-';
  while (n > 0) Buf[Used++] = digits[--n];
}

void PutArgs(const char* Name, const int32_t* Args, int Count) {
  Put(Name);
  for (int i = 0; i < Count; ++i) {
    Buf[Used++] = ' ';
    PutNum(Args[i]);
  }
}

void SyncParam(int Index) {
  const int32_t v = DrvBlock.Params[Index].Value;
  if (v == ShadowValue[Index]) return;
  ShadowValue[Index] = v;
  const int32_t args[2] = {Index, v};
  PutArgs("SetParamValue", args, 2);
  Buf[Used++] = '\n';
}

// The holes colour and the colour model's percentages: every colour a
// drawing call or OpenLayer may make depends on no other parameter but the
// layer's own.
void SyncColorParams() {
  for (int i = 24; i < DrvParamCount; ++i) SyncParam(i);
}

void SyncAperture(int32_t N) {
  const TAperture* a = ApertureRecord(N);
  if (a == nullptr) return;
  TShadowAperture& s = ShadowAperture[N];
  const uint8_t shape = a->Shape;
  const int32_t w = a->Width, h = a->Height;
  if (shape == s.Shape && w == s.Width && h == s.Height) return;
  s = TShadowAperture{shape, w, h};
  const int32_t args[4] = {N, shape, w, h};
  PutArgs("Aperture", args, 4);
  Buf[Used++] = '\n';
}

// The journal's path: Setting as it is when absolute, else after the folder
// of SettingsFile. False when it cannot be formed.
bool MakeJournalPath(const TPathChar* SettingsFile, const char* Setting) {
#if defined(_WIN32)
  const bool absolute = Setting[0] == '\\' || Setting[0] == '/' ||
                        (Setting[0] != 0 && Setting[1] == ':');
  auto isSeparator = [](TPathChar C) { return C == L'\\' || C == L'/' || C == L':'; };
#else
  const bool absolute = Setting[0] == '/';
  auto isSeparator = [](TPathChar C) { return C == '/'; };
#endif
  int n = 0;
  if (!absolute) {
    if (SettingsFile == nullptr) return false;
    for (int i = 0; SettingsFile[i] != 0 && i < PathSize; ++i) {
      if (isSeparator(SettingsFile[i])) n = i + 1;
    }
    for (int i = 0; i < n; ++i) JournalPath[i] = SettingsFile[i];
  }
  for (int i = 0; Setting[i] != 0; ++i) {
    if (n == PathSize - 1) return false;
    JournalPath[n++] = static_cast<TPathChar>(static_cast<uint8_t>(Setting[i]));
  }
  JournalPath[n] = 0;
  return true;
}

// Only a regular file is written: a device or pipe could block the host or
// be disturbed by being opened.
bool OpenJournal() {
#if defined(_WIN32)
  const HANDLE h = CreateFileW(JournalPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return false;
  }
#else
  struct stat st;
  if (stat(JournalPath, &st) == 0 && !S_ISREG(st.st_mode)) return false;
  const int h = open(JournalPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                     0666);
  if (h < 0) return false;
  if (fstat(h, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(h);
    return false;
  }
#endif
  File = h;
  return true;
}

}  // namespace

void RecordCallLine(TRecVerb V, int32_t A0, int32_t A1, int32_t A2, int32_t A3, int32_t A4,
                    int32_t A5) {
  if (!BeginLines()) return;
  const int32_t args[6] = {A0, A1, A2, A3, A4, A5};
  switch (V) {
    case TRecVerb::OpenLayer:
      if (A0 >= 0 && A0 <= 24) SyncParam(A0);
      SyncColorParams();
      break;
    case TRecVerb::DrawLine:
    case TRecVerb::DrawArc:
    case TRecVerb::FlashPad:
    case TRecVerb::DrillHole:
      SyncAperture(args[VerbLines[static_cast<int>(V)].Args - 1]);  // the last argument
      SyncColorParams();
      break;
    default:
      break;
  }
  const TVerbLine& line = VerbLines[static_cast<int>(V)];
  PutArgs(line.Name, args, line.Args);
  if (V == TRecVerb::LayerOrdering) {
    Put(" answers ");
    PutNum(StackedLayer(A0));
  }
  Buf[Used++] = '\n';
  if (V == TRecVerb::SetParamValue && A0 >= 0 && A0 < DrvParamCount) ShadowValue[A0] = A1;
  // A host that dies mid-plot leaves every document it closed.
  if (V == TRecVerb::CloseEquip) Flush();
}

void RecordTextLine(const TShortStr<255>* Text) {
  if (!BeginLines()) return;
  if (Text == nullptr) {
    Put("# DrawText without a text, replayed with an empty one\nDrawText\n");
    return;
  }
  // A journal line cannot hold these bytes; DrawText writes nothing, so the
  // replay's output is the same whatever stands in their place.
  const int len = Text->Len;
  bool unwritable = false;
  for (int i = 0; i < len; ++i) {
    const char c = Text->Text[i];
    unwritable = unwritable || c == '\r' || c == '\n' || c == 0;
  }
  if (unwritable) Put("# DrawText below: its text's CR, LF and NUL bytes are written as '?'\n");
  Put("DrawText ");
  for (int i = 0; i < len; ++i) {
    const char c = Text->Text[i];
    Buf[Used++] = c == '\r' || c == '\n' || c == 0 ? '?' : c;
  }
  Buf[Used++] = '\n';
}

void StartRecording(const TPathChar* SettingsFile, const char* Setting) {
  StopRecording();
  if (Setting == nullptr || Setting[0] == 0) return;
  const TErrorKeeper keep;
  if (!MakeJournalPath(SettingsFile, Setting) || !OpenJournal()) return;
  RecordOn = true;
  Used = 0;
  std::memset(ShadowAperture, 0, sizeof ShadowAperture);
  Put("# Recorded by svgdrv " DRV_VERSION " (");
  const TShortStr<24>& name = DrvBlock.Descr.DriverName;
  std::memcpy(Buf + Used, name.Text, name.Len < 24 ? name.Len : 24);
  Used += name.Len < 24 ? name.Len : 24;
  Put("), settings file read: yes\n"
      "# Replay with the same settings file: plothost --settings SVG.ini JOURNAL\n"
      "# The parameter values at load:\n");
  // Written out, so that a replay starts from them whatever a driver's
  // stored values are.
  for (int i = 0; i < DrvParamCount; ++i) {
    ShadowValue[i] = DrvBlock.Params[i].Value;
    const int32_t args[2] = {i, ShadowValue[i]};
    PutArgs("SetParamValue", args, 2);
    Buf[Used++] = '\n';
  }
  Put("# The calls, from load on:\n");
  Flush();
}

void StopRecording() {
  if (!RecordOn) return;
  Flush();
  const TErrorKeeper keep;
  CloseFile();
  RecordOn = false;
}
