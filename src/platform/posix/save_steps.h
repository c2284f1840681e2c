// The steps of a settings save on POSIX, so that a test can stop a save at
// each of them as a crash would, and check what it leaves behind.
#pragma once

enum class Save_step {
  temporary_created,  // an empty temporary file beside the target
  temporary_written,  // the new text in it, not yet synced or given the old mode
  temporary_synced,   // complete and on the disk, under its temporary name
  renamed,            // in place of the target, the directory not yet synced
};

// Called at each step when set; null in Vorlix itself.
extern void (*Save_step_reached)(Save_step step);
