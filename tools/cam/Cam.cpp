// Cam.cpp: from a board's CAM files to host calls. Each file is read into
// an Image; its areas, in runs of one polarity, are hatched (the hatching
// merges them and resolves the polarity); the rest becomes the driver's
// own elements with apertures written into its table.
#include "Cam.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <tuple>

#include "CamModel.h"
#include "Hatch.h"
#include "Layers.h"

namespace cam {

void Diag::Warn(const std::string& File, int Line, const std::string& Kind, const std::string& What) {
  if (std::find(Told.begin(), Told.end(), Kind) != Told.end()) return;
  Told.push_back(Kind);
  Warnings.push_back(File + ":" + std::to_string(Line) + ": warning: " + What);
}

double Pow10(int E) {
  // Filled by std::pow at run time, never folded by the compiler, so that
  // each value is the one std::pow itself returns on this platform.
  static const struct Table {
    double V[81];
    Table() {
      volatile double ten = 10.0;
      for (int k = 0; k < 81; ++k) V[k] = std::pow(ten, k - 40);
    }
  } table;
  return E >= -40 && E <= 40 ? table.V[E + 40] : std::pow(10.0, E);
}

namespace {

constexpr int LayerCount = 26;
// Far above a real board (gerbv's whole hellboard example makes some
// 120 000 calls); 28 bytes each.
constexpr size_t MaxCalls = 10000000;

struct Box {
  double X0 = 1e300, Y0 = 1e300, X1 = -1e300, Y1 = -1e300;
  void Add(double X, double Y, double R) {
    X0 = std::min(X0, X - R), Y0 = std::min(Y0, Y - R);
    X1 = std::max(X1, X + R), Y1 = std::max(Y1, Y + R);
  }
  bool Meets(const Box& B) const { return X0 <= B.X1 && B.X0 <= X1 && Y0 <= B.Y1 && B.Y0 <= Y1; }
};

Box ObjBox(const Obj& O, const Image& Img) {
  Box b;
  switch (O.Kind) {
    case ObjKind::Line:
      b.Add(O.X1, O.Y1, O.W / 2), b.Add(O.X2, O.Y2, O.W / 2);
      break;
    case ObjKind::Arc:
      b.Add(O.CX, O.CY, O.R + O.W / 2);
      break;
    case ObjKind::Flash:
      b.Add(O.X1, O.Y1, O.Shape == PadRing ? O.W / 2 + O.H : std::max(O.W, O.H) / 2);
      break;
    case ObjKind::Drill:
      b.Add(O.X1, O.Y1, O.W / 2);
      break;
    case ObjKind::Area:
      for (const Path& p : Img.Areas[O.Index]) {
        for (const IntPoint& q : p) b.Add(q.X / ClipScale, q.Y / ClipScale, 0);
      }
      break;
  }
  return b;
}

// Resolves one file: returns its areas as runs of one polarity in the
// order drawn, and leaves in Img.Objs only the objects drawn as they are,
// in their order. Objects receives the box of a negative image's objects,
// without its background.
std::vector<AreaLayer> Resolve(Image& Img, double MarginMm, Box& Objects) {
  std::vector<AreaLayer> layers;
  const size_t n = Img.Objs.size();
  // A negative image is dark where nothing is drawn: from the box of its
  // objects grown by the margin (the whole plot of the file alone), every
  // object cut away, or added where its polarity is clear.
  if (Img.Negative && n > 0) {
    for (PackedObj& o : Img.Objs) {
      const Box b = ObjBox(Img.Full(o), Img);
      Objects.Add(b.X0, b.Y0, 0), Objects.Add(b.X1, b.Y1, 0);
      o.Clear = !o.Clear;
    }
    const double m = std::round(MarginMm * 100.0);
    const double x0 = std::floor(Objects.X0) - m, y0 = std::floor(Objects.Y0) - m;
    const double x1 = std::ceil(Objects.X1) + m, y1 = std::ceil(Objects.Y1) + m;
    layers.push_back({{RectPath((x0 + x1) / 2, (y0 + y1) / 2, x1 - x0, y1 - y0)}, false});
    Img.AnyClear = true;
  }
  // A dark object that a later clear one may touch becomes area, so that
  // the clearing can cut it.
  std::vector<bool> asArea(n, Img.Negative);
  if (Img.AnyClear && !Img.Negative) {
    std::vector<Box> clears;
    Box all;
    for (size_t k = n; k-- > 0;) {
      const Obj o = Img.Full(Img.Objs[k]);
      const Box b = ObjBox(o, Img);
      if (o.Clear) {
        asArea[k] = true;
        clears.push_back(b);
        all.Add(b.X0, b.Y0, 0), all.Add(b.X1, b.Y1, 0);
      } else if (!clears.empty() && b.Meets(all)) {
        for (const Box& c : clears) {
          if (b.Meets(c)) {
            asArea[k] = true;
            break;
          }
        }
      }
    }
  }
  // Outlines are moved, not copied: each object's area is used once.
  auto append = [](Paths& To, Paths& From) {
    if (To.empty()) {
      To.swap(From);
    } else {
      To.insert(To.end(), std::make_move_iterator(From.begin()), std::make_move_iterator(From.end()));
    }
    Paths().swap(From);
  };
  // The scanline resolves polarity: a point is dark when the last run that
  // holds it is dark.
  auto runOf = [&layers](bool Clear) -> Paths& {
    if (layers.empty() || layers.back().Clear != Clear) layers.push_back({{}, Clear});
    return layers.back().Outlines;
  };
  size_t kept = 0;
  for (size_t k = 0; k < n; ++k) {
    const PackedObj& o = Img.Objs[k];
    if (o.Kind != ObjKind::Area && !asArea[k]) {
      Img.Objs[kept++] = o;
      continue;
    }
    if (o.Clear && layers.empty()) continue;  // nothing to clear yet
    if (o.Kind == ObjKind::Area) {
      append(runOf(o.Clear), Img.Areas[o.Index]);
    } else {
      Paths p = ObjArea(Img.Full(o), Img);
      append(runOf(o.Clear), p);
    }
  }
  Img.Objs.resize(kept);
  Img.Areas.clear();
  Img.Areas.shrink_to_fit();
  return layers;
}

struct Emitter {
  int32_t MaxAperture;
  std::map<std::tuple<int, int32_t, int32_t>, int32_t> Apertures;
  int32_t Last[4] = {-1, 0, 0, 0};  // shape, w, h and record of the last aperture found
  std::vector<CamCall> ApertureCalls;
  std::deque<CamCall> Draw[LayerCount];
  Box Extent;
  std::string File;

