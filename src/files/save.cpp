#include "files/save.h"

#include "text/temporary_name.h"

Outcome Save_through(Save_system& system, const std::string& path, const std::string& text) {
  std::string target;
  if (Outcome found = system.Find_target(path, target); !found.ok()) return found;
  system.Remove_leftovers(target);
  std::string temporary;
  Outcome saved;
  for (int tries = 0; tries < 8; ++tries) {
    temporary = Temporary_name(target);
    bool taken = false;
    saved = system.Create(temporary, taken);
    if (saved.ok() || !taken) break;
  }
  if (!saved.ok()) return saved;
  // The contents reach the disk before the name does, so that a crash cannot
  // leave an empty file in place of the old one. The temporary stays held
  // until its name is gone, so that no other save takes it for a leftover.
  saved = system.Write(text);
  if (saved.ok()) saved = system.Sync();
  if (saved.ok()) saved = system.Rename(temporary, target);
  system.Close(temporary, !saved.ok());
  if (saved.ok()) system.Done(target);
  return saved;
}
