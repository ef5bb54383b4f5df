// Journal.cpp: reading, parsing and writing plot journals.
//
// The parser reads bytes, not characters: no locale, no strtol, and the same
// verdict on every platform. Lines may end in LF or CR LF. A good line is
// parsed without allocating, in one pass over its bytes: every element of a
// journal goes through it.
#include "Journal.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t I32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t I32Max = std::numeric_limits<int32_t>::max();

struct ArgSpec {
  const char* Name;
  int64_t Min;
  int64_t Max;
};

struct VerbSpec {
  Verb What;
  const char* Name;
  size_t Length;      // of Name
  int Required;       // arguments that must be given
  int Optional;       // further arguments that may be given (default 0)
  ArgSpec Args[6];
};

// The grammar. Ranges are those of the entry point's argument types, except
// where the host itself uses the value: Aperture N addresses the table the
// host writes into, so it must not be negative (its upper bound is the
// driver's MaxAperture, checked once the driver is loaded).
const VerbSpec Verbs[] = {
    {Verb::SetParamValue, "SetParamValue", 13, 2, 0, {{"INDEX", 0, 255}, {"VALUE", I32Min, I32Max}}},
    {Verb::Aperture, "Aperture", 8, 4, 0,
     {{"N", 0, I32Max}, {"SHAPE", 0, 255}, {"WIDTH", I32Min, I32Max}, {"HEIGHT", I32Min, I32Max}}},
    {Verb::OpenEquip, "OpenEquip", 9, 4, 0,
     {{"XMIN", I32Min, I32Max}, {"YMIN", I32Min, I32Max}, {"XMAX", I32Min, I32Max},
      {"YMAX", I32Min, I32Max}}},
    {Verb::OpenLayer, "OpenLayer", 9, 1, 1, {{"LAYER", I32Min, I32Max}, {"ARG", I32Min, I32Max}}},
    {Verb::DrawLine, "DrawLine", 8, 5, 0,
     {{"X1", I32Min, I32Max}, {"Y1", I32Min, I32Max}, {"X2", I32Min, I32Max},
      {"Y2", I32Min, I32Max}, {"APERTURE", I32Min, I32Max}}},
    {Verb::DrawArc, "DrawArc", 7, 6, 0,
     {{"X", I32Min, I32Max}, {"Y", I32Min, I32Max}, {"RADIUS", I32Min, I32Max},
      {"STARTANGLE", I32Min, I32Max}, {"ENDANGLE", I32Min, I32Max},
      {"APERTURE", I32Min, I32Max}}},
    {Verb::FlashPad, "FlashPad", 8, 3, 0,
     {{"X", I32Min, I32Max}, {"Y", I32Min, I32Max}, {"APERTURE", I32Min, I32Max}}},
    {Verb::DrillHole, "DrillHole", 9, 3, 0,
     {{"X", I32Min, I32Max}, {"Y", I32Min, I32Max}, {"APERTURE", I32Min, I32Max}}},
    {Verb::DrawText, "DrawText", 8, 0, 0, {}},
    {Verb::Comment, "Comment", 7, 0, 1, {{"N", I32Min, I32Max}}},
    {Verb::CloseEquip, "CloseEquip", 10, 0, 0, {}},
};

const VerbSpec& SpecOf(Verb V) {
  for (const VerbSpec& s : Verbs) {
    if (s.What == V) return s;
  }
  return Verbs[0];  // unreachable: every Verb has a row
}

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

std::string Usage(const VerbSpec& S) {
  std::string u = S.Name;
  if (S.What == Verb::DrawText) return u + " TEXT";
  for (int i = 0; i < S.Required + S.Optional; ++i) {
    u += ' ';
    if (i >= S.Required) u += '[';
    u += S.Args[i].Name;
    if (i >= S.Required) u += ']';
  }
  return u;
}

// A token as it may be shown in a message: unprintable bytes escaped, and
// cut so that one bad line gives one readable line.
std::string Shown(std::string_view T) {
  static const char hex[] = "0123456789abcdef";
  std::string s;
  for (unsigned char c : T) {
    if (s.size() >= 40) {
      s += "...";
      break;
    }
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      s += static_cast<char>(c);
    } else {
      s += "\\x";
      s += hex[c >> 4];
      s += hex[c & 15];
    }
  }
  return s;
}

