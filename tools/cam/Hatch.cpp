// Hatch.cpp: fills an area with strokes of round pens, as photoplotters and
// layout programs fill areas. A scanline over the area's edges gives its
// spans on sub-rows one host unit apart (resolving clear polarity as it
// goes), a strip of 512 sub-rows at a time
// (memory does not grow with the area's height, work grows with the
// sub-rows times their spans). In each strip rows of the widest pen are laid
// wherever its disc fits (each sub-row's spans less the disc's half chord
// there, intersected over the disc), then rows of each finer pen where the
// wider ones left a gap, down to the finest pen, which also draws what is
// too thin for any disc.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>
// A second thread hatches the upper half of a large area where the
// standard library has threads (not MinGW's win32 thread model), but in
// the fuzz target.
#if defined(__unix__) && !defined(CAM_HATCH_ONE_THREAD)
#define HATCH_THREADS 1
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#endif

#include "Hatch.h"

namespace cam {
namespace {

struct Span {
  double A, B;
};
using Spans = std::vector<Span>;

// A piece of a sub-row not covered yet; Edge: one of its ends is a stroke's
// end rather than the area's edge.
struct Piece {
  double A, B;
  int Row;
  bool Edge;
};

struct Edge {
  double Y0, Y1;  // Y0 < Y1; the edge holds sub-rows Y0 <= y < Y1
  double X0, Slope;
  int Dir;
  uint32_t Layer;
};

// The pens, widest first, and the rows of each in a strip: wide areas take
// rows of the 5 mm pen, and each finer pen (a quarter of the one before:
// fewer levels make fewer gap rows along the edges than halving does) fills
// what the wider ones left. The pitch leaves
// under Scallop units between the round ends of neighbouring rows and an
// edge they meet square on, and rows overlap by a fifth of the pen or more,
// so that no anti-aliased seam shows between them.
struct Level {
  int32_t Pen;
  int Rows;
};
constexpr Level Levels[] = {{512, 9}, {128, 20}, {32, 36}, {FinePen, 80}};
constexpr int LevelCount = 4;
constexpr int StripRows = 512;  // sub-rows of a strip, one host unit apart
// How far the widest disc reaches past its strip, in sub-rows: its radius
// less half its pitch (256 - 28.4), rounded up.
constexpr int Reach = 228;
// Gaps narrower than this (host units) between a stroke's round end and the
// area's edge are left for good: rows of every pen leave such scallops along
// every edge they end on, and filling them would take a stroke each.
constexpr double Scallop = 2;

// Spans of the sub-rows of the area, computed upwards and kept in a ring
// that holds a strip and its reach on both sides.
struct Scanner {
  const std::vector<Edge>* Edges = nullptr;  // by the sub-row they join on
  size_t Next = 0;
  // The edges that cross the current sub-row, by X there: from one sub-row
  // to the next the order changes little, so insertion keeps it sorted.
  // X is worked out afresh on each sub-row, not summed along the edge, so
  // that a sweep begun part way up (StartAt) gives the very same spans.
  // Only small records move (Cross), the rest of an edge stays in Lines.
  // Edges that run across the rows (most, on boards of straight tracks and
  // pads) keep their X. The walk along a sub-row also readies the next one
  // (drops the edges that end, moves the sloped ones on, notes whether any
  // passed another), one pass over the edges a sub-row.
  struct Cross {
    double X, Y1;
    uint32_t Line;
    int16_t Dir;
    bool Still;     // Slope 0
    uint8_t Layer;  // the edge's layer, where there are no more than 64
  };
  struct Line {
    double X0, Slope, Y0;
    uint32_t Layer;
  };
  std::vector<Cross> Active;
  bool Sorted = true;  // Active is by X
  std::vector<Line> Lines;
  std::vector<uint32_t> Free;  // slots of Lines whose edge has ended
  std::vector<Cross> Joining;
  // With clear layers: each layer's winding at the sweep, and the layers
  // where it is not 0 (a row's crossings bring every winding back to 0).
  std::vector<bool> Clear, Positive;
  uint64_t ClearBits = 0, PositiveBits = 0;  // Clear and Positive of the first 64 layers
  bool Layered = false;  // a layer clears, or is taken by the positive rule: walk them one by one
  std::vector<int> Winding;
  std::set<uint32_t> Holding;
  // The same for the first 64 layers as bits, with no allocation per
  // crossing: the usual case (a finish is three runs).
  uint64_t Held = 0;
  double Base = 0;  // sub-row G lies at Base + G + 0.5
  int64_t Count = 0;  // sub-rows that meet the area
  int64_t Done = 0;   // sub-rows computed so far
  std::vector<Spans> Ring;
  // By the ring: whether a sub-row's spans are those of the one below it
  // (no edge joined, ended or moved), and whether the next sub-row has the
  // edges of the last one walked.
  std::vector<char> Same;
  bool Kept = false, Prev = false;
  double Ends = HUGE_VAL;  // no active edge ends below this

  void Size(size_t Rows) {
    Ring.resize(Rows);
    Same.assign(Rows, 0);
  }

