#include "text/terminal_emulators.h"

#include <cstring>

const std::vector<Terminal_emulator>& Terminal_emulators() {
  // Emulators that hand the window to a server (gnome-terminal, xfce4-terminal,
  // mate-terminal, konsole's running instance) would start it in the server's
  // directory; they are told ours. A title or directory may begin with "-",
  // so an option takes its value in the same word ("=") wherever the emulator
  // allows it; the others (X toolkit options) take the next word whatever it is.
  static const std::vector<Terminal_emulator> table = {
      {"x-terminal-emulator", "-T", "", "-e"},  // Debian's choice; -T and -e by its policy
      {"gnome-terminal", "--title=", "--working-directory=", "--"},
      {"konsole", "", "--workdir=", "-e"},
      {"xfce4-terminal", "--title=", "--working-directory=", "-x"},
      {"mate-terminal", "--title=", "--working-directory=", "-x"},
      {"terminator", "--title=", "--working-directory=", "-x"},
      {"kitty", "--title=", "--directory=", ""},
      {"alacritty", "--title=", "--working-directory=", "-e"},
      {"foot", "--title=", "--working-directory=", ""},
      {"urxvt", "-title", "-cd", "-e"},
      {"xterm", "-T", "", "-e"},
  };
  return table;
}

Terminal_emulator Terminal_emulator_for(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  for (const auto& row : Terminal_emulators())
    if (name == row.name) return row;
  return {"", "", "", "-e"};
}

namespace {

void Add_option(std::vector<std::string>& args, const char* option, const std::string& value) {
  if (*option == '\0' || value.empty()) return;
  const std::size_t n = std::strlen(option);
  if (option[n - 1] == '=')
    args.push_back(option + value);
  else
    args.insert(args.end(), {option, value});
}

}  // namespace

std::vector<std::string> Terminal_arguments(const Terminal_emulator& row, const std::string& program,
                                            const std::string& title, const std::string& directory,
                                            const std::vector<std::string>& command) {
  std::vector<std::string> args = {program};
  Add_option(args, row.title, title);
  Add_option(args, row.directory, directory);
  if (*row.command != '\0') args.push_back(row.command);
  args.insert(args.end(), command.begin(), command.end());
  return args;
}