std::string RangeText(const ArgSpec& A) { return Decimal(A.Min) + " to " + Decimal(A.Max); }

// The verbs by how often a journal holds them, for the lookup.
const Verb ByFrequency[] = {Verb::DrawLine,  Verb::FlashPad,   Verb::DrawArc,
                            Verb::DrillHole, Verb::Aperture,   Verb::OpenLayer,
                            Verb::DrawText,  Verb::Comment,    Verb::SetParamValue,
                            Verb::OpenEquip, Verb::CloseEquip};

const VerbSpec* FindVerb(std::string_view Word) {
  for (Verb v : ByFrequency) {
    const VerbSpec& s = Verbs[static_cast<int>(v)];
    // The first byte and the length rule out nearly every other verb.
    if (Word.size() == s.Length && Word[0] == s.Name[0] &&
        std::memcmp(Word.data(), s.Name, Word.size()) == 0) {
      return &s;
    }
  }
  return nullptr;
}

std::string UnknownVerb(std::string_view Word) {
  std::string what = "unknown verb '" + Shown(Word) + "'";
  for (const VerbSpec& s : Verbs) {
    if (Word.size() == std::strlen(s.Name) &&
        std::equal(Word.begin(), Word.end(), s.Name, [](char a, char b) {
          auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
          return lower(a) == lower(b);
        })) {
      what += std::string(" (verbs are case-sensitive: ") + s.Name + ")";
    }
  }
  return what;
}

size_t TokenEnd(std::string_view L, size_t I) {
  while (I < L.size() && !IsBlank(L[I])) ++I;
  return I;
}

}  // namespace

