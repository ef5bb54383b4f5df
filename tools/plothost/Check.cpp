// Check.cpp: the journal's first pass: errors, the documents' structure and
// warnings for calls the driver draws nothing for.
#include "Check.h"

#include <algorithm>

namespace {

constexpr int32_t LayerCount = 26;          // host layers 0 to 25
constexpr int32_t TrackedApertures = 65536; // apertures whose records are followed

struct State {
  std::string_view Name;
  const JournalLimits* Limits;
  MessageFn Error;
  void* Context;
  Warnings* W;
  CheckOutcome* Outcome;
  int64_t LineErrors = 0;    // errors of single lines (not of the structure)
  int64_t OpenDocument = 0;  // line of the open document's OpenEquip, 0 for none
  bool LayerOpen = false;
  bool AnyDocument = false;  // an OpenEquip was seen
  bool TextTold = false;     // DrawText is warned about once
  std::vector<int16_t> Shape;  // by aperture number: its shape, -1 never written
};

void Fail(State& S, int64_t Line, const std::string& What, bool OfLine = true) {
  // Past the first few, errors are only counted: a file that is no journal
  // at all would otherwise flood the terminal.
  if (++S.Outcome->Errors <= MaxErrorsShown) S.Error(S.Context, Where(S.Name, Line) + What);
  if (OfLine) ++S.LineErrors;
}

void Warn(State& S, int64_t Line, const std::string& What) {
  // Counted always; the text made only for the ones shown.
  if (S.W->Shown.size() < MaxWarningsShown) {
    AddWarning(*S.W, Where(S.Name, Line) + "warning: " + What);
  } else {
    ++S.W->Count;
  }
}

// A document left open. Only told when no line before has an error: a bad
// OpenEquip or CloseEquip line would otherwise bring a second, misleading
// message.
void Unclosed(State& S) {
  if (S.OpenDocument != 0 && S.LineErrors == 0) {
    Fail(S, S.OpenDocument, "document opened here is never closed", false);
  }
}

bool Draws(Verb V) {
  return V == Verb::DrawLine || V == Verb::DrawArc || V == Verb::FlashPad || V == Verb::DrillHole;
}

// The driver draws a quarter circle (end 90 degrees after the start either
// way round, the quarter starting at 0, 90, 180 or 270) and the full circle
// 0 to 360; nothing else.
bool ArcDrawn(int32_t Start, int32_t End) {
  const int64_t s = Start, e = End;
  int64_t quarter = -1;
  if (e == s + 90) quarter = s;
  if (s == e + 90) quarter = e;
  if (quarter == 0 || quarter == 90 || quarter == 180 || quarter == 270) return true;
  return s == 0 && e == 360;
}

void CheckCall(State& S, const Call& C, int64_t Line) {
  const char* verb = VerbName(C.What);
  const int32_t* a = C.Arg;
  if (Draws(C.What)) {
    if (S.OpenDocument == 0) {
      Warn(S, Line, std::string(verb) + ": no document is open (OpenEquip comes first)");
    } else if (!S.LayerOpen) {
      Warn(S, Line, std::string(verb) + ": drawn before the document's first OpenLayer");
    }
    const int32_t ap = C.What == Verb::DrawLine ? a[4] : C.What == Verb::DrawArc ? a[5] : a[2];
    if (ap < 0 || ap > S.Limits->MaxAperture) {
      Warn(S, Line, std::string(verb) + ": aperture " + Decimal(ap) +
                        " is outside the driver's table (0 to " +
                        Decimal(S.Limits->MaxAperture) + "); nothing is drawn");
    } else if (static_cast<size_t>(ap) < S.Shape.size()) {
      const int16_t shape = S.Shape[static_cast<size_t>(ap)];
      if (shape < 0) {
        Warn(S, Line, std::string(verb) + ": aperture " + Decimal(ap) +
                          " was never written (no Aperture line before); its empty record draws"
                          " nothing visible");
      } else if (C.What == Verb::FlashPad && shape != 0 && shape != 1 && shape != 4) {
        Warn(S, Line, "FlashPad: aperture " + Decimal(ap) + " has shape " + Decimal(shape) +
                          ", which the driver does not draw (0 round or obround, 1 rectangle,"
                          " 4 ring)");
      }
    }
    if (C.What == Verb::DrawArc && !ArcDrawn(a[3], a[4])) {
      Warn(S, Line, "DrawArc: angles " + Decimal(a[3]) + " to " + Decimal(a[4]) +
                        " are neither a quarter circle (90 degrees from 0, 90, 180 or 270) nor"
                        " the full circle 0 to 360; nothing is drawn");
    }
    return;
  }
  switch (C.What) {
    case Verb::Aperture:
      if (a[0] > S.Limits->MaxAperture) {
        Fail(S, Line, "Aperture: N " + Decimal(a[0]) + " lies beyond the driver's aperture table (0 to " +
                          Decimal(S.Limits->MaxAperture) + ")");
      } else if (static_cast<size_t>(a[0]) < S.Shape.size()) {
        S.Shape[static_cast<size_t>(a[0])] = static_cast<int16_t>(a[1]);
      }
      break;
    case Verb::OpenEquip:
      // A host may open a document over one it never closed (a recorded
      // plot replays such a stream exactly): the abandoned document stays
      // in the output unfinished, which is worth a warning, not a refusal.
      if (S.OpenDocument != 0) {
        Warn(S, S.OpenDocument, "document opened here is never closed (OpenEquip at line " +
                                    Decimal(Line) + " starts another)");
      }
      S.OpenDocument = Line;
      S.AnyDocument = true;
      S.LayerOpen = false;
      if (a[2] <= a[0] || a[3] <= a[1]) {
        Warn(S, Line, "OpenEquip: the plot area " + Decimal(a[0]) + " " + Decimal(a[1]) + " to " +
                          Decimal(a[2]) + " " + Decimal(a[3]) +
                          " is empty or inverted (XMAX must exceed XMIN and YMAX YMIN); the"
                          " document's size comes out zero or negative");
      }
      break;
    case Verb::OpenLayer:
      if (S.OpenDocument == 0) {
        Warn(S, Line, "OpenLayer: no document is open (OpenEquip comes first)");
      }
      if (a[0] < 0 || a[0] >= LayerCount) {
        Warn(S, Line, "OpenLayer: layer " + Decimal(a[0]) +
                          " is not one of the driver's layers (0 to 25); it takes the colour of"
                          " the layer before");
      }
      S.LayerOpen = true;
      break;
    case Verb::DrawText:
      // The same for every text item: told for the first only.
      if (!S.TextTold) Warn(S, Line, "DrawText: text is accepted but never written (told once)");
      S.TextTold = true;
      break;
    case Verb::CloseEquip:
      if (S.OpenDocument == 0) Warn(S, Line, "CloseEquip: no document is open");
      S.OpenDocument = 0;
      S.LayerOpen = false;
      break;
    default:
      break;
  }
}

}  // namespace

