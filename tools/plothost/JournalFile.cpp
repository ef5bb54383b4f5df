// JournalFile.cpp: the journal's two readings.
#include "JournalFile.h"

#include <cerrno>

#include "Files.h"

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#else
#  include <fcntl.h>
#  include <unistd.h>
#endif

bool OpenJournal(const std::string& Path, JournalFile& J, std::string& Error) {
  if (Path == "-") {
    J.Name = "<stdin>";
    J.Fd = 0;
#if defined(_WIN32)
    _setmode(0, _O_BINARY);
#endif
  } else {
    J.Name = Path;
#if defined(_WIN32)
    J.Fd = _open(Path.c_str(), _O_RDONLY | _O_BINARY);
#else
    J.Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
    if (J.Fd < 0) {
      Error = J.Name + ": cannot open: " + LastError();
      return false;
    }
    J.Owned = true;
  }
  if (IsRegularFd(J.Fd)) {
    J.Start = Tell(J.Fd);
    return true;
  }
  J.SpoolFd = CreateUnique(ScratchFolder() + "plothost-", ".jnl", true, J.SpoolName, Error);
  if (J.SpoolFd < 0) {
    Error = "cannot keep a copy of " + J.Name + " to replay: " + Error;
    return false;
  }
  return true;
}

int64_t ReadJournal(void* Context, char* Buf, size_t Max) {
  JournalFile& j = *static_cast<JournalFile*>(Context);
  if (j.Replaying && j.SpoolFd >= 0) return ReadSome(j.SpoolFd, Buf, Max);
  const int64_t n = ReadSome(j.Fd, Buf, Max);
  if (n < 0) {
    j.FailText = LastError();
    return -1;
  }
  if (n > 0 && j.SpoolFd >= 0 && !WriteAll(j.SpoolFd, Buf, static_cast<size_t>(n))) {
    j.SpoolFailed = true;
    j.FailText = LastError();
    return -1;
  }
  return n;
}

bool RewindJournal(JournalFile& J, std::string& Error) {
  J.Replaying = true;
  const bool ok = J.SpoolFd >= 0 ? SeekTo(J.SpoolFd, 0) : SeekTo(J.Fd, J.Start);
  if (!ok) Error = "cannot read " + J.Name + " again: " + LastError();
  return ok;
}

void CloseJournal(JournalFile& J) {
  if (J.SpoolFd >= 0) CloseFd(J.SpoolFd);
  if (J.Owned && J.Fd >= 0) CloseFd(J.Fd);
  J.SpoolFd = J.Fd = -1;
}
