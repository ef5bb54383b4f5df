// CallSpool.cpp: the binary form of checked calls in a scratch file.
//
// One record a call: the verb, the number of arguments kept (trailing zero
// arguments are dropped), each argument as four little-endian bytes, and for
// DrawText the text's length and bytes.
#include "CallSpool.h"

#include <cstring>

#include "Files.h"

namespace {

constexpr size_t BufferSize = 1 << 18;
constexpr size_t MaxRecord = 2 + 4 * 6 + 1 + MaxTextLength;

bool Flush(CallSpool& S) {
  if (S.Failed) return false;
  if (S.End > 0 && !WriteAll(S.Fd, S.Buf.data(), S.End)) {
    S.Failed = true;
    S.FailText = LastError();
    return false;
  }
  S.End = 0;
  return true;
}

// At least MaxRecord bytes ahead, or all that is left of the file.
bool Fill(CallSpool& S) {
  if (S.End - S.Begin >= MaxRecord) return true;
  std::memmove(S.Buf.data(), S.Buf.data() + S.Begin, S.End - S.Begin);
  S.End -= S.Begin;
  S.Begin = 0;
  while (S.End < MaxRecord) {
    const int64_t n = ReadSome(S.Fd, S.Buf.data() + S.End, S.Buf.size() - S.End);
    if (n < 0) {
      S.Failed = true;
      S.FailText = LastError();
      return false;
    }
    if (n == 0) break;
    S.End += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool OpenSpool(CallSpool& S, std::string& Error) {
  S.Fd = CreateUnique(ScratchFolder() + "plothost-", ".calls", true, S.Name, Error);
  if (S.Fd < 0) {
    Error = "cannot make a scratch file for the checked calls: " + Error;
    return false;
  }
  S.Buf.assign(BufferSize, 0);
  S.Begin = S.End = 0;
  return true;
}

void SpoolCall(void* Context, const Call& C) {
  CallSpool& s = *static_cast<CallSpool*>(Context);
  if (s.Buf.size() - s.End < MaxRecord && !Flush(s)) return;
  char* p = s.Buf.data() + s.End;
  int args = 6;
  while (args > 0 && C.Arg[args - 1] == 0) --args;
  *p++ = static_cast<char>(C.What);
  *p++ = static_cast<char>(args);
  for (int i = 0; i < args; ++i) {
    const uint32_t v = static_cast<uint32_t>(C.Arg[i]);
    for (int b = 0; b < 4; ++b) *p++ = static_cast<char>(v >> (8 * b));
  }
  if (C.What == Verb::DrawText) {
    *p++ = static_cast<char>(C.TextLength);
    std::memcpy(p, C.Text, C.TextLength);
    p += C.TextLength;
  }
  s.End = static_cast<size_t>(p - s.Buf.data());
}

bool RewindSpool(CallSpool& S) {
  if (!Flush(S)) return false;
  if (!SeekTo(S.Fd, 0)) {
    S.Failed = true;
    S.FailText = LastError();
    return false;
  }
  S.Begin = S.End = 0;
  return true;
}

int NextSpooledCall(CallSpool& S, Call& C) {
  if (!Fill(S)) return -1;
  if (S.Begin == S.End) return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(S.Buf.data() + S.Begin);
  C.What = static_cast<Verb>(p[0]);
  const int args = p[1];
  p += 2;
  for (int i = 0; i < 6; ++i) {
    uint32_t v = 0;
    if (i < args) {
      v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
      p += 4;
    }
    C.Arg[i] = static_cast<int32_t>(v);
  }
  C.TextLength = 0;
  if (C.What == Verb::DrawText) {
    C.TextLength = *p++;
    std::memcpy(C.Text, p, C.TextLength);
    p += C.TextLength;
  }
  S.Begin = static_cast<size_t>(reinterpret_cast<const char*>(p) - S.Buf.data());
  return 1;
}

void CloseSpool(CallSpool& S) {
  if (S.Fd >= 0) CloseFd(S.Fd);
  S.Fd = -1;
}
