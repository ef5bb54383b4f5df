// CamVsGerbv.cpp: plothost --cam against its peers on gerbv's own example
// boards: gerbv -x svg on the largest single files and whole boards, and on
// the whole boards tracespace's gerber-to-svg (one SVG per file) and
// pcb-stackup (the board's top and bottom, against plothost --cam --view
// both) where npm installed them. Each run a few times in turn, the whole
// process: the least CPU time of each, its peak memory, and the size of the
// SVG each writes.
#include "CamVsGerbv.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "Scaling.h"

namespace {

struct Case {
  const char* Name;
  // Files under the examples folder; "FILE=N" places a file whose name
  // tells plothost nothing, and tells pcb-stackup its layer too (gerbv and
  // gerber-to-svg need no layers). More than one file: a whole board.
  std::vector<std::string> Files;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"Mentor-BoardStation/artwork_1.grb", {"Mentor-BoardStation/artwork_1.grb=1"}},
      {"amacro-ref/1.grb", {"amacro-ref/1.grb=1"}},
      {"trailing/cd1r2.1_sieb1.off", {"trailing/cd1r2.1_sieb1.off=23"}},
      {"protel-pnp/SE_SG_IF_V2.GTL", {"protel-pnp/SE_SG_IF_V2.GTL"}},
      {"thermal/bpB.GP1", {"thermal/bpB.GP1"}},
      {"hellboard/hellboard.back.gbr", {"hellboard/hellboard.back.gbr"}},
      {"hellboard/hellboard.front.gbr", {"hellboard/hellboard.front.gbr"}},
      {"hellboard, whole board (6 files)",
       {"hellboard/hellboard.back.gbr=0", "hellboard/hellboard.fab.gbr=18", "hellboard/hellboard.front.gbr=1",
        "hellboard/hellboard.group1.gbr=2", "hellboard/hellboard.group2.gbr=4",
        "hellboard/hellboard.plated-drill.cnc"}},
      {"protel-pnp, whole board (11 files)",
       {"protel-pnp/SE_SG_IF_V2.GBL", "protel-pnp/SE_SG_IF_V2.GBO", "protel-pnp/SE_SG_IF_V2.GBS",
        "protel-pnp/SE_SG_IF_V2.GD1", "protel-pnp/SE_SG_IF_V2.GG1", "protel-pnp/SE_SG_IF_V2.GM1",
        "protel-pnp/SE_SG_IF_V2.GM2=19", "protel-pnp/SE_SG_IF_V2.GTL", "protel-pnp/SE_SG_IF_V2.GTO",
        "protel-pnp/SE_SG_IF_V2.GTS", "protel-pnp/SE_SG_IF_V2.TXT"}},
      {"ekf2, whole board (19 files)",
       {"ekf2/l0.grb=1", "ekf2/l1.grb=2", "ekf2/l2.grb=4", "ekf2/l3.grb=5", "ekf2/l4.grb=6",
        "ekf2/l5.grb=0", "ekf2/gnd.grb=7", "ekf2/pow.grb=8", "ekf2/pow3.grb=9", "ekf2/resplan.grb=19",
        "ekf2/d1.grb=18", "ekf2/sieb0.grb=23", "ekf2/sieb1.grb=22", "ekf2/stp0.grb=21",
        "ekf2/stp1.grb=20", "ekf2/drill0.exc", "ekf2/drill1.exc", "ekf2/drill20.exc", "ekf2/drill30.exc"}},
      {"orcad, whole board (10 files)",
       {"orcad/rs232_cm.asb", "orcad/rs232_cm.ast", "orcad/rs232_cm.bot", "orcad/rs232_cm.drd=19",
        "orcad/rs232_cm.smb=20", "orcad/rs232_cm.smt=21", "orcad/rs232_cm.ssb=22", "orcad/rs232_cm.sst=23",
        "orcad/rs232_cm.top", "orcad/thruhole.tap"}},
  };
  return cases;
}

// The least CPU time of Reps runs, with that run's figures. False when a
// run failed.
bool Best(const std::vector<std::string>& Argv, int Reps, Measured& Out) {
  for (int k = 0; k < Reps; ++k) {
    Measured m;
    if (!RunMeasured(Argv, m) || m.Status != 0) return false;
    if (k == 0 || m.Cpu < Out.Cpu) Out = m;
  }
  return true;
}

