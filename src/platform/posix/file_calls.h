// The system calls that the POSIX save and load make where a failure or a
// crash matters, as a table (ninja's DiskInterface is the model): the
// platform.h functions pass the system's own, and a test of the seam passes
// its own, to fail a call as some file systems do, to stop a save at a step as
// a crash would, or to change the file under a load between its check and its
// open. Nothing in Vorlix sets a hook; there is none.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

class File_calls {
 public:
  virtual ~File_calls() = default;
  // Opens the temporary (O_CREAT) or the file a load reads.
  virtual int Open(const char* path, int flags, mode_t mode) { return open(path, flags, mode); }
  virtual ssize_t Write(int fd, const void* data, std::size_t size) { return write(fd, data, size); }
  virtual int Fchmod(int fd, mode_t mode) { return fchmod(fd, mode); }
  // The temporary's, then its directory's.
  virtual int Fsync(int fd) { return fsync(fd); }
  virtual int Rename(const char* from, const char* to) { return std::rename(from, to); }
};

// Save_text_file and Read_text_lines through `calls`.
Outcome Save_text_file(File_calls& calls, const std::string& path, const std::string& text);
Outcome Read_text_lines(File_calls& calls, const std::string& path,
                        const std::vector<std::size_t>& keep, std::vector<std::string>& lines);