  bool SameAsBelow(int64_t G) const {
    return G > 0 && G < Count && Same[static_cast<size_t>(G % static_cast<int64_t>(Ring.size()))] != 0;
  }
  Spans None;

  static bool ByX(const Cross& A, const Cross& B) { return A.X < B.X; }

  // The edges from Next on that join by y, each given a slot in Lines, to
  // Joining, in the order they come.
  void Join(double y) {
    Joining.clear();
    while (Next < Edges->size() && (*Edges)[Next].Y0 <= y) {
      const Edge& e = (*Edges)[Next++];
      if (e.Y1 <= y) continue;
      uint32_t slot;
      if (Free.empty()) {
        slot = static_cast<uint32_t>(Lines.size());
        Lines.push_back({});
      } else {
        slot = Free.back();
        Free.pop_back();
      }
      Lines[slot] = {e.X0, e.Slope, e.Y0, e.Layer};
      Ends = std::min(Ends, e.Y1);
      Joining.push_back({e.X0 + e.Slope * (y - e.Y0), e.Y1, slot, static_cast<int16_t>(e.Dir), e.Slope == 0,
                         static_cast<uint8_t>(e.Layer & 63)});
    }
  }

  // Readies Active for the sub-row at Y, an edge at a time in order: drops
  // those that end by then, moves the sloped ones on, notes whether any
  // passed another. Kept apart from the scanner so that its state lives in
  // registers through the walk.
  struct Readying {
    Cross* A;
    const Line* L;
    std::vector<uint32_t>& Free;
    double Y;
    size_t To = 0;
    double Last = -HUGE_VAL;
    double Ends = HUGE_VAL;  // the least Y1 of those kept
    bool Sorted = true;
    bool Changed = false;  // an edge ended or moved

    void Take(size_t K) {
      Cross c = A[K];
      if (c.Y1 <= Y) {
        Free.push_back(c.Line);
        Changed = true;
        return;
      }
      if (!c.Still) {
        Changed = true;
        const Line& e = L[c.Line];
        c.X = e.X0 + e.Slope * (Y - e.Y0);
      }
      Sorted = Sorted && !(Last > c.X);
      Last = c.X;
      Ends = std::min(Ends, c.Y1);
      A[To++] = c;
    }
  };
  Readying Readied(double Y) { return {Active.data(), Lines.data(), Free, Y}; }
  void Settle(const Readying& R) {
    Active.resize(R.To);
    Sorted = R.Sorted;
    Kept = !R.Changed;
    Ends = R.Ends;
  }

  // Begins the sweep at sub-row G, with the edges that cross sub-row G - 1.
  void StartAt(int64_t G) {
    const double y = Base + static_cast<double>(G - 1) + 0.5;
    Active.clear(), Lines.clear(), Free.clear();
    Next = 0;
    Join(y);
    std::sort(Joining.begin(), Joining.end(), ByX);
    Active.swap(Joining);
    Readying r = Readied(Base + static_cast<double>(G) + 0.5);
    for (size_t k = 0; k < Active.size(); ++k) r.Take(k);
    Settle(r);
    Kept = Prev = false;  // sub-row G - 1 is not in the ring
    Done = G;
  }

  const Spans& Row(int64_t G) const {
    if (G < 0 || G >= Count) return None;
    return Ring[static_cast<size_t>(G % static_cast<int64_t>(Ring.size()))];
  }

  void Through(int64_t G) {
    for (; Done <= G && Done < Count; ++Done) {
      const double y = Base + static_cast<double>(Done) + 0.5;
      // Each edge has moved on by its slope (sub-rows are a unit apart) and
      // kept the order with its neighbours but where edges crossed.
      const size_t n = Active.size();
      if (!Sorted) {
        for (size_t k = 1; k < n; ++k) {
          if (!(Active[k - 1].X > Active[k].X)) continue;
          const Cross c = Active[k];
          size_t j = k;
          for (; j > 0 && Active[j - 1].X > c.X; --j) Active[j] = Active[j - 1];
          Active[j] = c;
        }
      }
      // Edges that start here are sorted apart and merged in, after those
      // of the same X already there.
      Join(y);
      if (!Joining.empty()) {
        std::sort(Joining.begin(), Joining.end(), ByX);
        Active.resize(n + Joining.size());
        size_t i = n, w = Active.size();
        for (size_t j = Joining.size(); j > 0;) {
          if (i > 0 && Active[i - 1].X > Joining[j - 1].X) {
            Active[--w] = Active[--i];
          } else {
            Active[--w] = Joining[--j];
          }
        }
      }
      const size_t slot = static_cast<size_t>(Done % static_cast<int64_t>(Ring.size()));
      Same[slot] = Kept && Joining.empty();
      const double next = Base + static_cast<double>(Done + 1) + 0.5;
      if (Same[slot] && Ends > next) {
        // The edges of the sub-row below, none sloped, none ending by the
        // next: the spans below, and nothing to ready.
        Ring[slot] = Ring[(slot == 0 ? Ring.size() : slot) - 1];
        continue;
      }
      Readying r = Readied(next);
      const size_t crossings = Active.size();
      Spans& out = Ring[slot];
      out.clear();
      double from = 0;
      const auto span = [&out, &from](double To) {
        if (To <= from) return;
        // Spans that touch (two outlines sharing an edge) are one.
        if (!out.empty() && out.back().B >= from) {
          out.back().B = std::max(out.back().B, To);
        } else {
          out.push_back({from, To});
        }
      };
      if (!Layered) {
        int winding = 0;
        for (size_t k = 0; k < crossings; ++k) {
          const Cross& c = r.A[k];
          const int before = winding;
          winding += c.Dir;
          if (before == 0 && winding != 0) from = c.X;
          if (before != 0 && winding == 0) span(c.X);
          r.Take(k);
        }
      } else {
        Clearing(r, crossings, from, span);
      }
      Settle(r);
      // Edges that moved may still leave the spans of the sub-row below.
      if (!Same[slot] && Prev) {
        const Spans& below = Ring[(slot == 0 ? Ring.size() : slot) - 1];
        Same[slot] = below.size() == out.size() &&
                     (out.empty() || std::memcmp(below.data(), out.data(), out.size() * sizeof(Span)) == 0);
      }
      Prev = true;
    }
  }

