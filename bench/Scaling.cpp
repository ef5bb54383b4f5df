// Scaling.cpp: the scaling check. plothost replays a generated mixed journal
// from a file into an output file, as a user runs it; its CPU time and peak
// resident memory come from the kernel's accounting of the child (wait4).
#include "Scaling.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A fixed linear congruential sequence, so every run writes the same journal.
struct TRandom {
  uint64_t State;
};

uint32_t Next(TRandom& R, uint32_t Bound) {
  R.State = R.State * 6364136223846793005u + 1442695040888963407u;
  return static_cast<uint32_t>((R.State >> 33) % Bound);
}

constexpr int32_t Extent = 2000000;  // plot area 0..Extent in both axes
constexpr int BlockElements = 10000; // a layer change after so many elements
constexpr int Layers[] = {1, 2, 0, 3, 20, 5, 12, 24};

double Seconds(const timeval& T) { return static_cast<double>(T.tv_sec) + T.tv_usec * 1e-6; }

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

}  // namespace

bool RunMeasured(const std::vector<std::string>& Argv, Measured& M) {
  std::vector<char*> argv;
  for (const std::string& a : Argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const double start = Now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO), dup2(null, STDERR_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int wstatus = 0;
  rusage use{};
  if (pid < 0 || wait4(pid, &wstatus, 0, &use) != pid) return false;
  M.Wall = Now() - start;
  M.Cpu = Seconds(use.ru_utime) + Seconds(use.ru_stime);
  M.RssMiB = use.ru_maxrss / 1024.0;  // ru_maxrss is in KiB
  M.Status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return true;
}

long FileSize(const std::string& Path) {
  struct stat st;
  return stat(Path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

void WriteMixedJournal(std::FILE* Out, long Elements) {
  std::fprintf(Out, "# Mixed journal of %ld drawing calls for the scaling check.\n", Elements);
  // Track widths, pads of every outline, drills.
  std::fputs("Aperture 1 0 20 20\nAperture 2 0 60 60\nAperture 3 0 150 150\n"
             "Aperture 10 0 120 120\nAperture 11 0 160 80\nAperture 12 1 140 100\n"
             "Aperture 13 4 80 30\nAperture 20 0 40 40\nAperture 21 0 70 70\n",
             Out);
  // Layer 2 takes a hue-wheel colour, so its pads take the wheel's path.
  std::fputs("SetParamValue 2 6\n", Out);
  std::fprintf(Out, "OpenEquip 0 0 %d %d\n", Extent, Extent);
  TRandom r{12345};
  for (long done = 0, block = 0; done < Elements; ++block) {
    const int layer = Layers[block % (sizeof Layers / sizeof Layers[0])];
    std::fprintf(Out, "OpenLayer %d\n", layer);
    for (int i = 0; i < BlockElements && done < Elements; ++i, ++done) {
      const int32_t x = static_cast<int32_t>(Next(r, Extent));
      const int32_t y = static_cast<int32_t>(Next(r, Extent));
      const uint32_t kind = layer == 24 ? 99 : Next(r, 100);
      if (kind < 50) {  // tracks, mostly short
        std::fprintf(Out, "DrawLine %d %d %d %d %u\n", x, y, x + static_cast<int32_t>(Next(r, 20000)),
                     y + static_cast<int32_t>(Next(r, 20000)), 1 + Next(r, 3));
      } else if (kind < 60) {  // arcs: three quarters in four, else full circles
        const int32_t radius = 100 + static_cast<int32_t>(Next(r, 50000));
        const uint32_t q = Next(r, 5);
        if (q < 4) {
          std::fprintf(Out, "DrawArc %d %d %d %u %u %u\n", x, y, radius, q * 90, q * 90 + 90,
                       1 + Next(r, 3));
        } else {
          std::fprintf(Out, "DrawArc %d %d %d 0 360 %u\n", x, y, radius, 1 + Next(r, 3));
        }
      } else if (kind < 90) {  // pads of every outline
        std::fprintf(Out, "FlashPad %d %d %u\n", x, y, 10 + Next(r, 4));
      } else {
        std::fprintf(Out, "DrillHole %d %d %u\n", x, y, 20 + Next(r, 2));
      }
    }
  }
  std::fputs("CloseEquip\n", Out);
}

bool ScratchDir(const char* Name, std::string& Dir) {
  const char* tmp = std::getenv("TMPDIR");
  Dir = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/svgdrv-" + Name + "-XXXXXX";
  if (mkdtemp(Dir.data()) != nullptr) return true;
  std::perror("svgdrv_bench: cannot make a temporary directory");
  return false;
}

int RunScaling(const std::string& Plothost, const std::vector<long>& Sizes) {
  std::string dir;
  if (!ScratchDir("scaling", dir)) return 1;
  const std::string journal = dir + "/mixed.jnl", output = dir + "/mixed.svg";
  std::printf("\nScaling: %s, mixed journal from a file to a file\n", Plothost.c_str());
  std::printf("| elements | journal MiB | output MiB | CPU ns/element | wall ns/element | peak RSS MiB |\n"
              "|---:|---:|---:|---:|---:|---:|\n");
  int status = 0;
  for (const long n : Sizes) {
    std::FILE* f = std::fopen(journal.c_str(), "w");
    if (f == nullptr) {
      std::perror(journal.c_str());
      status = 1;
      break;
    }
    WriteMixedJournal(f, n);
    if (std::fclose(f) != 0) {
      std::perror(journal.c_str());
      status = 1;
      break;
    }
    Measured m;
    if (!RunMeasured({Plothost, "-o", output, journal}, m)) {
      std::perror("svgdrv_bench: cannot run plothost");
      status = 1;
      break;
    }
    if (m.Status != 0) {
      std::fprintf(stderr, "svgdrv_bench: plothost failed on %ld elements (status %d)\n", n, m.Status);
      status = 1;
      break;
    }
    const double cpu = m.Cpu, wall = m.Wall;
    const double mib = 1024.0 * 1024.0;
    std::printf("| %ld | %.1f | %.1f | %.0f | %.0f | %.1f |\n", n, FileSize(journal) / mib,
                FileSize(output) / mib, cpu * 1e9 / n, wall * 1e9 / n,
                m.RssMiB);
    std::fflush(stdout);
    unlink(output.c_str());
  }
  unlink(journal.c_str());
  unlink(output.c_str());
  rmdir(dir.c_str());
  return status;
}
