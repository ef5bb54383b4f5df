// Journal.cpp: parsing and writing plot journals.
//
// The parser reads bytes, not characters: no locale, no strtol, and the same
// verdict on every platform. Lines may end in LF or CR LF.
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
  int Required;       // arguments that must be given
  int Optional;       // further arguments that may be given (default 0)
  ArgSpec Args[6];
};

// The grammar. Ranges are those of the entry point's argument types, except
// where the host itself uses the value: Aperture N addresses the table the
// host writes into, so it must not be negative (its upper bound is the
// driver's MaxAperture, checked once the driver is loaded).
const VerbSpec Verbs[] = {
    {Verb::SetParamValue, "SetParamValue", 2, 0, {{"INDEX", 0, 255}, {"VALUE", I32Min, I32Max}}},
    {Verb::Aperture, "Aperture", 4, 0,
     {{"N", 0, I32Max}, {"SHAPE", 0, 255}, {"WIDTH", I32Min, I32Max}, {"HEIGHT", I32Min, I32Max}}},
    {Verb::OpenEquip, "OpenEquip", 4, 0,
     {{"XMIN", I32Min, I32Max}, {"YMIN", I32Min, I32Max}, {"XMAX", I32Min, I32Max},
      {"YMAX", I32Min, I32Max}}},
    {Verb::OpenLayer, "OpenLayer", 1, 1, {{"LAYER", I32Min, I32Max}, {"ARG", I32Min, I32Max}}},
    {Verb::DrawLine, "DrawLine", 5, 0,
     {{"X1", I32Min, I32Max}, {"Y1", I32Min, I32Max}, {"X2", I32Min, I32Max},
      {"Y2", I32Min, I32Max}, {"APERTURE", I32Min, I32Max}}},
    {Verb::DrawArc, "DrawArc", 6, 0,
     {{"X", I32Min, I32Max}, {"Y", I32Min, I32Max}, {"RADIUS", I32Min, I32Max},
      {"STARTANGLE", I32Min, I32Max}, {"ENDANGLE", I32Min, I32Max},
      {"APERTURE", I32Min, I32Max}}},
    {Verb::FlashPad, "FlashPad", 3, 0,
     {{"X", I32Min, I32Max}, {"Y", I32Min, I32Max}, {"APERTURE", I32Min, I32Max}}},
    {Verb::DrillHole, "DrillHole", 3, 0,
     {{"X", I32Min, I32Max}, {"Y", I32Min, I32Max}, {"APERTURE", I32Min, I32Max}}},
    {Verb::DrawText, "DrawText", 0, 0, {}},
    {Verb::Comment, "Comment", 0, 1, {{"N", I32Min, I32Max}}},
    {Verb::CloseEquip, "CloseEquip", 0, 0, {}},
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

std::string Decimal(int64_t V) {
  // Hand-made so that no locale can put grouping into it.
  const bool neg = V < 0;
  uint64_t m = neg ? 0 - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
  std::string d;
  do {
    d.insert(d.begin(), static_cast<char>('0' + m % 10));
    m /= 10;
  } while (m != 0);
  return neg ? "-" + d : d;
}

enum class NumResult { Ok, NotANumber, OutOfRange };

// A decimal integer with an optional sign. Values far beyond any range are
// caught without overflow by capping the accumulated magnitude.
NumResult ParseNumber(std::string_view T, int64_t Min, int64_t Max, int64_t& Out) {
  size_t i = 0;
  bool neg = false;
  if (i < T.size() && (T[i] == '+' || T[i] == '-')) {
    neg = T[i] == '-';
    ++i;
  }
  if (i == T.size()) return NumResult::NotANumber;
  constexpr int64_t cap = int64_t{1} << 40;
  int64_t m = 0;
  for (; i < T.size(); ++i) {
    if (T[i] < '0' || T[i] > '9') return NumResult::NotANumber;
    if (m < cap) m = m * 10 + (T[i] - '0');
  }
  const int64_t v = neg ? -m : m;
  if (v < Min || v > Max) return NumResult::OutOfRange;
  Out = v;
  return NumResult::Ok;
}

std::string RangeText(const ArgSpec& A) { return Decimal(A.Min) + " to " + Decimal(A.Max); }

}  // namespace

const char* VerbName(Verb V) { return SpecOf(V).Name; }