  // A sub-row's walk with clear layers: a point is dark when the last layer
  // holding it is dark.
  template <typename SpanFn>
  void Clearing(Readying& R, size_t Crossings, double& From, const SpanFn& Span) {
    bool dark = false;
    if (Winding.size() <= 64) {
      // In registers: what the walk stores (Active) could be taken to
      // alias the scanner's own fields.
      int* const winding = Winding.data();
      const uint64_t clear = ClearBits, positive = PositiveBits;
      uint64_t held = Held;
      for (size_t k = 0; k < Crossings; ++k) {
        const Cross& c = R.A[k];
        const uint64_t bit = uint64_t{1} << c.Layer;
        // Left to right, a counter-clockwise outline's falling edge comes
        // first: under the positive rule its inside counts -1 here.
        const int w = winding[c.Layer] += c.Dir;
        held = ((positive & bit) != 0 ? w < 0 : w != 0) ? held | bit : held & ~bit;
        const bool now = held != 0 && ((clear >> (63 - std::countl_zero(held))) & 1) == 0;
        if (!dark && now) From = c.X;
        if (dark && !now) Span(c.X);
        dark = now;
        R.Take(k);
      }
      Held = held;
      return;
    }
    for (size_t k = 0; k < Crossings; ++k) {
      const Cross& c = R.A[k];
      const uint32_t layer = Lines[c.Line].Layer;
      int& w = Winding[layer];
      const bool pos = Positive[layer];
      const bool was = pos ? w < 0 : w != 0;
      w += c.Dir;
      const bool holds = pos ? w < 0 : w != 0;
      if (!was && holds) Holding.insert(layer);
      if (was && !holds) Holding.erase(layer);
      const bool now = !Holding.empty() && !Clear[*Holding.rbegin()];
      if (!dark && now) From = c.X;
      if (dark && !now) Span(c.X);
      dark = now;
      R.Take(k);
    }
  }
};

// T := T intersected with the spans S, each less W at both ends.
void ErodeInto(Spans& T, const Spans& S, double W, Spans& Tmp) {
  Tmp.clear();
  size_t j = 0;
  for (const Span& t : T) {
    // The first span of S that reaches t: galloping, as T thins out fast
    // while S holds every span of the sub-row.
    if (j < S.size() && S[j].B - W < t.A) {
      size_t step = 1, lo = j;
      while (lo + step < S.size() && S[lo + step].B - W < t.A) lo += step, step *= 2;
      j = static_cast<size_t>(std::partition_point(S.begin() + static_cast<std::ptrdiff_t>(lo + 1),
                                                   S.begin() + static_cast<std::ptrdiff_t>(std::min(lo + step, S.size())),
                                                   [&](const Span& X) { return X.B - W < t.A; }) -
                              S.begin());
    }
    for (size_t k = j; k < S.size(); ++k) {
      const double a = S[k].A + W, b = S[k].B - W;
      if (a > t.B) break;
      if (a > b) continue;
      const double lo = std::max(a, t.A), hi = std::min(b, t.B);
      if (lo <= hi) Tmp.push_back({lo, hi});
    }
  }
  T.swap(Tmp);
}

// Adds [A, B] to the sorted, disjoint spans C.
void Cover(Spans& C, double A, double B) {
  auto it = std::lower_bound(C.begin(), C.end(), A, [](const Span& S, double X) { return S.B < X; });
  auto end = it;
  while (end != C.end() && end->A <= B) {
    A = std::min(A, end->A), B = std::max(B, end->B);
    ++end;
  }
  if (it == end) {
    C.insert(it, {A, B});
  } else {
    *it = {A, B};
    C.erase(it + 1, end);
  }
}

// Whether a piece counts: not a scallop. Nothing takes a scallop back:
// cuts only narrow it (and it stays beside a stroke), no row is laid for it
// and the finest pen's last pass looks only at pieces no stroke touched.
// So scallops are not kept at all, which leaves the cuts fewer pieces to
// pass over, and every piece kept is a gap.
bool Counts(const Piece& P) { return !(P.Edge && P.B - P.A < Scallop); }

// The pieces of the spans S not in C that count, with the row they lie on.
void Uncovered(const Spans& S, const Spans& C, int Row, std::vector<Piece>& Out) {
  size_t j = 0;
  for (const Span& s : S) {
    while (j < C.size() && C[j].B <= s.A) ++j;
    double x = s.A;
    bool edge = false;
    size_t k = j;
    for (; k < C.size() && C[k].A < s.B; ++k) {
      if (C[k].A > x && Counts({x, C[k].A, Row, true})) Out.push_back({x, C[k].A, Row, true});
      x = std::max(x, C[k].B);
      edge = true;
    }
    if (x < s.B && Counts({x, s.B, Row, edge})) Out.push_back({x, s.B, Row, edge});
  }
}

// Takes the spans [S[k].A - W, S[k].B + W] (S by X) out of the sorted,
// disjoint pieces P, dropping what is left of a piece as a scallop. One
// pass for all of them: the pieces from the first cut to the last are
// rebuilt in Tmp and put back with one move of the rest (a cut at a time
// moved the rest once for every piece it took out or split). What is left
// of a cut piece stays open to the next cut before it is kept or dropped:
// a part of a scallop is a scallop too, so that gives what cutting one at
// a time gives. Hint: where the last cut of P ended (strokes come by X
// within a row), searched on from there when it lies before the first
// cut; left where this one ends.
void Cut(std::vector<Piece>& P, const Span* S, size_t N, double W, size_t& Hint, std::vector<Piece>& Tmp) {
  const size_t n = P.size();
  const double first = S[0].A - W;
  size_t lo = Hint <= n && (Hint == 0 || P[Hint - 1].B <= first) ? Hint : 0;
  // Mostly the piece sought is at the hint or just past it.
  for (size_t end = std::min(n, lo + 4); lo < end && P[lo].B <= first;) ++lo;
  if (lo < n && P[lo].B <= first) {
    size_t hi = lo + 1;
    while (hi < n && P[hi].B <= first) lo = hi, hi = lo + 2 * (hi - lo) + 1;
    lo = static_cast<size_t>(std::partition_point(P.begin() + static_cast<std::ptrdiff_t>(lo),
                                                  P.begin() + static_cast<std::ptrdiff_t>(std::min(hi, n)),
                                                  [first](const Piece& Q) { return Q.B <= first; }) -
                             P.begin());
  }
  Tmp.clear();
  size_t i = lo;
  Piece cur{};
  bool have = false;  // cur: a piece read from P, perhaps cut on its left
  for (size_t k = 0; k < N; ++k) {
    const double a = S[k].A - W, b = S[k].B + W;
    for (;;) {
      if (!have) {
        if (i == n) break;
        cur = P[i++], have = true;
      }
      if (cur.B <= a) {
        if (Counts(cur)) Tmp.push_back(cur);
        have = false;
        continue;
      }
      if (cur.A >= b) break;
      if (cur.A < a && Counts({cur.A, a, cur.Row, true})) Tmp.push_back({cur.A, a, cur.Row, true});
      if (cur.B <= b) {
        have = false;
        continue;
      }
      cur.A = b, cur.Edge = true;
      break;
    }
  }
  Hint = lo + Tmp.size();
  if (have && Counts(cur)) Tmp.push_back(cur);
  // P[lo, i) becomes Tmp.
  const size_t m = Tmp.size(), old = i - lo;
  const auto at = P.begin() + static_cast<std::ptrdiff_t>(lo);
  if (m > old) {
    P.insert(at + static_cast<std::ptrdiff_t>(old), m - old, Piece{});
  } else if (m < old) {
    P.erase(at + static_cast<std::ptrdiff_t>(m), at + static_cast<std::ptrdiff_t>(old));
  }
  std::copy(Tmp.begin(), Tmp.end(), P.begin() + static_cast<std::ptrdiff_t>(lo));
}

[[noreturn]] void TooManyStrokes() {
  throw CamError(0, "the areas take more than " + std::to_string(MaxHatchStrokes) + " strokes to fill");
}

struct Hatcher {
  Scanner Scan;
  StrokeSink Sink = nullptr;
  void* Ctx = nullptr;
  Spans Cov[StripRows];               // what the widest pen covers
  std::vector<Piece> Open[StripRows];  // what is left after it
  size_t Hint[StripRows] = {};         // where each row's last cut ended
  std::vector<Piece> CutTmp;           // Cut's scratch
  std::vector<Piece> Pieces;
  Spans Safe, Tmp;
  std::vector<char> Hit;  // by Safe: a gap lies within a stroke's reach
  size_t Strokes = 0;