  [[noreturn]] void Fail(int Line, const std::string& What) { throw CamError(Line, What); }

  int32_t I32(double V, int Line) {
    const double r = std::round(V);
    if (!(std::fabs(r) <= HostLimit)) Fail(Line, "coordinate outside the host's 32-bit range of 10 um units");
    return static_cast<int32_t>(r);
  }
  int32_t Ap(int Shape, double W, double H, int Line) {
    const int32_t w = I32(W, Line), h = I32(H, Line);
    // Runs of objects share one aperture: the last is at hand.
    if (Last[0] == Shape && Last[1] == w && Last[2] == h) return Last[3];
    const auto key = std::make_tuple(Shape, w, h);
    const auto it = Apertures.find(key);
    if (it != Apertures.end()) {
      Last[0] = Shape, Last[1] = w, Last[2] = h, Last[3] = it->second;
      return it->second;
    }
    const int32_t n = static_cast<int32_t>(Apertures.size());
    if (n > MaxAperture) {
      Fail(Line, "more than " + std::to_string(MaxAperture + 1) +
                     " distinct apertures: the driver's aperture table holds records 0 to " +
                     std::to_string(MaxAperture));
    }
    Apertures[key] = n;
    ApertureCalls.push_back(CamCall{Verb::Aperture, {n, Shape, w, h, 0, 0}});
    return n;
  }
  size_t Made = 0;
  int SrcLine = 0;  // source line of the object being drawn, for messages
  void Add(int32_t Layer, Verb V, std::initializer_list<int32_t> Args) {
    // Chords of huge arcs (within a unit of the arc) are the one way a few
    // lines make very many calls.
    if (++Made > MaxCalls) Fail(SrcLine, "the files make more than " + std::to_string(MaxCalls) + " drawing calls");
    CamCall c{V, {0, 0, 0, 0, 0, 0}};
    int k = 0;
    for (int32_t a : Args) c.Arg[k++] = a;
    Draw[Layer].push_back(c);
  }
  void Line(int32_t Layer, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Ap, double W) {
    Extent.Add(X1, Y1, W / 2), Extent.Add(X2, Y2, W / 2);
    Add(Layer, Verb::DrawLine, {X1, Y1, X2, Y2, Ap});
  }

