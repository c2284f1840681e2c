// The steps of a settings save on POSIX, so that a test can stop a save at
// each of them as a crash would, and check what it leaves behind; and the
// moment a load has checked the file and not yet opened it, at which a test
// changes what is there, as another program could.
#pragma once

#include <sys/types.h>

#include <string>

enum class Save_step {
  temporary_created,  // an empty temporary file beside the target
  temporary_written,  // the new text in it, not yet synced or given the old mode
  temporary_synced,   // complete and on the disk, under its temporary name
  renamed,            // in place of the target, the directory not yet synced
};

// Called at each step when set; null in Vorlix itself.
extern void (*Save_step_reached)(Save_step step);

// The calls whose failure a save must survive or report, so that a test can
// make them fail as some file systems do; the system's own in Vorlix itself.
struct Save_system_calls {
  int (*fchmod)(int fd, mode_t mode);
  int (*fsync)(int fd);
};
extern Save_system_calls Save_calls;

// Called, when set, with the file a load is about to open, after the links
// have been checked; null in Vorlix itself.
extern void (*Load_opening)(const std::string& path);
