// FuzzJournal.cpp: libFuzzer target for plothost's journal reading.
//
// Any bytes, read in chunks of a size the input picks, through the line
// reader, the parser and the first-pass check: nothing may crash, every
// message must read "FILE:LINE: message" on one printable line, and every
// call parsed from a line, written back as a journal line, must parse to
// the same call.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/plothost/Check.h"
#include "tools/plothost/Journal.h"

namespace {

constexpr const char* Name = "fuzz.jnl";

struct Memory {
  const uint8_t* Data;
  size_t Size, Pos, Chunk;
};

int64_t ReadMemory(void* Context, char* Buf, size_t Max) {
  Memory& m = *static_cast<Memory*>(Context);
  size_t n = m.Size - m.Pos;
  if (n > Max) n = Max;
  if (n > m.Chunk) n = m.Chunk;
  std::memcpy(Buf, m.Data + m.Pos, n);
  m.Pos += n;
  return static_cast<int64_t>(n);
}

void Require(bool Ok, const char* What, const std::string& Detail) {
  if (Ok) return;
  std::fprintf(stderr, "FuzzJournal: %s: %s\n", What, Detail.c_str());
  std::abort();
}

// "fuzz.jnl:LINE: text", LINE a positive decimal without leading zeros,
// text not empty, every byte printable.
void CheckForm(const std::string& M) {
  const size_t prefix = std::strlen(Name) + 1;
  bool ok = M.compare(0, prefix, std::string(Name) + ":") == 0;
  size_t i = prefix;
  while (ok && i < M.size() && M[i] >= '0' && M[i] <= '9') ++i;
  ok = ok && i > prefix && M[prefix] != '0' && M.compare(i, 2, ": ") == 0 && i + 2 < M.size();
  for (unsigned char c : M) ok = ok && c >= 0x20 && c < 0x7F;
  Require(ok, "message not in the FILE:LINE: form", M);
}

void OnError(void*, const std::string& Message) { CheckForm(Message); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The first byte picks the read size, so that lines straddle reads.
  const size_t chunk = Size == 0 ? 1 : Data[0] < 128 ? size_t{Data[0]} + 1 : size_t{1} << 20;

  Memory m{Data, Size, 0, chunk};
  static LineReader r;  // its buffer allocated once, not per input
  StartReader(r, &ReadMemory, &m);
  Warnings w;
  CheckOutcome outcome;
  const CheckResult result =
      CheckJournal(r, Name, JournalLimits{600, true}, &OnError, nullptr, w, outcome);
  Require(result != CheckResult::ReadFailed && result != CheckResult::NoTable, "check result",
          "a source that cannot fail failed");
  Require((result == CheckResult::Good) == (outcome.Errors == 0), "check result",
          "disagrees with the error count");
  for (const std::string& s : w.Shown) {
    CheckForm(s);
    Require(s.find(": warning: ") != std::string::npos, "warning", s);
  }

  // Every parsed call survives being written back.
  Memory again{Data, Size, 0, chunk};
  StartReader(r, &ReadMemory, &again);
  Call c, back;
  std::string message;
  std::string_view line;
  while (NextLine(r, line) == NextResult::Line) {
    if (ParseLine(line, c, message) != LineResult::Call) continue;
    const std::string text = FormatCall(c);
    const LineResult parsed = ParseLine(text, back, message);
    Require(parsed == LineResult::Call, "written call does not parse", text + " | " + message);
    Require(SameCall(c, back), "written call parses differently", text);
  }
  return 0;
}