  void Emit(int L, double X1, double Y, double X2) {
    if (++Strokes > MaxHatchStrokes) TooManyStrokes();
    const int64_t y = std::llround(Y);
    Sink(Ctx, {std::llround(X1), y, std::llround(X2), y, Levels[L].Pen});
  }

  // The reach of the gaps (pieces) of strip rows From..To-1: false when
  // there are none. Each row's pieces are in order by X.
  bool GapBounds(int From, int To, double& Lo, double& Hi) const {
    bool any = false;
    for (int l = From; l < To; ++l) {
      const std::vector<Piece>& o = Open[l];
      if (o.empty()) continue;
      Lo = any ? std::min(Lo, o.front().A) : o.front().A;
      Hi = any ? std::max(Hi, o.back().B) : o.back().B;
      any = true;
    }
    return any;
  }

  // Hit[k] := whether a piece of strip rows From..To-1 meets Safe[k]
  // widened by Widen on both sides. Safe is in order by both ends,
  // so a row's pieces meet a run of it that only moves right: one pass
  // over both a row, from the first piece that reaches Safe, until every
  // span is hit.
  void MarkGaps(int From, int To, double Widen) {
    const size_t n = Safe.size();
    Hit.assign(n, 0);
    if (n == 0) return;
    size_t hits = 0;
    const double left = Safe.front().A - Widen;
    for (int l = From; l < To; ++l) {
      const std::vector<Piece>& o = Open[l];
      size_t k = 0, marked = 0;
      auto p = std::partition_point(o.begin(), o.end(), [left](const Piece& Q) { return Q.B < left; });
      for (; p != o.end(); ++p) {
        while (k < n && Safe[k].B + Widen < p->A) ++k;
        if (k == n) break;
        size_t j = std::max(k, marked);
        for (; j < n && Safe[j].A - Widen <= p->B; ++j) hits += Hit[j] == 0, Hit[j] = 1;
        marked = j;
      }
      if (hits == n) return;
    }
  }

