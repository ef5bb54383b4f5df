// CamVsGerbv.cpp: plothost --cam against gerbv -x svg on gerbv's own
// example boards: the largest single files and whole boards, each run a few
// times in turn; the least CPU time of each, its peak memory, and the size
// of the SVG each writes.
#include "CamVsGerbv.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "Scaling.h"

namespace {

struct Case {
  const char* Name;
  // Files under the examples folder; "FILE=N" places a file whose name
  // tells plothost nothing (gerbv needs no layers).
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
       {"hellboard/hellboard.back.gbr", "hellboard/hellboard.fab.gbr", "hellboard/hellboard.front.gbr",
        "hellboard/hellboard.group1.gbr", "hellboard/hellboard.group2.gbr",
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

}  // namespace

int RunCamVsGerbv(const std::string& Plothost, const std::string& Examples, int Reps) {
  if (access((Examples + "/hellboard").c_str(), R_OK) != 0) {
    std::fprintf(stderr, "svgdrv_bench: no gerbv examples in %s (Debian package gerbv)\n", Examples.c_str());
    return 1;
  }
  std::string dir, plothost;
  if (!ScratchDir("cam", dir) || !PrivateHost(Plothost, dir, plothost)) return 1;
  const std::string ours = dir + "/ours.svg", theirs = dir + "/gerbv.svg";
  std::printf("\nplothost --cam against gerbv -x svg, %s; least CPU time (user + system) of %d runs each\n",
              Plothost.c_str(), Reps);
  std::printf("| example | ours s | gerbv s | faster | ours MiB | gerbv MiB | ours SVG KiB | gerbv SVG KiB |\n"
              "|---|---:|---:|---:|---:|---:|---:|---:|\n");
  int status = 0;
  for (const Case& c : Cases()) {
    std::vector<std::string> a{plothost, "-q", "--cam", "-o", ours}, g{"gerbv", "-x", "svg", "-o", theirs};
    for (const std::string& f : c.Files) {
      const size_t eq = f.find('=');
      const std::string path = Examples + "/" + f.substr(0, eq);
      if (eq != std::string::npos) a.insert(a.end(), {"--layer", path + "=" + f.substr(eq + 1)});
      a.push_back(path);
      g.push_back(path);
    }
    Measured m, n;
    if (!Best(a, Reps, m)) {
      std::printf("| %s | plothost failed |||||||\n", c.Name);
      status = 1;
      continue;
    }
    if (!Best(g, Reps, n)) {
      std::printf("| %s | %.3f | gerbv failed ||||||\n", c.Name, m.Cpu);
      continue;
    }
    std::printf("| %s | %.3f | %.3f | %.1f | %.1f | %.1f | %ld | %ld |\n", c.Name, m.Cpu, n.Cpu,
                n.Cpu / (m.Cpu > 0 ? m.Cpu : 1e-3), m.RssMiB, n.RssMiB, FileSize(ours) / 1024,
                FileSize(theirs) / 1024);
    std::fflush(stdout);
  }
  unlink(ours.c_str());
  unlink(theirs.c_str());
  for (const char* name : {"/host/plothost", "/host/svgdrv.so", "/host/SVG.ini"}) unlink((dir + name).c_str());
  rmdir((dir + "/host").c_str());
  rmdir(dir.c_str());
  return status;
}