std::string Decimal(int64_t V) {
  // Hand-made so that no locale can put grouping into it.
  char buf[24];
  char* p = buf + sizeof buf;
  uint64_t m = V < 0 ? 0 - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
  do {
    *--p = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (V < 0) *--p = '-';
  return std::string(p, static_cast<size_t>(buf + sizeof buf - p));
}

std::string Where(std::string_view Name, int64_t Line) {
  std::string w(Name);
  w += ':';
  w += Decimal(Line);
  w += ": ";
  return w;
}

const char* VerbName(Verb V) { return SpecOf(V).Name; }

void StartReader(LineReader& R, ReadFn Read, void* Context) {
  R.Read = Read;
  R.Context = Context;
  // Room for the longest line and a large read after it; kept when the
  // reader is started again.
  R.Buf.resize(MaxLineLength + (1 << 18));
  R.Begin = R.End = 0;
  R.AtEnd = false;
  R.LineNo = 0;
}

NextResult NextLine(LineReader& R, std::string_view& Line) {
  for (;;) {
    const char* base = R.Buf.data();
    const void* lf = R.Begin < R.End ? std::memchr(base + R.Begin, '\n', R.End - R.Begin) : nullptr;
    size_t end = 0, next = 0;
    if (lf != nullptr) {
      end = static_cast<size_t>(static_cast<const char*>(lf) - base);
      next = end + 1;
    } else if (R.AtEnd) {
      if (R.Begin == R.End) return NextResult::End;
      end = next = R.End;  // a last line without its LF
    }
    if (lf != nullptr || R.AtEnd) {
      ++R.LineNo;
      if (end - R.Begin > MaxLineLength) return NextResult::TooLong;
      std::string_view l(base + R.Begin, end - R.Begin);
      R.Begin = next;
      while (!l.empty() && l.back() == '\r') l.remove_suffix(1);
      // Editors on Windows like to start a file with a UTF-8 byte order mark.
      if (R.LineNo == 1 && l.substr(0, 3) == "\xEF\xBB\xBF") l.remove_prefix(3);
      Line = l;
      return NextResult::Line;
    }
    if (R.End - R.Begin > MaxLineLength) {
      ++R.LineNo;
      return NextResult::TooLong;
    }
    // Keep the partial line, and read more behind it.
    if (R.Begin != 0) {
      std::memmove(R.Buf.data(), base + R.Begin, R.End - R.Begin);
      R.End -= R.Begin;
      R.Begin = 0;
    }
    const int64_t n = R.Read(R.Context, R.Buf.data() + R.End, R.Buf.size() - R.End);
    if (n < 0) return NextResult::Failed;
    if (n == 0) R.AtEnd = true;
    R.End += static_cast<size_t>(n);
  }
}

LineResult ParseLine(std::string_view L, Call& Out, std::string& Message) {
  while (!L.empty() && L.back() == '\r') L.remove_suffix(1);
  const char* p = L.data();
  const size_t n = L.size();
  size_t i = 0;
  while (i < n && IsBlank(p[i])) ++i;
  if (i == n || p[i] == '#') return LineResult::Blank;

  size_t j = TokenEnd(L, i);
  const std::string_view word = L.substr(i, j - i);
  const VerbSpec* spec = FindVerb(word);
  if (spec == nullptr) {
    Message = UnknownVerb(word);
    return LineResult::Error;
  }
  Out.What = spec->What;
  Out.TextLength = 0;
  for (int32_t& a : Out.Arg) a = 0;

  if (spec->What == Verb::DrawText) {
    // The text is the rest of the line after the one blank that ends the
    // verb, taken byte for byte: inner and trailing blanks included. (The
    // CRs before the LF belong to the line end, so no text ends in CR.)
    const std::string_view text = j < n ? L.substr(j + 1) : std::string_view{};
    if (text.size() > MaxTextLength) {
      Message = "DrawText: the text has " + Decimal(static_cast<int64_t>(text.size())) +
                " characters; a short string holds at most 255";
      return LineResult::Error;
    }
    if (!text.empty()) std::memcpy(Out.Text, text.data(), text.size());
    Out.TextLength = static_cast<uint8_t>(text.size());
    return LineResult::Call;
  }

  const int most = spec->Required + spec->Optional;
  int count = 0;
  i = j;
  for (;;) {
    while (i < n && IsBlank(p[i])) ++i;
    if (i == n) break;
    if (count == most) {
      Message = std::string(spec->Name) + ": extra argument '" +
                Shown(L.substr(i, TokenEnd(L, i) - i)) + "' (usage: " + Usage(*spec) + ")";
      return LineResult::Error;
    }
    // A decimal integer with an optional sign. Values far beyond any range
    // are caught without overflow by capping the accumulated magnitude.
    const ArgSpec& a = spec->Args[count];
    size_t k = i;
    const bool neg = p[k] == '-';
    if (p[k] == '+' || p[k] == '-') ++k;
    const size_t digits = k;
    constexpr uint64_t cap = uint64_t{1} << 40;
    uint64_t m = 0;
    for (; k < n; ++k) {
      const unsigned d = static_cast<unsigned char>(p[k]) - unsigned{'0'};
      if (d > 9) break;
      if (m < cap) m = m * 10 + d;
    }
    if (k == digits || (k < n && !IsBlank(p[k]))) {
      Message = std::string(spec->Name) + ": " + a.Name + " '" +
                Shown(L.substr(i, TokenEnd(L, i) - i)) + "' is not a decimal integer";
      return LineResult::Error;
    }
    const int64_t v = neg ? -static_cast<int64_t>(m) : static_cast<int64_t>(m);
    if (v < a.Min || v > a.Max) {
      Message = std::string(spec->Name) + ": " + a.Name + " " + Shown(L.substr(i, k - i)) +
                " is out of range (" + RangeText(a) + ")";
      return LineResult::Error;
    }
    Out.Arg[count++] = static_cast<int32_t>(v);
    i = k;
  }
  if (count < spec->Required) {
    Message = std::string(spec->Name) + ": missing " + spec->Args[count].Name + " (usage: " +
              Usage(*spec) + ")";
    return LineResult::Error;
  }
  return LineResult::Call;
}

std::string FormatCall(const Call& C) {
  const VerbSpec& s = SpecOf(C.What);
  std::string line = s.Name;
  if (C.What == Verb::DrawText) return line + " " + std::string(C.Text, C.TextLength);
  for (int i = 0; i < s.Required + s.Optional; ++i) {
    line += ' ';
    line += Decimal(C.Arg[i]);
  }
  return line;
}