  int64_t G0 = 0;   // the strip's first sub-row
  double Foot = 0;  // Y of the strip's foot

  // Safe := the centres on the line Yc (from the strip's foot) within
  // [Lo, Hi] where a disc of radius R lies inside the area: each sub-row's
  // spans less the disc's half chord there. The centre sub-rows go first,
  // as they cut most.
  void SafeAt(double Yc, double R, double Lo, double Hi) {
    Safe.assign(1, {Lo, Hi});
    const int d0 = static_cast<int>(std::floor(Yc - R - 0.5)) + 1;
    const int d1 = static_cast<int>(std::ceil(Yc + R - 0.5)) - 1;
    const int mid = static_cast<int>(std::floor(Yc - 0.5));
    for (int k = 0; !Safe.empty(); ++k) {
      const int l = k % 2 == 0 ? mid - k / 2 : mid + 1 + k / 2;
      if (l < d0 && mid + 1 + k / 2 > d1) break;
      if (l < d0 || l > d1) continue;
      // A sub-row like the one before it on this side of the centre, where
      // the chord was no shorter, takes nothing more off.
      if (k % 2 == 0 ? k > 0 && Scan.SameAsBelow(G0 + l + 1) : k > 1 && Scan.SameAsBelow(G0 + l)) continue;
      const double dy = l + 0.5 - Yc;
      ErodeInto(Safe, Scan.Row(G0 + l), std::sqrt(std::max(0.0, R * R - dy * dy)), Tmp);
    }
  }

  int ChordLevel = -1;
  double ChordYc = 0;
  double Chord[StripRows] = {};  // half chords of the last line's pen by sub-row

  // Draws the strokes S[0..N) (by X) on the line Yc with pen level L and
  // takes what they cover off the strip's sub-rows: a sub-row at a time,
  // all of the strokes, so that its pieces are fetched once, not once a
  // stroke (the cuts of a sub-row come in the same order either way).
  // Sub-rows below Live are read no more: they are not cut.
  void Lay(int L, const Span* S, size_t N, double Yc, int Live = 0) {
    if (N == 0) return;
    const double r = Levels[L].Pen / 2.0;
    for (size_t k = 0; k < N; ++k) Emit(L, S[k].A, Foot + Yc, S[k].B);
    const int d0 = std::max(static_cast<int>(std::floor(Yc - r - 0.5)) + 1, 0);
    const int d1 = std::min(static_cast<int>(std::ceil(Yc + r - 0.5)) - 1, StripRows - 1);
    // A row's strokes share their line: its half chords are worked out once.
    if (L != ChordLevel || Yc != ChordYc) {
      ChordLevel = L, ChordYc = Yc;
      for (int l = d0; l <= d1; ++l) {
        const double dy = l + 0.5 - Yc;
        Chord[l] = std::sqrt(std::max(0.0, r * r - dy * dy));
      }
    }
    for (int l = std::max(d0, Live); l <= d1; ++l) {
      const double w = Chord[l];
      if (L == 0) {
        for (size_t k = 0; k < N; ++k) Cover(Cov[l], S[k].A - w, S[k].B + w);
      } else {
        Cut(Open[l], S, N, w, Hint[l], CutTmp);
      }
    }
  }
  void Lay(int L, double A, double B, double Yc, int Live) {
    const Span s{A, B};
    Lay(L, &s, 1, Yc, Live);
  }

