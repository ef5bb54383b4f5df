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
#include "Emit.h"
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

namespace {

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

// The layers --layer names, taken before any file is placed.
void TakeGiven(const CamOptions& Options, bool* Taken) {
  for (const auto& o : Options.Layers) {
    if (o.second >= 0 && o.second < LayerCount) Taken[o.second] = true;
  }
}

// The host layer of a file: --layer, its X2 FileFunction, layer 24 for a
// drill file, its name; else (Free set) a layer no file of this plot has
// taken, so that the file keeps a colour of its own. Marks it taken.
int32_t PlaceFile(const std::string& File, const Image& Img, const CamOptions& Options, bool* Taken, bool& Free) {
  int32_t layer = -1;
  for (const auto& o : Options.Layers) {
    if (o.first == File) layer = o.second;
  }
  if (layer < 0 && !Img.FileFunction.empty()) layer = LayerByFunction(Img.FileFunction);
  if (layer < 0 && Img.IsDrill) layer = 24;
  if (layer < 0) layer = LayerByName(File);
  Free = layer < 0;
  if (Free) layer = FreeLayer(Taken);
  Taken[layer] = true;
  return layer;
}

// "FILE:LINE: what" for a reader's error (no line when it has none).
std::string FileError(const std::string& File, const CamError& E) {
  return File + (E.Line > 0 ? ":" + std::to_string(E.Line) : std::string()) + ": " + E.what();
}

// Runs Do on one file's text: false with "NAME:LINE: what is wrong" in
// Error when it throws (the fuzz targets' checks).
template <typename F>
bool Checked(const std::string& Name, std::string& Error, F Do) {
  try {
    Do();
  } catch (const CamError& e) {
    Error = Name + ":" + std::to_string(e.Line) + ": " + e.what();
    return false;
  } catch (const ClipperLib::clipperException& e) {
    Error = Name + ": geometry out of range";
    return false;
  }
  return true;
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
  const auto& given = Options.Layers;
  std::vector<bool> used(given.size(), false);
  // Drill hits of each layer go before its other elements: a hole's circle
  // is stroked with the width in force, which a slot would otherwise set.
  std::deque<CamCall> drills[LayerCount];
  bool taken[LayerCount] = {};
  TakeGiven(Options, taken);
  for (const std::string& file : Options.Files) {
    Image img;
    for (size_t k = 0; k < given.size(); ++k) {
      if (given[k].first == file) used[k] = true;
    }
    try {
      std::string text, error;
      if (!ReadFile(file, text, error)) {
        Errors.push_back(error);
        continue;
      }
      ReadAny(file, text, img, diag);
      std::string().swap(text);  // the text is read: its memory goes before the calls are made
      bool free = false;
      const int32_t layer = PlaceFile(file, img, Options, taken, free);
      if (free) {
        diag.Warnings.push_back(file + ": warning: cannot tell its host layer" +
                                (img.FileFunction.empty() ? std::string()
                                                          : " (FileFunction " + img.FileFunction + ")") +
                                "; drawn on free layer " + std::to_string(layer) + " (place it with --layer " +
                                file + "=N)");
      }
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
      Errors.push_back(FileError(file, e));
    } catch (const ClipperLib::clipperException& e) {
      Errors.push_back(file + ": geometry out of range: " + e.what());
    } catch (const std::bad_alloc&) {
      Errors.push_back(file + ": out of memory");
    }
  }
  for (size_t k = 0; k < given.size(); ++k) {
    if (!used[k]) Errors.push_back("--layer " + given[k].first + ": no such file among the CAM files");
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
  return Checked(Name, Error, [&] {
    ReadAny(Name, Text, img, diag);
    Box objects;
    em.Hatched(1, Resolve(img, 2.0, objects));
    for (const PackedObj& o : img.Objs) em.Native(1, img.Full(o));
  });
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

// An image as the views take it: resolved, its outline strokes (layer 3)
// given a width so that they close into rings.
void ToViewImage(Image& Img, double MarginMm, CamLayerImage& Li) {
  if (Li.Layer == 3) {
    for (PackedObj& o : Img.Objs) {
      if (o.Kind == ObjKind::Line || o.Kind == ObjKind::Arc) {
        o.W = std::max(o.W, 2.0);
        Li.StrokeWidth = std::max(Li.StrokeWidth, o.W);
      }
    }
  }
  Box objects;
  Li.Areas = Resolve(Img, MarginMm, objects);
  Li.Img = std::move(Img);
}

}  // namespace

Paths AreasDark(const std::vector<AreaLayer>& Areas) {
  Paths dark;
  for (const AreaLayer& a : Areas) {
    if (a.Clear) {
      Subtract(dark, a.Outlines);
    } else {
      UnionInto(dark, a.Outlines);
    }
  }
  return dark;
}

Paths ImageDark(const CamLayerImage& Li) {
  Paths dark = AreasDark(Li.Areas);
  // The objects drawn as they are join unmerged: every outline of theirs
  // runs counter-clockwise, so the non-zero rule of the first Clipper
  // operation on them takes their union, once.
  for (const PackedObj& o : Li.Img.Objs) {
    const Paths p = ObjArea(Li.Img.Full(o), Li.Img);
    dark.insert(dark.end(), p.begin(), p.end());
  }
  return dark;
}

bool ReadCamImageText(const std::string& Name, const std::string& Text, CamLayerImage& Out, std::string& Error) {
  Diag diag;
  Image img;
  return Checked(Name, Error, [&] {
    ReadAny(Name, Text, img, diag);
    ToViewImage(img, 2.0, Out);
  });
}

bool ReadCamImages(const CamOptions& Options, uint32_t Wanted, std::vector<CamLayerImage>& Out,
                   std::vector<std::string>& Errors, std::vector<std::string>& Warnings) {
  Diag diag;
  bool taken[LayerCount] = {};
  TakeGiven(Options, taken);
  // Room for every file at once: an image's deques are copied, not moved,
  // when the vector grows (their move may throw), and a large board's
  // copy costs more than its reading.
  Out.reserve(Out.size() + Options.Files.size());
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
      bool free = false;
      const int32_t layer = PlaceFile(file, img, Options, taken, free);
      if (free) {
        diag.Warnings.push_back(file + ": warning: cannot tell its host layer; not in the view (place it with --layer " +
                                file + "=N)");
      }
      if ((Wanted >> layer & 1) == 0) continue;
      CamLayerImage li;
      li.File = file, li.Layer = layer;
      ToViewImage(img, Options.MarginMm, li);
      Out.push_back(std::move(li));
    } catch (const CamError& e) {
      Errors.push_back(FileError(file, e));
    } catch (const ClipperLib::clipperException& e) {
      Errors.push_back(file + ": geometry out of range: " + e.what());
    }
  }
  Warnings = diag.Warnings;
  return Errors.empty();
}

}  // namespace cam