void ParseJournal(std::string_view Name, std::string_view Source, std::vector<Call>& Calls,
                  std::vector<std::string>& Errors) {
  const std::string name(Name);
  int lineNo = 0;
  size_t pos = 0;
  // Editors on Windows like to start a file with a UTF-8 byte order mark.
  if (Source.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
  while (pos < Source.size()) {
    size_t end = Source.find('\n', pos);
    if (end == std::string_view::npos) end = Source.size();
    std::string_view line = Source.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    auto fail = [&](const std::string& What) {
      Errors.push_back(name + ":" + Decimal(lineNo) + ": " + What);
    };

    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == '#') continue;

    size_t j = i;
    while (j < line.size() && !IsBlank(line[j])) ++j;
    const std::string_view word = line.substr(i, j - i);

    const VerbSpec* spec = nullptr;
    for (const VerbSpec& s : Verbs) {
      if (word == s.Name) spec = &s;
    }
    if (spec == nullptr) {
      std::string what = "unknown verb '" + Shown(word) + "'";
      for (const VerbSpec& s : Verbs) {
        if (word.size() == std::strlen(s.Name) &&
            std::equal(word.begin(), word.end(), s.Name, [](char a, char b) {
              auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
              return lower(a) == lower(b);
            })) {
          what += std::string(" (verbs are case-sensitive: ") + s.Name + ")";
        }
      }
      fail(what);
      continue;
    }

    Call c{};
    c.What = spec->What;
    c.Line = lineNo;

    if (spec->What == Verb::DrawText) {
      // The text is the rest of the line after the one blank that ends the
      // verb, taken byte for byte: inner and trailing blanks included.
      const std::string_view text = j < line.size() ? line.substr(j + 1) : std::string_view{};
      if (text.size() > MaxTextLength) {
        fail("DrawText: the text has " + Decimal(static_cast<int64_t>(text.size())) +
             " characters; a short string holds at most 255");
        continue;
      }
      c.Text.assign(text);
      Calls.push_back(std::move(c));
      continue;
    }

    const int most = spec->Required + spec->Optional;
    int count = 0;
    bool ok = true;
    i = j;
    while (ok) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i == line.size()) break;
      j = i;
      while (j < line.size() && !IsBlank(line[j])) ++j;
      const std::string_view tok = line.substr(i, j - i);
      i = j;
      if (count == most) {
        fail(std::string(spec->Name) + ": extra argument '" + Shown(tok) +
             "' (usage: " + Usage(*spec) + ")");
        ok = false;
        break;
      }
      const ArgSpec& a = spec->Args[count];
      int64_t v = 0;
      switch (ParseNumber(tok, a.Min, a.Max, v)) {
        case NumResult::Ok:
          c.Arg[count++] = static_cast<int32_t>(v);
          break;
        case NumResult::NotANumber:
          fail(std::string(spec->Name) + ": " + a.Name + " '" + Shown(tok) +
               "' is not a decimal integer");
          ok = false;
          break;
        case NumResult::OutOfRange:
          fail(std::string(spec->Name) + ": " + a.Name + " " + Shown(tok) +
               " is out of range (" + RangeText(a) + ")");
          ok = false;
          break;
      }
    }
    if (!ok) continue;
    if (count < spec->Required) {
      fail(std::string(spec->Name) + ": missing " + spec->Args[count].Name + " (usage: " +
           Usage(*spec) + ")");
      continue;
    }
    Calls.push_back(std::move(c));
  }
}

std::string FormatCall(const Call& C) {
  const VerbSpec& s = SpecOf(C.What);
  std::string line = s.Name;
  if (C.What == Verb::DrawText) return line + " " + C.Text;
  for (int i = 0; i < s.Required + s.Optional; ++i) {
    line += ' ';
    line += Decimal(C.Arg[i]);
  }
  return line;
}

Call MakeCall(Verb V, std::initializer_list<int32_t> Args) {
  Call c{};
  c.What = V;
  int n = 0;
  for (int32_t a : Args) {
    if (n < 6) c.Arg[n++] = a;
  }
  return c;
}

Call MakeText(std::string_view Text) {
  Call c{};
  c.What = Verb::DrawText;
  c.Text.assign(Text.substr(0, MaxTextLength));
  return c;
}