  void Strip(int64_t Q) {
    G0 = Q * StripRows;
    Foot = static_cast<double>(G0) + Scan.Base;
    Scan.Through(G0 + StripRows + Reach - 1);
    for (Spans& c : Cov) c.clear();
    for (int L = 0; L < LevelCount; ++L) {
      if (L == 1) {
        for (int l = 0; l < StripRows; ++l) {
          Open[l].clear();
          Uncovered(Scan.Row(G0 + l), Cov[l], l, Open[l]);
        }
      }
      const double r = Levels[L].Pen / 2.0, pitch = static_cast<double>(StripRows) / Levels[L].Rows;
      // Half the chord of the disc at its band's edge: a stroke surely
      // covers that far on each of its band's sub-rows.
      const double reach = std::sqrt(r * r - pitch * pitch / 4);
      for (int i = 0; i < Levels[L].Rows; ++i) {
        const double yc = pitch * (i + 0.5);  // from the strip's foot
        const int from = static_cast<int>(std::ceil(i * pitch - 0.5));
        const int to = static_cast<int>(std::ceil((i + 1) * pitch - 0.5));
        // Nothing is covered before the widest pen: all of the area is a
        // gap. Finer pens lay a stroke where its reach meets a gap of their
        // band's rows.
        if (L == 0) {
          SafeAt(yc, r, -HUGE_VAL, HUGE_VAL);
          Lay(L, Safe.data(), Safe.size(), yc);
        } else {
          double lo, hi;
          if (!GapBounds(from, to, lo, hi)) continue;
          SafeAt(yc, r, lo - r, hi + r);
          MarkGaps(from, to, reach);
          size_t n = 0;
          for (size_t k = 0; k < Safe.size(); ++k) {
            if (Hit[k] != 0) Safe[n++] = Safe[k];
          }
          // The finest pen's band below is done with (its last pass
          // came before this row).
          Lay(L, Safe.data(), n, yc, L == LevelCount - 1 ? from : 0);
        }
        if (L == LevelCount - 1) Thin(L, from, to);
      }
    }
  }