// A copy of plothost and its driver with an empty SVG.ini beside it: the
// driver's plain colours, and the import alone in the times (without
// settings of the user's, plothost --cam runs a staged copy of itself with
// its CAM colour set).
bool PrivateHost(const std::string& Plothost, const std::string& Dir, std::string& Copy) {
  const std::string from = Plothost.substr(0, Plothost.rfind('/') + 1);
  const std::string host = Dir + "/host";
  mkdir(host.c_str(), 0700);
  for (const char* name : {"plothost", "svgdrv.so"}) {
    std::ifstream in(from + name, std::ios::binary);
    std::ofstream out(host + "/" + name, std::ios::binary);
    out << in.rdbuf();
    out.close();
    if (!in || !out || chmod((host + "/" + name).c_str(), 0700) != 0) {
      std::fprintf(stderr, "svgdrv_bench: cannot copy %s%s to %s\n", from.c_str(), name, host.c_str());
      return false;
    }
  }
  std::ofstream(host + "/SVG.ini");
  Copy = host + "/plothost";
  return true;
}

// Where npm installed tracespace's packages and node runs: the node
// version, else empty.
std::string NodeVersion(const std::string& Npm) {
  if (access((Npm + "/node_modules/gerber-to-svg/package.json").c_str(), R_OK) != 0 ||
      access((Npm + "/node_modules/pcb-stackup/package.json").c_str(), R_OK) != 0)
    return "";
  std::FILE* p = popen("node --version 2>/dev/null", "r");
  if (p == nullptr) return "";
  char line[64] = "";
  const bool got = std::fgets(line, sizeof line, p) != nullptr;
  if (pclose(p) != 0 || !got) return "";
  std::string v = line;
  while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
  return v;
}

long KiB(long Bytes) { return Bytes < 0 ? -1 : Bytes / 1024; }

// One row: our figures against a peer's, and each ratio as the peer's over
// ours (above 1: ours is faster, leaner, smaller).
void Row(const char* Name, const char* Peer, const Measured& M, long OursBytes, const Measured& N,
         long PeerBytes) {
  std::printf("| %s | %s | %.3f | %.3f | %.1f | %.1f | %.1f | %.1f | %ld | %ld | %.2f |\n", Name, Peer, M.Cpu,
              N.Cpu, N.Cpu / (M.Cpu > 0 ? M.Cpu : 1e-3), M.RssMiB, N.RssMiB,
              N.RssMiB / (M.RssMiB > 0 ? M.RssMiB : 1e-3), KiB(OursBytes), KiB(PeerBytes),
              OursBytes > 0 ? static_cast<double>(PeerBytes) / OursBytes : 0.0);
  std::fflush(stdout);
}

}  // namespace

