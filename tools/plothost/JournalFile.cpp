// JournalFile.cpp: opening and reading the journal.
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
  return true;
}

int64_t ReadJournal(void* Context, char* Buf, size_t Max) {
  JournalFile& j = *static_cast<JournalFile*>(Context);
  const int64_t n = ReadSome(j.Fd, Buf, Max);
  if (n < 0) j.FailText = LastError();
  return n;
}

void CloseJournal(JournalFile& J) {
  if (J.Owned && J.Fd >= 0) CloseFd(J.Fd);
  J.Fd = -1;
}
