// The save's rules, the same on every system, written once: the leftovers of
// killed saves removed, a temporary file beside the target (a new name for
// each try), the text written and on the disk before the temporary takes the
// target's name, and the temporary deleted when any step fails. Each system
// gives the steps themselves (posix/files.cpp, windows/files.cpp), and its
// Save_text_file is Save_through its own. No system call here.
#pragma once

#include <string>

#include "platform/platform.h"  // Outcome: a plain type

// One save's steps on a system. A failed step says why.
class Save_system {
 public:
  virtual ~Save_system() = default;
  // The file that a save at `path` replaces (POSIX: through the links the
  // kernel would follow), noting what is there now; fails when no file may
  // take its place.
  virtual Outcome Find_target(const std::string& path, std::string& target) = 0;
  // Removes what killed saves left beside `target`, but not a save's that
  // runs now.
  virtual void Remove_leftovers(const std::string& target) = 0;
  // Creates `temporary`, a file that was not there, for this save alone and
  // with the final file's permissions. `taken` when the name was someone
  // else's: another name is tried.
  virtual Outcome Create(const std::string& temporary, bool& taken) = 0;
  // Writes `text` into the temporary, its line breaks this system's way, with
  // what the user set on the old file.
  virtual Outcome Write(const std::string& text) = 0;
  // Puts the temporary's data on the disk.
  virtual Outcome Sync() = 0;
  // The temporary takes the target's name, in one step.
  virtual Outcome Rename(const std::string& temporary, const std::string& target) = 0;
  // Lets go of the temporary; deletes it first when the save `failed`.
  virtual void Close(const std::string& temporary, bool failed) = 0;
  // After a save that stands (POSIX: the directory synced; Windows: the file
  // hidden).
  virtual void Done(const std::string& target) = 0;
};

// Replaces the file at `path` with `text` through `system`'s steps, as
// Save_text_file describes.
Outcome Save_through(Save_system& system, const std::string& path, const std::string& text);