  // What the finest pen left of whole sub-rows: along an edge that runs
  // with the rows, a stroke flush with the edge (above or below the gap),
  // where its disc fits; else (parts thinner than the pen, sharp tips) a
  // stroke along the gap's middle, overreaching the true area by less than
  // half the pen. Gaps beside a stroke are thinner than that already.
  // Its strokes cut only the rows above the band (To on), which the next
  // row reads; the band's own pieces are read no more.
  void Thin(int L, int From, int To) {
    Pieces.clear();
    for (int l = From; l < To; ++l) {
      for (const Piece& p : Open[l]) {
        if (!p.Edge) Pieces.push_back(p);
      }
    }
    if (Pieces.empty()) return;
    std::sort(Pieces.begin(), Pieces.end(), [](const Piece& A, const Piece& B) { return A.A < B.A; });
    const double r = Levels[L].Pen / 2.0;
    for (size_t p = 0; p < Pieces.size();) {
      // A gap: the pieces that meet by X, over rows Lo..Hi.
      double a = Pieces[p].A, b = Pieces[p].B;
      int lowest = Pieces[p].Row, highest = lowest;
      for (++p; p < Pieces.size() && Pieces[p].A <= b; ++p) {
        b = std::max(b, Pieces[p].B);
        lowest = std::min(lowest, Pieces[p].Row), highest = std::max(highest, Pieces[p].Row);
      }
      const double lo = lowest, hi = highest + 1.0;
      bool laid = false;
      for (const double yc : {hi - r, lo + r}) {
        SafeAt(yc, r, a - r, b + r);
        for (const Span& s : Safe) {
          if (s.B + r > a && s.A - r < b) Lay(L, s.A, s.B, yc, To), laid = true;
        }
        if (laid) break;
      }
      if (laid) continue;
      const double y = (lo + hi) / 2;
      if (b - a > 2 * r) {
        Lay(L, a + r, b - r, y, To);
      } else {
        Lay(L, (a + b) / 2, (a + b) / 2, y, To);
      }
    }
  }
};

// A thermal relief's piece in the first quadrant, gaps along the axes:
// the band between the circles Ri and Ro, above the line y = H and right
// of x = H. Its wide stroke runs along the circle Rv from angle Phi0 to
// 90 - Phi0 (chords that sag less than the band leaves beside the pen W),
// its round ends ThermalMargin off the gaps; along each gap lies a stroke
// of the pen P, from circle to circle.
struct ThermalFit {
  double Ro, Ri, H, Rv, Phi0;  // Phi0 in radians
  int32_t W, P;
  int Chords;
};
// How far strokes keep inside: their ends are rounded to whole units.
constexpr double ThermalMargin = 0.5;
// The least the band is wider than its pen, for the chords' sag.
constexpr double ThermalSag = 1.5;
constexpr int32_t ThermalPen = 48;

bool FitThermal(double OD, double ID, double Gap, ThermalFit& F) {
  if (!(OD > ID && ID > 0 && Gap > 0 && OD < 1e7)) return false;
  const double e = ThermalMargin;
  F.Ro = OD / 2, F.Ri = ID / 2, F.H = Gap / 2;
  // The gaps cut the inner circle: every piece has two straight ends.
  if (!(F.Ri > F.H * std::sqrt(2.0))) return false;
  F.W = static_cast<int32_t>(std::floor(F.Ro - F.Ri - 2 * e - ThermalSag));
  // Round ends leave corners about a sixth of their radius across: past
  // ThermalPen they would hold the finest pen, and rows do better.
  if (F.W < FinePen + 2 || F.W > ThermalPen) return false;
  F.P = std::max(FinePen, static_cast<int32_t>(std::lround(F.W * 0.45)));
  F.Rv = F.Ro - e - F.W / 2.0;
  const double sinPhi = (F.H + F.W / 2.0 + e) / F.Rv;
  if (!(sinPhi < std::sqrt(0.5) - 1e-3)) return false;
  F.Phi0 = std::asin(sinPhi);
  // Chord midpoints come in by Rv (1 - cos(step / 2)); the pen's inner
  // edge stays outside Ri + e there.
  const double sag = F.Rv - F.W / 2.0 - F.Ri - e;
  const double step = 2 * std::acos(std::clamp(1 - sag / F.Rv, -1.0, 1.0));
  F.Chords = static_cast<int>(std::clamp(std::ceil((Pi / 2 - 2 * F.Phi0) / step), 1.0, 10000.0));
  return true;
}

}  // namespace

bool LeanThermal(double OD, double ID, double Gap) {
  ThermalFit f;
  return FitThermal(OD, ID, Gap, f);
}

void ThermalStrokes(const Obj& O, StrokeSink Sink, void* Ctx) {
  ThermalFit f;
  if (!FitThermal(O.W, O.H, O.X2, f)) return;
  const double e = ThermalMargin;
  // Each piece is the first quadrant's turned by a quarter more.
  const auto stroke = [&](int Quarter, double X1, double Y1, double X2, double Y2, int32_t Pen) {
    const double a = (O.Y2 + 90.0 * Quarter) * Pi / 180.0, c = std::cos(a), s = std::sin(a);
    Sink(Ctx, {std::llround(O.X1 + X1 * c - Y1 * s), std::llround(O.Y1 + X1 * s + Y1 * c),
               std::llround(O.X1 + X2 * c - Y2 * s), std::llround(O.Y1 + X2 * s + Y2 * c), Pen});
  };
  // The wide strokes first, then the fine ones: the pen changes twice.
  for (int q = 0; q < 4; ++q) {
    const double span = Pi / 2 - 2 * f.Phi0;
    double px = f.Rv * std::cos(f.Phi0), py = f.Rv * std::sin(f.Phi0);
    for (int k = 1; k <= f.Chords; ++k) {
      const double a = f.Phi0 + span * k / f.Chords;
      const double x = f.Rv * std::cos(a), y = f.Rv * std::sin(a);
      stroke(q, px, py, x, y, f.W);
      px = x, py = y;
    }
  }
  // Along the gap y = H, from circle to circle (and mirrored, along x = H).
  const double r = f.P / 2.0, y = f.H + e + r;
  const double in = f.Ri + e + r, out = f.Ro - e - r;
  const double x0 = std::max(y < in ? std::sqrt(in * in - y * y) : 0.0, f.H + e + r);
  const double x1 = y < out ? std::sqrt(out * out - y * y) : 0.0;
  if (x0 > x1) return;
  for (int q = 0; q < 4; ++q) {
    stroke(q, x0, y, x1, y, f.P);
    stroke(q, y, x0, y, x1, f.P);
  }
}

void CollectStroke(void* Ctx, const HatchStroke& S) { static_cast<std::vector<HatchStroke>*>(Ctx)->push_back(S); }

void Hatch(const std::vector<AreaLayer>& Layers, StrokeSink Sink, void* Ctx) {
  Hatcher h;
  h.Sink = Sink, h.Ctx = Ctx;
  Scanner& s = h.Scan;
  std::vector<Edge> edges;
  s.Edges = &edges;
  for (uint32_t k = 0; k < Layers.size(); ++k) {
    s.Clear.push_back(Layers[k].Clear);
    s.Positive.push_back(Layers[k].Positive);
    if (k < 64 && Layers[k].Clear) s.ClearBits |= uint64_t{1} << k;
    if (k < 64 && Layers[k].Positive) s.PositiveBits |= uint64_t{1} << k;
    s.Layered = s.Layered || Layers[k].Clear || Layers[k].Positive;
  }
  s.Winding.assign(Layers.size(), 0);
  // Every edge that is not level, in the layers' order: its ends in host
  // units, lower first (X only when asked), each point scaled once.
  const auto eachEdge = [&Layers](auto WithX, auto Take) {
    const auto scale = [](ClipperLib::cInt V) { return static_cast<double>(V) / ClipScale; };
    for (uint32_t k = 0; k < Layers.size(); ++k) {
      for (const Path& p : Layers[k].Outlines) {
        const size_t n = p.size();
        if (n == 0) continue;
        const double fx = WithX ? scale(p[0].X) : 0, fy = scale(p[0].Y);
        double ax = fx, ay = fy;
        for (size_t i = 0; i < n; ++i) {
          const size_t j = i + 1 < n ? i + 1 : 0;
          const double bx = j == 0 ? fx : WithX ? scale(p[j].X) : 0, by = j == 0 ? fy : scale(p[j].Y);
          if (p[i].Y < p[j].Y) {
            Take(ay, by, ax, bx, 1, k);
          } else if (p[i].Y > p[j].Y) {
            Take(by, ay, bx, ax, -1, k);
          }
          ax = bx, ay = by;
        }
      }
    }
  };
  // The extremes in clip units first: the scaling keeps their order.
  bool first = true;
  size_t count = 0;
  int64_t lowest = 0, highest = 0;
  for (const AreaLayer& layer : Layers) {
    for (const Path& p : layer.Outlines) {
      for (size_t i = 0, n = p.size(); i < n; ++i) {
        const int64_t y = p[i].Y;
        if (first) lowest = highest = y, first = false;
        lowest = std::min(lowest, y), highest = std::max(highest, y);
        count += y != p[i + 1 < n ? i + 1 : 0].Y;
      }
    }
  }
  if (count == 0) return;
  const double y0 = static_cast<double>(lowest) / ClipScale, y1 = static_cast<double>(highest) / ClipScale;
  if ((y1 - y0) / (0.8 * FinePen) > MaxHatchRows) {
    throw CamError(0, "the areas span more than " +
                          std::to_string(static_cast<int>(MaxHatchRows * 0.8 * FinePen / 100000)) +
                          " m: too tall to fill with rows of strokes");
  }
  s.Base = std::floor(y0);
  s.Count = static_cast<int64_t>(std::ceil(y1) - s.Base);
  // The edges in the order the sweep meets them, by the sub-row each joins
  // on: a counting sort, each edge's sub-row noted on the first pass (which
  // also sums the crossings) and the edge made on the second; those that
  // join on one sub-row keep the layers' order and are sorted by X there.
  double crossings = 0;
  std::vector<uint32_t> start(static_cast<size_t>(s.Count) + 2, 0), keys(count);
  {
    const auto rowY = [&s](int64_t G) { return s.Base + static_cast<double>(G) + 0.5; };
    size_t e = 0;
    eachEdge(std::false_type{}, [&](double ly, double hy, double, double, int, uint32_t) {
      crossings += hy - ly + 1;
      int64_t g = std::clamp(static_cast<int64_t>(std::ceil(ly - s.Base - 0.5)), int64_t{0}, s.Count);
      while (g > 0 && ly <= rowY(g - 1)) --g;
      while (g < s.Count && ly > rowY(g)) ++g;
      keys[e++] = static_cast<uint32_t>(g);
      ++start[static_cast<size_t>(g) + 1];
    });
  }
  if (crossings > MaxCrossings) {
    throw CamError(0, "the areas' edges cross more than " + std::to_string(static_cast<int64_t>(MaxCrossings)) +
                          " rows of a unit: too complex to fill");
  }
  for (size_t g = 1; g < start.size(); ++g) start[g] += start[g - 1];
  edges.resize(count);
  {
    size_t e = 0;
    eachEdge(std::true_type{}, [&](double ly, double hy, double lx, double hx, int Dir, uint32_t K) {
      edges[start[keys[e++]]++] = Edge{ly, hy, lx, (hx - lx) / (hy - ly), Dir, K};
    });
  }
  std::vector<uint32_t>().swap(keys);
  std::vector<uint32_t>().swap(start);
  s.Size(StripRows + 2 * Reach + 1);
  const int64_t strips = (s.Count + StripRows - 1) / StripRows;
#if HATCH_THREADS
  // From this many sub-row crossings of its edges (a few milliseconds'
  // work), the strips from split up go to a second thread with a sweep of its
  // own; their strokes are passed on after this thread's, in strip order,
  // the same strokes as one thread makes.
  constexpr double ParallelCrossings = 200000;
  if (strips >= 2 && crossings >= ParallelCrossings && std::thread::hardware_concurrency() > 1) {
    const int64_t split = strips / 2;
    auto upper = std::make_unique<Hatcher>();
    std::vector<HatchStroke> strokes;
    upper->Sink = CollectStroke;
    upper->Ctx = &strokes;
    Scanner& u = upper->Scan;
    u.Edges = &edges, u.Clear = s.Clear, u.ClearBits = s.ClearBits, u.Positive = s.Positive,
      u.PositiveBits = s.PositiveBits, u.Layered = s.Layered, u.Winding = s.Winding;
    u.Base = s.Base, u.Count = s.Count;
    u.Size(s.Ring.size());
    u.StartAt(split * StripRows - Reach);
    std::exception_ptr failed;
    std::atomic<bool> stop{false};
    std::thread other;
    try {
      other = std::thread([&] {
        try {
          for (int64_t q = split; q < strips && !stop; ++q) upper->Strip(q);
        } catch (...) {
          failed = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      for (int64_t q = 0; q < strips; ++q) h.Strip(q);  // no thread to be had
      return;
    }
    try {
      for (int64_t q = 0; q < split; ++q) h.Strip(q);
    } catch (...) {
      stop = true;
      other.join();
      throw;
    }
    other.join();
    if (failed) std::rethrow_exception(failed);
    for (const HatchStroke& k : strokes) {
      if (++h.Strokes > MaxHatchStrokes) TooManyStrokes();
      Sink(Ctx, k);
    }
    return;
  }
#endif
  for (int64_t q = 0; q < strips; ++q) h.Strip(q);
}

}  // namespace cam
