// Files.h: the few file operations plothost needs, the same on Linux and
// Windows: files created exclusively under fresh names, whole writes, and
// whether two names are one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Creates a new file named Prefix + six random characters + Suffix,
// exclusively: never an existing file, never through a symbolic link; its
// mode comes from the umask. DeleteOnClose: a scratch file, opened for
// reading and writing, that disappears when closed (or when the process
// ends). Returns the descriptor, or -1 with a message in Error, which
// names Shown when given (the name the user gave, not the made-up one).
int CreateUnique(const std::string& Prefix, const std::string& Suffix, bool DeleteOnClose,
                 std::string& Made, std::string& Error, const std::string* Shown = nullptr);

// The folder for scratch files (TMPDIR, TEMP, /tmp), with its separator.
std::string ScratchFolder();

bool WriteAll(int Fd, const char* Buf, size_t Count);
int64_t ReadSome(int Fd, char* Buf, size_t Max);  // -1 on failure
bool SeekTo(int Fd, int64_t Offset);
int64_t Tell(int Fd);  // -1: not seekable
bool IsRegularFd(int Fd);
void CloseFd(int Fd);

// Whether Path names the file open as Fd, under whatever name or link.
bool SameFile(int Fd, const std::string& Path);

// Whether two names are one file (by identity, under whatever name or link),
// or would be once created: for outputs that must not replace an input or
// each other. A character device (/dev/null) is never taken as one file.
bool SameFileNames(const std::string& A, const std::string& B);

// Whether Path names something that exists.
bool FileExists(const std::string& Path);

// The last failure of a system call, as text.
std::string LastError();
#if defined(_WIN32)
// The system's text for a Windows error code.
std::string WindowsErrorText(unsigned long Code);
#endif