  void Arc(int32_t Layer, const Obj& O) {
    const int32_t ap = Ap(PadRound, O.W, O.W, O.Line);
    const int32_t cx = I32(O.CX, O.Line), cy = I32(O.CY, O.Line), r = I32(O.R, O.Line);
    const double sweep = std::fabs(O.Sweep);
    if (sweep >= 360.0 - 1e-9) {
      Extent.Add(cx, cy, r + O.W / 2);
      Add(Layer, Verb::DrawArc, {cx, cy, r, 0, 360, ap});
      return;
    }
    // An axis-aligned quarter: the driver's own arc.
    if (std::fabs(sweep - 90.0) * Pi / 180.0 * O.R <= 0.5) {
      double start = O.Sweep > 0 ? O.A0 : O.A0 + O.Sweep;
      start = std::fmod(start, 360.0);
      if (start < 0) start += 360.0;
      const double q = std::round(start / 90.0) * 90.0;
      if (std::fabs(start - q) * Pi / 180.0 * O.R <= 0.5) {
        const int32_t qi = static_cast<int32_t>(q) % 360;
        Extent.Add(cx, cy, r + O.W / 2);
        Add(Layer, Verb::DrawArc, {cx, cy, r, qi, qi + 90, ap});
        return;
      }
    }
    // Chords, within 0.5 unit of the arc before rounding to the unit.
    const double tol = 0.5;
    const double step = O.R > tol ? 2 * std::acos(1 - tol / O.R) : Pi / 2;
    const int n = static_cast<int>(std::clamp(std::ceil(sweep * Pi / 180.0 / step), 1.0, 1e6));
    int32_t px = I32(O.X1, O.Line), py = I32(O.Y1, O.Line);
    for (int k = 1; k <= n; ++k) {
      int32_t x, y;
      if (k == n) {
        x = I32(O.X2, O.Line), y = I32(O.Y2, O.Line);
      } else {
        const double a = (O.A0 + O.Sweep * k / n) * Pi / 180.0;
        x = I32(O.CX + O.R * std::cos(a), O.Line), y = I32(O.CY + O.R * std::sin(a), O.Line);
      }
      Line(Layer, px, py, x, y, ap, O.W);
      px = x, py = y;
    }
  }

  void Native(int32_t Layer, const Obj& O) {
    SrcLine = O.Line;
    switch (O.Kind) {
      case ObjKind::Line: {
        const int32_t ap = Ap(PadRound, O.W, O.W, O.Line);
        Line(Layer, I32(O.X1, O.Line), I32(O.Y1, O.Line), I32(O.X2, O.Line), I32(O.Y2, O.Line), ap, O.W);
        break;
      }
      case ObjKind::Arc:
        Arc(Layer, O);
        break;
      case ObjKind::Flash: {
        if (O.Shape == PadThermal) {
          HatchLayer = Layer;
          ThermalStrokes(O, &Emitter::Stroke, this);
          break;
        }
        const int32_t ap = Ap(O.Shape, O.W, O.H, O.Line);
        const int32_t x = I32(O.X1, O.Line), y = I32(O.Y1, O.Line);
        Extent.Add(x, y, O.Shape == PadRing ? O.W / 2 + O.H : std::max(O.W, O.H) / 2);
        Add(Layer, Verb::FlashPad, {x, y, ap});
        break;
      }
      case ObjKind::Drill: {
        const int32_t ap = Ap(PadRound, O.W, O.W, O.Line);
        const int32_t x = I32(O.X1, O.Line), y = I32(O.Y1, O.Line);
        Extent.Add(x, y, O.W / 2);
        Add(Layer, Verb::DrillHole, {x, y, ap});
        break;
      }
      case ObjKind::Area:
        break;
    }
  }

