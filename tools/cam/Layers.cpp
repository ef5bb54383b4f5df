// Layers.cpp: which host layer a CAM file goes to: by its X2 FileFunction,
// else by the file-name conventions of the common CAD tools. Excellon files
// always go to the holes layer.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "Layers.h"

namespace cam {
namespace {

constexpr int32_t BottomCopper = 0, TopCopper = 1, Outline = 3, BottomPaste = 14, TopPaste = 15,
                  Assembly = 18, Drawing = 19, BottomMask = 20, TopMask = 21, BottomSilk = 22,
                  TopSilk = 23, Holes = 24;
// Inner copper layers 1 to 11.
constexpr int32_t Inner[] = {2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};

int32_t InnerLayer(long N) {
  return N >= 1 && N <= static_cast<long>(std::size(Inner)) ? Inner[N - 1] : -1;
}

std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}

bool EndsWith(const std::string& S, const std::string& Tail) {
  return S.size() >= Tail.size() && S.compare(S.size() - Tail.size(), Tail.size(), Tail) == 0;
}

std::vector<std::string> Fields(const std::string& S) {
  std::vector<std::string> f(1);
  for (char c : S) {
    if (c == ',') {
      f.emplace_back();
    } else if (c != '*' && c != '%' && c != '\r') {
      f.back() += c;
    }
  }
  return f;
}

struct NameRule {
  const char* Tail;  // lower case, matched at the end of the file name
  int32_t Layer;
};

// Suffixes of Protel/Altium, KiCad, Eagle, OrCAD and gEDA PCB, longest
// first where one ends another.
const NameRule Rules[] = {
    {".gtl", TopCopper}, {".gbl", BottomCopper}, {".gto", TopSilk}, {".gbo", BottomSilk},
    {".gts", TopMask}, {".gbs", BottomMask}, {".gtp", TopPaste}, {".gbp", BottomPaste},
    {".gko", Outline}, {".gm1", Outline}, {".gml", Outline}, {".gd1", Drawing},
    {".gg1", Drawing},
    {"-f_cu.gbr", TopCopper}, {"-b_cu.gbr", BottomCopper}, {"-f_mask.gbr", TopMask},
    {"-b_mask.gbr", BottomMask}, {"-f_silks.gbr", TopSilk}, {"-b_silks.gbr", BottomSilk},
    {"-f_silkscreen.gbr", TopSilk}, {"-b_silkscreen.gbr", BottomSilk},
    {"-f_paste.gbr", TopPaste}, {"-b_paste.gbr", BottomPaste}, {"-edge_cuts.gbr", Outline},
    {"-f_fab.gbr", Assembly}, {"-b_fab.gbr", Assembly}, {"-dwgs_user.gbr", Drawing},
    {"-cmts_user.gbr", Drawing},
    {".cmp", TopCopper}, {".sol", BottomCopper}, {".plc", TopSilk}, {".pls", BottomSilk},
    {".stc", TopMask}, {".sts", BottomMask}, {".crc", TopPaste}, {".crs", BottomPaste},
    {".dim", Outline},
    {".top", TopCopper}, {".bot", BottomCopper}, {".smt", TopMask}, {".smb", BottomMask},
    {".sst", TopSilk}, {".ssb", BottomSilk}, {".spt", TopPaste}, {".spb", BottomPaste},
    {".ast", Assembly}, {".asb", Assembly}, {".drd", Drawing},
    {".front.gbr", TopCopper}, {".back.gbr", BottomCopper}, {".frontmask.gbr", TopMask},
    {".backmask.gbr", BottomMask}, {".frontsilk.gbr", TopSilk}, {".backsilk.gbr", BottomSilk},
    {".frontpaste.gbr", TopPaste}, {".backpaste.gbr", BottomPaste}, {".outline.gbr", Outline},
    {".fab.gbr", Assembly},
    {"_componentmask.grb", TopMask}, {"_soldermask.grb", BottomMask},
    {"_componentsilk.grb", TopSilk}, {"_soldersilk.grb", BottomSilk},
};

// "<stem>N<tail>" with a number N: inner copper N.
int32_t NumberedInner(const std::string& Name, const std::string& Stem, const std::string& Tail) {
  if (!EndsWith(Name, Tail)) return -1;
  const std::string head = Name.substr(0, Name.size() - Tail.size());
  size_t k = head.size();
  while (k > 0 && std::isdigit(static_cast<unsigned char>(head[k - 1]))) --k;
  if (k == head.size() || head.size() - k > 3) return -1;
  if (!EndsWith(head.substr(0, k), Stem)) return -1;
  return InnerLayer(std::stol(head.substr(k)));
}

}  // namespace

int32_t LayerByFunction(const std::string& FileFunction) {
  const std::vector<std::string> f = Fields(FileFunction);
  const std::string& kind = f[0];
  auto side = [&](size_t I) { return f.size() > I ? f[I] : std::string(); };
  if (kind == "Copper") {
    const std::string l = side(1), s = side(2);
    if (s == "Top") return TopCopper;
    if (s == "Bot") return BottomCopper;
    if (s == "Inr" && l.size() > 1 && l[0] == 'L') {
      const long n = std::strtol(l.c_str() + 1, nullptr, 10);
      return InnerLayer(n - 1);
    }
    return -1;
  }
  if (kind == "Soldermask") return side(1) == "Bot" ? BottomMask : TopMask;
  if (kind == "Legend") return side(1) == "Bot" ? BottomSilk : TopSilk;
  if (kind == "Paste") return side(1) == "Bot" ? BottomPaste : TopPaste;
  if (kind == "Profile") return Outline;
  if (kind == "Plated" || kind == "NonPlated") return Holes;
  if (kind == "AssemblyDrawing" || kind == "FabricationDrawing" || kind == "Component") return Assembly;
  if (kind == "Drillmap" || kind == "Drawing" || kind == "Other" || kind == "Keepout" ||
      kind == "ArrayDrawing" || kind == "OtherDrawing") {
    return Drawing;
  }
  return -1;
}

