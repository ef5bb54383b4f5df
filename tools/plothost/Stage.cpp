// Stage.cpp: plothost --settings FILE, by a staged copy of plothost (see
// Stage.h).
#include "Stage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

#include "Driver.h"
#include "SettingsCheck.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <csignal>
#  include <spawn.h>
#  include <sys/stat.h>
#  include <sys/wait.h>
#  include <unistd.h>
extern char** environ;
#endif

namespace {

int Fail(const std::string& What, int Status) {
  std::fprintf(stderr, "plothost: %s\n", What.c_str());
  return Status;
}

// The settings text with every line of the key Record made a comment: a
// replay must not record, least of all over the journal it reads.
std::string WithoutRecord(const std::string& Text) {
  std::string out;
  size_t pos = 0;
  while (pos < Text.size()) {
    size_t end = Text.find('\n', pos);
    end = end == std::string::npos ? Text.size() : end + 1;
    const std::string_view line(Text.data() + pos, end - pos);
    size_t i = pos == 0 && line.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t eq = line.find('=', i);
    if (eq != std::string_view::npos) {
      size_t k = eq;
      while (k > i && (line[k - 1] == ' ' || line[k - 1] == '\t')) --k;
      std::string key(line.substr(i, k - i));
      for (char& c : key) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
      if (key == "record") out += ';';
    }
    out += line;
    pos = end;
  }
  return out;
}

#if defined(_WIN32)

std::wstring Wide(const std::string& S) {
  if (S.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), w.data(), n);
  return w;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quote(const std::wstring& A) {
  if (!A.empty() && A.find_first_of(L" \t\n\v\"") == std::wstring::npos) return A;
  std::wstring q = L"\"";
  for (size_t i = 0;; ++i) {
    size_t slashes = 0;
    while (i < A.size() && A[i] == L'\\') ++i, ++slashes;
    if (i == A.size()) {
      q.append(slashes * 2, L'\\');
      break;
    }
    q.append(A[i] == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    q += A[i];
  }
  return q + L"\"";
}

BOOL WINAPI HoldCtrl(DWORD Event) { return Event == CTRL_C_EVENT || Event == CTRL_BREAK_EVENT; }

int Run(const std::vector<std::string>& Args, const std::string& Settings) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD t = GetTempPathW(MAX_PATH + 1, temp);
  if (t == 0 || t > MAX_PATH) return Fail("--settings: no temporary folder", 1);
  std::wstring dir;
  for (unsigned n = 0;; ++n) {
    dir = std::wstring(temp) + L"plothost-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(n);
    if (CreateDirectoryW(dir.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS || n > 1000) {
      return Fail("--settings: cannot make a temporary folder", 1);
    }
  }
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  const std::wstring exe = dir + L"\\plothost.exe", ini = dir + L"\\SVG.ini";
  const std::wstring driver = Wide(DefaultDriverPath());
  const std::wstring driverCopy = dir + L"\\" + driver.substr(driver.find_last_of(L"\\/:") + 1);
  int status = 1;
  // A copy, not a hard link: no name of a running program's file can be
  // removed, and plothost runs on while its copy's folder is cleared.
  bool staged = CopyFileW(self.c_str(), exe.c_str(), FALSE) != 0;
  CopyFileW(driver.c_str(), driverCopy.c_str(), FALSE);  // a --driver needs none
  if (FILE* f = _wfopen(ini.c_str(), L"wb")) {
    staged = std::fwrite(Settings.data(), 1, Settings.size(), f) == Settings.size() && staged;
    staged = std::fclose(f) == 0 && staged;
  } else {
    staged = false;
  }
  if (!staged) {
    Fail("--settings: cannot stage plothost in a temporary folder", 1);
  } else {
    std::wstring line = Quote(exe);
    for (const std::string& a : Args) line += L" " + Quote(Wide(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError}) {
      SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    PROCESS_INFORMATION pi{};
    std::fflush(stdout);
    // Ctrl-C and Ctrl-Break reach the copy as well, which ends as they
    // say; plothost waits for it and removes the folder.
    SetConsoleCtrlHandler(&HoldCtrl, TRUE);
    if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &si, &pi)) {
      WaitForSingleObject(pi.hProcess, INFINITE);
      DWORD code = 1;
      GetExitCodeProcess(pi.hProcess, &code);
      status = static_cast<int>(code);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    } else {
      Fail("--settings: cannot run the staged plothost", 1);
    }
  }
  SetConsoleCtrlHandler(&HoldCtrl, FALSE);
  DeleteFileW(exe.c_str());
  DeleteFileW(driverCopy.c_str());
  DeleteFileW(ini.c_str());
  RemoveDirectoryW(dir.c_str());
  return status;
}

#else

// A hard link where From and the folder share a file system (no bytes
// copied: plothost and its driver are a megabyte, a view's run some
// milliseconds), else a copy.
bool CopyTo(const std::string& From, const std::string& To, mode_t Mode) {
  // The file itself: /proc/self/exe, and a driver reached by a symbolic
  // link (whose target may be relative to its own folder), resolved.
  char* real = realpath(From.c_str(), nullptr);
  const bool linked = real != nullptr && link(real, To.c_str()) == 0;
  std::free(real);
  if (linked) return true;
  std::ifstream in(From, std::ios::binary);
  if (!in) return false;
  std::ofstream out(To, std::ios::binary);
  out << in.rdbuf();
  out.close();
  return out.good() && chmod(To.c_str(), Mode) == 0;
}

// A signal that would end plothost while the copy runs is held until the
// folder is gone: it is passed on to the copy, and once the copy has ended
// and the folder is removed, plothost ends as the signal would.
volatile sig_atomic_t Pending = 0;
volatile pid_t Child = 0;

void OnSignal(int Sig) {
  Pending = Sig;
  if (Child > 0) kill(Child, Sig);
}

constexpr int HeldSignals[] = {SIGINT, SIGTERM, SIGHUP};

int Run(const std::vector<std::string>& Args, const std::string& Settings) {
  struct sigaction held{}, before[3];
  held.sa_handler = &OnSignal;
  sigemptyset(&held.sa_mask);
  for (int k = 0; k < 3; ++k) {
    sigaction(HeldSignals[k], nullptr, &before[k]);
    // A signal ignored by whoever started plothost stays ignored.
    if (before[k].sa_handler != SIG_IGN) sigaction(HeldSignals[k], &held, nullptr);
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/plothost-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    return Fail("--settings: cannot make a temporary folder: " + std::string(std::strerror(errno)), 1);
  }
  const std::string dir = pattern, exe = dir + "/plothost", ini = dir + "/SVG.ini";
  const std::string driver = DefaultDriverPath();
  const std::string driverCopy = dir + "/" + driver.substr(driver.rfind('/') + 1);
  std::ofstream(ini, std::ios::binary) << Settings;
  CopyTo(driver, driverCopy, 0600);  // a --driver needs none
  int status = 1;
  struct stat st;
  if (!CopyTo("/proc/self/exe", exe, 0700) || stat(ini.c_str(), &st) != 0 ||
      st.st_size != static_cast<off_t>(Settings.size())) {
    Fail("--settings: cannot stage plothost in " + dir, 1);
  } else if (Pending == 0) {
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    pid_t pid;
    int wait = 0;
    // The copy starts with the signals' dispositions plothost was given.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int k = 0; k < 3; ++k) {
      if (before[k].sa_handler != SIG_IGN) sigaddset(&defaults, HeldSignals[k]);
    }
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    const int err = posix_spawn(&pid, exe.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (err != 0) {
      Fail("--settings: cannot run the staged plothost: " + std::string(std::strerror(err)), 1);
    } else {
      Child = pid;
      if (Pending != 0) kill(pid, Pending);  // came while the copy was starting
      pid_t got;
      while ((got = waitpid(pid, &wait, 0)) < 0 && errno == EINTR) {
      }
      Child = 0;
      if (got == pid && WIFEXITED(wait)) status = WEXITSTATUS(wait);
      if (got == pid && WIFSIGNALED(wait) && Pending == 0) {
        for (int sig : HeldSignals) {
          if (WTERMSIG(wait) == sig) Pending = sig;  // a signal sent to the copy alone
        }
      }
    }
  }
  unlink(exe.c_str());
  unlink(driverCopy.c_str());
  unlink(ini.c_str());
  rmdir(dir.c_str());
  for (int k = 0; k < 3; ++k) sigaction(HeldSignals[k], &before[k], nullptr);
  if (Pending != 0) {
    std::fflush(stdout);
    signal(Pending, SIG_DFL);
    raise(Pending);
  }
  return status;
}

#endif

}  // namespace

int RunWithSettings(int Argc, char** Argv, int SkipAt, int SkipCount, const std::string& File) {
  std::string text;
  FILE* f = std::fopen(File.c_str(), "rb");
  if (f == nullptr) return Fail(File + ": cannot open: " + std::strerror(errno), 2);
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return Fail(File + ": cannot read the settings file", 2);
  std::vector<std::string> args;
  for (int i = 1; i < Argc; ++i) {
    if (i < SkipAt || i >= SkipAt + SkipCount) args.emplace_back(Argv[i]);
  }
  // The copy names the user's file in its messages (a UTF-16 file is
  // staged as it is: a line of ours would break it).
  const bool utf16 = text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                                          (text[0] == '\xFE' && text[1] == '\xFF'));
  return Run(args, utf16 ? text : StagedMarker(File) + WithoutRecord(text));
}

int RunWithSettingsText(int Argc, char** Argv, const std::string& Text) {
  return Run(std::vector<std::string>(Argv + 1, Argv + Argc), StagedMarker(CamColorSetName) + Text);
}