  void Hatched(int32_t Layer, const std::vector<AreaLayer>& Area) {
    if (Area.empty()) return;
    SrcLine = 0;
    HatchLayer = Layer;
    Hatch(Area, &Emitter::Stroke, this);
  }
  int32_t HatchLayer = 0;
  static void Stroke(void* Ctx, const HatchStroke& S) {
    Emitter& em = *static_cast<Emitter*>(Ctx);
    const int32_t ap = em.Ap(PadRound, S.Pen, S.Pen, 0);
    em.Line(em.HatchLayer, em.I32(static_cast<double>(S.X1), 0), em.I32(static_cast<double>(S.Y1), 0),
            em.I32(static_cast<double>(S.X2), 0), em.I32(static_cast<double>(S.Y2), 0), ap, S.Pen);
  }
};

bool ReadFile(const std::string& Path, std::string& Text, std::string& Error) {
  FILE* f = std::fopen(Path.c_str(), "rb");
  if (f == nullptr) {
    Error = Path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  // One allocation for the whole text when its size is known.
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(Path, ec);
  if (!ec && size < (std::uintmax_t{1} << 30)) Text.reserve(static_cast<size_t>(size));
  char buf[1 << 15];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) Text.append(buf, n);
  const bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) Error = Path + ": cannot read";
  return !bad;
}

// Layers that no naming rule gives, then inner copper from the top down:
// where a file that cannot be placed goes; the first when all are taken.
int32_t FreeLayer(const bool* Taken) {
  for (const int32_t l : {16, 17, 13, 12, 11, 10, 9, 8, 7, 6}) {
    if (!Taken[l]) return l;
  }
  return 16;
}

void ReadAny(const std::string& Name, const std::string& Text, Image& Img, Diag& D) {
  const char kind = SniffKind(Text);
  if (kind == 'G') {
    ReadGerber(Name, Text, Img, D);
  } else if (kind == 'E') {
    ReadExcellon(Name, Text, Img, D);
  } else {
    throw CamError(1, "neither a Gerber (RS-274X) nor an Excellon drill file");
  }
}

}  // namespace
}  // namespace cam

