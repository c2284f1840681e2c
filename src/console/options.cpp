#include "console/options.h"

#include "platform/platform.h"

std::string Version_line(const std::string& name) { return name + " " VORLIX_VERSION "\n"; }

bool Answer_option(const std::vector<std::string>& arguments, const std::string& name,
                   const std::string& usage) {
  if (arguments.size() < 2) return false;
  std::string answer;
  if (arguments[1] == "--help") answer = usage;
  if (arguments[1] == "--version") answer = Version_line(name);
  if (answer.empty()) return false;
  Console_init();  // the console must take UTF-8 before the usage is written
  Write_text(Stream::out, answer);
  return true;
}