int32_t LayerByName(const std::string& Path) {
  const size_t slash = Path.find_last_of("/\\");
  const std::string name = Lower(slash == std::string::npos ? Path : Path.substr(slash + 1));
  for (const NameRule& r : Rules) {
    if (EndsWith(name, r.Tail)) return r.Layer;
  }
  // A CAD tool's layer name is what counts, whatever extension the file
  // was given (KiCad's -F_Cu.pho, gEDA's .front.gbx): a rule's name part
  // before its extension, at the end of the name without its own.
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) {
    const std::string stem = name.substr(0, dot);
    for (const NameRule& r : Rules) {
      const std::string tail = r.Tail;
      const size_t end = tail.find_last_of('.');
      if (end == std::string::npos || end == 0) continue;  // the extension is the rule
      if (EndsWith(stem, tail.substr(0, end))) return r.Layer;
    }
  }
  if (dot != std::string::npos && dot > 0) {
    const std::string stem = name.substr(0, dot);
    int32_t l;
    if ((l = NumberedInner(stem, "-in", "_cu")) >= 0) return l;
    if ((l = NumberedInner(stem, ".group", "")) >= 0) return l;
  }
  // Protel's mechanical layers past the first, drill drawing and guide.
  for (const char* kind : {".gm", ".gd", ".gg"}) {
    const size_t k = name.size() - std::min(name.size(), std::string(kind).size() + 2);
    const size_t at = name.find(kind, k);
    if (at == std::string::npos) continue;
    const std::string n = name.substr(at + 3);
    if (!n.empty() && n.size() <= 2 && std::all_of(n.begin(), n.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      return std::string(kind) == ".gm" && n == "1" ? Outline : Drawing;
    }
  }
  // Numbered inner layers: Protel .G1/.GP1, KiCad -In1_Cu, gEDA .group1,
  // Eagle .ly2 (layer 2 is inner 1).
  int32_t l;
  if ((l = NumberedInner(name, ".g", "")) >= 0) return l;
  if ((l = NumberedInner(name, ".gp", "")) >= 0) return l;
  if ((l = NumberedInner(name, "-in", "_cu.gbr")) >= 0) return l;
  if ((l = NumberedInner(name, ".group", ".gbr")) >= 0) return l;
  if ((l = NumberedInner(name, "_group", ".grb")) >= 0) return l;
  if (name.size() > 4 && name.compare(name.size() - 4, 3, ".ly") == 0) {
    const int n = name.back() - '0';
    if (n >= 2 && n <= 9) return InnerLayer(n - 1);
  }
  return -1;
}

const char* LayersMapText() {
  return "Host layers of plothost --cam (a file's X2 %TF.FileFunction first, else its name,\n"
         "whatever its extension: -F_Cu.pho is top copper; --layer FILE=N places any file;\n"
         "every Excellon file goes to layer 24; a file placed by none of these is drawn on\n"
         "a free layer, 16, 17, then unused inner layers from 13 down, with a warning):\n"
         "\n"
         "Layer  Contents            X2 FileFunction          File names\n"
         "    0  bottom copper       Copper,Ln,Bot            .GBL -B_Cu.gbr .sol .bot .back.gbr\n"
         "    1  top copper          Copper,L1,Top            .GTL -F_Cu.gbr .cmp .top .front.gbr\n"
         "    2  inner copper 1      Copper,L2,Inr            .G1 .GP1 -In1_Cu.gbr .group1.gbr .ly2\n"
         "    3  board outline       Profile                  .GKO .GM1 .GML -Edge_Cuts.gbr .dim .outline.gbr\n"
         " 4-13  inner copper 2-11   Copper,L3..L12,Inr       .G2 .. .G11, -In2_Cu.gbr .., .group2.gbr ..\n"
         "   14  bottom paste        Paste,Bot                .GBP -B_Paste.gbr .crs .spb .backpaste.gbr\n"
         "   15  top paste           Paste,Top                .GTP -F_Paste.gbr .crc .spt .frontpaste.gbr\n"
         "   18  assembly drawing    AssemblyDrawing,         -F_Fab.gbr -B_Fab.gbr .ast .asb .fab.gbr\n"
         "                           FabricationDrawing, Component\n"
         "   19  other drawings      Drillmap, Drawing,       .GDn .GGn .GM2.. .drd -Dwgs_User.gbr -Cmts_User.gbr\n"
         "                           Other, Keepout\n"
         "   20  bottom solder mask  Soldermask,Bot           .GBS -B_Mask.gbr .sts .smb .backmask.gbr\n"
         "   21  top solder mask     Soldermask,Top           .GTS -F_Mask.gbr .stc .smt .frontmask.gbr\n"
         "   22  bottom silkscreen   Legend,Bot               .GBO -B_SilkS.gbr .pls .ssb .backsilk.gbr\n"
         "   23  top silkscreen      Legend,Top               .GTO -F_SilkS.gbr .plc .sst .frontsilk.gbr\n"
         "   24  drill holes, slots  Plated, NonPlated        every Excellon file (.drl .xln .txt ...)\n";
}

}  // namespace cam