bool ImportCam(const CamOptions& Options, const std::vector<int32_t>& Order, int32_t MaxAperture,
               std::deque<CamCall>& Calls, std::vector<std::string>& Errors,
               std::vector<std::string>& Warnings, int64_t Origin[2]) {
  using namespace cam;
  Diag diag;
  Emitter em;
  em.MaxAperture = MaxAperture;
  std::vector<std::pair<std::string, int32_t>> overrides = Options.Layers;
  std::vector<bool> used(overrides.size(), false);
  // Drill hits of each layer go before its other elements: a hole's circle
  // is stroked with the width in force, which a slot would otherwise set.
  std::deque<CamCall> drills[LayerCount];
  bool taken[LayerCount] = {};
  for (const auto& o : overrides) {
    if (o.second >= 0 && o.second < LayerCount) taken[o.second] = true;
  }
  for (const std::string& file : Options.Files) {
    Image img;
    for (size_t k = 0; k < overrides.size(); ++k) {
      if (overrides[k].first == file) used[k] = true;
    }
    try {
      std::string text, error;
      if (!ReadFile(file, text, error)) {
        Errors.push_back(error);
        continue;
      }
      ReadAny(file, text, img, diag);
      std::string().swap(text);  // the text is read: its memory goes before the calls are made
      int32_t layer = -1;
      for (size_t k = 0; k < overrides.size(); ++k) {
        if (overrides[k].first == file) layer = overrides[k].second, used[k] = true;
      }
      if (layer < 0 && !img.FileFunction.empty()) layer = LayerByFunction(img.FileFunction);
      if (layer < 0 && img.IsDrill) layer = 24;
      if (layer < 0) layer = LayerByName(file);
      if (layer < 0) {
        // A layer no file of this plot has taken, so that the file keeps a
        // colour of its own.
        layer = FreeLayer(taken);
        diag.Warnings.push_back(file + ": warning: cannot tell its host layer" +
                                (img.FileFunction.empty() ? std::string()
                                                          : " (FileFunction " + img.FileFunction + ")") +
                                "; drawn on free layer " + std::to_string(layer) + " (place it with --layer " +
                                file + "=N)");
      }
      taken[layer] = true;
      em.File = file;
      const Box extent = em.Extent;
      Box objects;
      em.Hatched(layer, Resolve(img, Options.MarginMm, objects));
      if (img.Negative) {
        // The plot area is the objects' box plus the margin, the same as
        // the background's, not that grown again.
        em.Extent = extent;
        if (objects.X0 <= objects.X1) {
          em.Extent.Add(objects.X0, objects.Y0, 0), em.Extent.Add(objects.X1, objects.Y1, 0);
        }
      }
      // Each object's memory goes as its calls are made, for theirs.
      for (; !img.Objs.empty(); img.Objs.pop_front()) {
        const Obj o = img.Full(img.Objs.front());
        if (o.Kind == ObjKind::Drill) {
          std::swap(em.Draw[layer], drills[layer]);
          em.Native(layer, o);
          std::swap(em.Draw[layer], drills[layer]);
        } else {
          em.Native(layer, o);
        }
      }
    } catch (const CamError& e) {
      Errors.push_back(file + (e.Line > 0 ? ":" + std::to_string(e.Line) : std::string()) + ": " + e.what());
    } catch (const ClipperLib::clipperException& e) {
      Errors.push_back(file + ": geometry out of range: " + e.what());
    } catch (const std::bad_alloc&) {
      Errors.push_back(file + ": out of memory");
    }
  }
  for (size_t k = 0; k < overrides.size(); ++k) {
    if (!used[k]) Errors.push_back("--layer " + overrides[k].first + ": no such file among the CAM files");
  }
  Warnings = diag.Warnings;
  if (!Errors.empty()) return false;

  // The plot area starts at 0,0 (where a layout program's plot origin
  // is): the board's lower left corner less the margin.
  Box& b = em.Extent;
  if (b.X0 > b.X1) b = Box{0, 0, 0, 0};
  const double margin = std::round(Options.MarginMm * 100.0);
  const double ox = std::floor(b.X0) - margin, oy = std::floor(b.Y0) - margin;
  const double w = std::ceil(b.X1) + margin - ox, h = std::ceil(b.Y1) + margin - oy;
  if (w > HostLimit || h > HostLimit) {
    Errors.push_back("the board is larger than the host's 32-bit plot area of 10 um units");
    return false;
  }
  Origin[0] = static_cast<int64_t>(ox), Origin[1] = static_cast<int64_t>(oy);
  auto shift = [&](std::deque<CamCall>& Cs) {
    for (CamCall& c : Cs) {
      const int xy = c.What == Verb::DrawLine ? 2 : 1;
      for (int k = 0; k < xy; ++k) {
        c.Arg[2 * k] = static_cast<int32_t>(c.Arg[2 * k] - ox);
        c.Arg[2 * k + 1] = static_cast<int32_t>(c.Arg[2 * k + 1] - oy);
      }
    }
  };
  Calls.assign(em.ApertureCalls.begin(), em.ApertureCalls.end());
  Calls.push_back(CamCall{Verb::OpenEquip, {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h), 0, 0}});
  for (int32_t layer = 0; layer < LayerCount; ++layer) shift(drills[layer]), shift(em.Draw[layer]);
  for (int32_t layer : Order) {
    if (layer < 0 || layer >= LayerCount) continue;
    if (drills[layer].empty() && em.Draw[layer].empty()) continue;
    Calls.push_back(CamCall{Verb::OpenLayer, {layer, 0, 0, 0, 0, 0}});
    // Moved a call at a time: the blocks freed are those the next take.
    for (std::deque<CamCall>* from : {&drills[layer], &em.Draw[layer]}) {
      for (; !from->empty(); from->pop_front()) Calls.push_back(from->front());
    }
  }
  Calls.push_back(CamCall{Verb::CloseEquip, {0, 0, 0, 0, 0, 0}});
  return true;
}

std::string CamLayersMap() { return cam::LayersMapText(); }

bool CamCheckText(const std::string& Name, const std::string& Text, std::string& Error) {
  using namespace cam;
  Diag diag;
  Image img;
  Emitter em;
  em.MaxAperture = 600;
  try {
    ReadAny(Name, Text, img, diag);
    Box objects;
    em.Hatched(1, Resolve(img, 2.0, objects));
    for (const PackedObj& o : img.Objs) em.Native(1, img.Full(o));
  } catch (const CamError& e) {
    Error = Name + ":" + std::to_string(e.Line) + ": " + e.what();
    return false;
  } catch (const ClipperLib::clipperException& e) {
    Error = Name + ": geometry out of range";
    return false;
  }
  return true;
}