int RunCamVsGerbv(const std::string& Plothost, const std::string& Examples, const std::string& Npm,
                  const std::string& Scripts, int Reps) {
  if (access((Examples + "/hellboard").c_str(), R_OK) != 0) {
    std::fprintf(stderr, "svgdrv_bench: no gerbv examples in %s (Debian package gerbv)\n", Examples.c_str());
    return 1;
  }
  std::string dir, plothost;
  if (!ScratchDir("cam", dir) || !PrivateHost(Plothost, dir, plothost)) return 1;
  const std::string ours = dir + "/ours.svg", theirs = dir + "/gerbv.svg", views = dir + "/views.svg";
  const std::string ts = dir + "/ts", stackup = dir + "/stackup";
  const std::string node = NodeVersion(Npm);
  const char* missing = "not installed |||||||||";
  if (!node.empty()) {
    mkdir(ts.c_str(), 0700);
    mkdir(stackup.c_str(), 0700);
    // The scripts find the packages there; gerbv and plothost ignore it.
    setenv("NODE_PATH", (Npm + "/node_modules").c_str(), 1);
  }
  std::printf("\nplothost --cam (%s) against gerbv -x svg, and on whole boards against tracespace's\n"
              "gerber-to-svg and pcb-stackup (ours: --view both); least CPU time (user + system, every\n"
              "thread) of %d runs of the whole process each; ratios: the peer's figure over ours\n",
              Plothost.c_str(), Reps);
  if (node.empty())
    std::printf("gerber-to-svg and pcb-stackup: not installed (no node on PATH, or not both in %s:\n"
                "scripts/install-deps.sh native puts them there)\n",
                Npm.c_str());
  else
    std::printf("gerber-to-svg and pcb-stackup: %s, node %s\n", Npm.c_str(), node.c_str());
  std::printf("| example | peer | ours s | peer s | faster | ours MiB | peer MiB | peer/ours MiB "
              "| ours SVG KiB | peer SVG KiB | peer/ours size |\n"
              "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  int status = 0;
  for (const Case& c : Cases()) {
    std::vector<std::string> a{plothost, "-q", "--cam", "-o", ours}, g{"gerbv", "-x", "svg", "-o", theirs};
    // The views: the same files and layers, both sides in one document.
    std::vector<std::string> v{plothost, "-q", "--cam", "--view", "both", "-o", views};
    std::vector<std::string> t{"node", Scripts + "/tracespace-svg.js", ts};
    std::vector<std::string> p{"node", Scripts + "/stackup-svg.js", stackup};
    std::vector<std::string> files, tsOut;  // files: plothost's, each placed where it says
    for (const std::string& f : c.Files) {
      const size_t eq = f.find('=');
      const std::string path = Examples + "/" + f.substr(0, eq);
      if (eq != std::string::npos) files.insert(files.end(), {"--layer", path + "=" + f.substr(eq + 1)});
      files.push_back(path);
      g.push_back(path);
      t.push_back(path);
      p.push_back(eq == std::string::npos ? path : path + f.substr(eq));  // the script knows host layers
      tsOut.push_back(ts + path.substr(path.rfind('/')) + ".svg");
    }
    a.insert(a.end(), files.begin(), files.end());
    v.insert(v.end(), files.begin(), files.end());
    Measured m;
    if (!Best(a, Reps, m)) {
      std::printf("| %s | | plothost failed |||||||||\n", c.Name);
      status = 1;
      continue;
    }
    const long oursBytes = FileSize(ours);
    Measured n;
    if (Best(g, Reps, n))
      Row(c.Name, "gerbv", m, oursBytes, n, FileSize(theirs));
    else
      std::printf("| %s | gerbv | %.3f | gerbv failed ||||||||\n", c.Name, m.Cpu);
    if (c.Files.size() < 2) continue;
    if (node.empty()) {
      std::printf("| %s | gerber-to-svg | %s\n| %s | pcb-stackup | %s\n", c.Name, missing, c.Name, missing);
      continue;
    }
    if (Best(t, Reps, n)) {
      long bytes = 0;
      for (const std::string& f : tsOut) bytes += FileSize(f);
      Row(c.Name, "gerber-to-svg", m, oursBytes, n, bytes);
    } else {
      std::printf("| %s | gerber-to-svg | %.3f | gerber-to-svg failed ||||||||\n", c.Name, m.Cpu);
    }
    for (const std::string& f : tsOut) unlink(f.c_str());
    Measured w;
    if (!Best(v, Reps, w)) {
      std::printf("| %s | pcb-stackup | plothost --view both failed |||||||||\n", c.Name);
      status = 1;
    } else if (Best(p, Reps, n)) {
      Row(c.Name, "pcb-stackup (ours: --view both)", w, FileSize(views), n,
          FileSize(stackup + "/top.svg") + FileSize(stackup + "/bottom.svg"));
    } else {
      std::printf("| %s | pcb-stackup | %.3f | pcb-stackup failed ||||||||\n", c.Name, w.Cpu);
    }
    unlink((stackup + "/top.svg").c_str());
    unlink((stackup + "/bottom.svg").c_str());
  }
  for (const std::string& f : {ours, theirs, views}) unlink(f.c_str());
  rmdir(ts.c_str());
  rmdir(stackup.c_str());
  for (const char* name : {"/host/plothost", "/host/svgdrv.so", "/host/SVG.ini"}) unlink((dir + name).c_str());
  rmdir((dir + "/host").c_str());
  rmdir(dir.c_str());
  return status;
}
