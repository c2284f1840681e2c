// The user's own places for settings: the config folder of the XDG
// convention, and programs found on PATH.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/posix/internal.h"

std::string Config_directory() {
  // Only absolute values count; a relative one is to be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/vorlix";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/vorlix";
  return "";
}

std::string Program_on_path(const std::string& name) {
  const std::string found = Find_on_path(name);
  // An empty item of PATH is the working directory: said in full all the same.
  if (found.empty() || found[0] == '/') return found;
  const std::string here = Current_directory();
  return here.empty() ? "" : here + "/" + found;
}