void AddWarning(Warnings& W, std::string Text) {
  if (W.Shown.size() < MaxWarningsShown) W.Shown.push_back(std::move(Text));
  ++W.Count;
}

void PrintWarnings(const Warnings& W, FILE* To) {
  for (const std::string& w : W.Shown) std::fprintf(To, "%s\n", w.c_str());
  const int64_t more = W.Count - static_cast<int64_t>(W.Shown.size());
  if (more > 0) {
    std::fprintf(To, "plothost: %s more warning%s not shown (-q silences warnings)\n",
                 Decimal(more).c_str(), more == 1 ? "" : "s");
  }
}

CheckResult CheckJournal(LineReader& R, std::string_view Name, const JournalLimits& Limits,
                         MessageFn Error, void* Context, Warnings& W, CheckOutcome& Outcome,
                         CallFn Keep, void* KeepContext) {
  State s{Name, &Limits, Error, Context, &W, &Outcome, 0, 0, false, false, false, {}};
  const int32_t tracked = std::min(Limits.MaxAperture, TrackedApertures - 1);
  s.Shape.assign(tracked < 0 ? 0 : static_cast<size_t>(tracked) + 1, -1);
  Call c;
  std::string message;
  bool tableChecked = false;
  for (;;) {
    std::string_view line;
    const NextResult next = NextLine(R, line);
    if (next == NextResult::Failed) return CheckResult::ReadFailed;
    if (next == NextResult::TooLong) {
      Fail(s, R.LineNo, "line too long (more than 65536 bytes)");
      return CheckResult::Bad;
    }
    if (next == NextResult::End) break;
    switch (ParseLine(line, c, message)) {
      case LineResult::Blank:
        continue;
      case LineResult::Error:
        Fail(s, R.LineNo, message);
        continue;
      case LineResult::Call:
        break;
    }
    if (c.What == Verb::Aperture && !tableChecked) {
      tableChecked = true;
      if (!Limits.HaveTable) {
        Outcome.Failure = Where(Name, R.LineNo) + "cannot write aperture " + Decimal(c.Arg[0]);
        return CheckResult::NoTable;
      }
    }
    CheckCall(s, c, R.LineNo);
    if (Keep != nullptr && Outcome.Errors == 0) Keep(KeepContext, c);
  }
  Unclosed(s);
  if (!s.AnyDocument && Outcome.Errors == 0) {
    // Told at the journal's end (line 1 of an empty one).
    Warn(s, R.LineNo > 0 ? R.LineNo : 1, "no OpenEquip: the journal holds no document, so the output is empty");
  }
  return Outcome.Errors == 0 ? CheckResult::Good : CheckResult::Bad;
}