bool CamLooksLikeData(const std::string& Head) { return cam::SniffKind(Head) != 0; }

Call ToCall(const CamCall& C) {
  Call c{};
  c.What = C.What;
  for (int k = 0; k < 6; ++k) c.Arg[k] = C.Arg[k];
  return c;
}

namespace cam {

namespace {

// The image as the views take it: where it is dark, by the non-zero rule.
void ImageToView(Image& Img, double MarginMm, CamLayerImage& Li) {
  // Outline strokes keep a width, so that they close into rings.
  if (Li.Layer == 3) {
    for (PackedObj& o : Img.Objs) {
      if (o.Kind == ObjKind::Line || o.Kind == ObjKind::Arc) {
        o.W = std::max(o.W, 2.0);
        Li.StrokeWidth = std::max(Li.StrokeWidth, o.W);
      }
    }
  }
  Box objects;
  const std::vector<AreaLayer> areas = Resolve(Img, MarginMm, objects);
  for (const AreaLayer& a : areas) {
    if (a.Clear) {
      Subtract(Li.Dark, a.Outlines);
    } else {
      UnionInto(Li.Dark, a.Outlines);
    }
  }
  // The objects drawn as they are join unmerged: every outline of theirs
  // runs counter-clockwise, so the non-zero rule of the views' first
  // Clipper operation on them takes their union, once.
  for (const PackedObj& o : Img.Objs) {
    const Paths p = ObjArea(Img.Full(o), Img);
    Li.Dark.insert(Li.Dark.end(), p.begin(), p.end());
  }
}

}  // namespace

bool ReadCamImageText(const std::string& Name, const std::string& Text, CamLayerImage& Out, std::string& Error) {
  Diag diag;
  Image img;
  try {
    ReadAny(Name, Text, img, diag);
    ImageToView(img, 2.0, Out);
  } catch (const CamError& e) {
    Error = Name + ":" + std::to_string(e.Line) + ": " + e.what();
    return false;
  } catch (const ClipperLib::clipperException& e) {
    Error = Name + ": geometry out of range";
    return false;
  }
  return true;
}

bool ReadCamImages(const CamOptions& Options, uint32_t Wanted, std::vector<CamLayerImage>& Out,
                   std::vector<std::string>& Errors, std::vector<std::string>& Warnings) {
  Diag diag;
  bool taken[LayerCount] = {};
  for (const auto& o : Options.Layers) {
    if (o.second >= 0 && o.second < LayerCount) taken[o.second] = true;
  }
  for (const std::string& file : Options.Files) {
    try {
      std::string text, error;
      if (!ReadFile(file, text, error)) {
        Errors.push_back(error);
        continue;
      }
      Image img;
      ReadAny(file, text, img, diag);
      std::string().swap(text);
      // Placed as ImportCam places it.
      int32_t layer = -1;
      for (const auto& o : Options.Layers) {
        if (o.first == file) layer = o.second;
      }
      if (layer < 0 && !img.FileFunction.empty()) layer = LayerByFunction(img.FileFunction);
      if (layer < 0 && img.IsDrill) layer = 24;
      if (layer < 0) layer = LayerByName(file);
      if (layer < 0) {
        layer = FreeLayer(taken);
        diag.Warnings.push_back(file + ": warning: cannot tell its host layer; not in the view (place it with --layer " +
                                file + "=N)");
      }
      taken[layer] = true;
      if ((Wanted >> layer & 1) == 0) continue;
      CamLayerImage li;
      li.File = file, li.Layer = layer;
      ImageToView(img, Options.MarginMm, li);
      Out.push_back(std::move(li));
    } catch (const CamError& e) {
      Errors.push_back(file + (e.Line > 0 ? ":" + std::to_string(e.Line) : std::string()) + ": " + e.what());
    } catch (const ClipperLib::clipperException& e) {
      Errors.push_back(file + ": geometry out of range: " + e.what());
    }
  }
  Warnings = diag.Warnings;
  return Errors.empty();
}

}  // namespace cam
