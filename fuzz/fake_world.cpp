#include "fake_world.h"

World Make_world(const std::string& input) {
  World w;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    w.lines.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  if (w.lines.empty()) return w;
  w.decisions = w.lines[0];
  w.next_line = 1;
  if (!w.decisions.empty() && w.decisions[0] == '#') {
    w.decisions.erase(0, 1);
    std::string text;
    for (int i = 0; i < 3 && w.next_line < w.lines.size(); ++i)
      text += (i > 0 ? "\n" : "") + w.lines[w.next_line++];
    w.files[Settings_name] = text;
  }
  if (!w.decisions.empty() && w.decisions[0] == '@') {
    w.decisions.erase(0, 1);
    // An argument is a C string: it ends at its first NUL.
    if (w.next_line < w.lines.size()) w.arguments.push_back(w.lines[w.next_line++].c_str());
  }
  return w;
}

std::string Next_line(World& w) {
  if (w.next_line >= w.lines.size()) throw End_of_input{};
  return w.lines[w.next_line++];
}

unsigned char Decide(World& w) {
  if (w.next_decision >= w.decisions.size()) return 0;
  return static_cast<unsigned char>(w.decisions[w.next_decision++]);
}

bool Exists(World& w, const std::string& path) {
  // What no file system has: the empty path and a NUL inside one.
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  if (w.files.count(path) != 0) return true;
  const auto known = w.regular.find(path);
  if (known != w.regular.end()) return known->second;
  return w.regular[path] = (Decide(w) & 1) != 0;
}

int Compile_in(World& w, const std::string& epath) {
  switch (Decide(w) % 4) {
    case 0: w.regular[epath] = true; return 0;
    case 1: return 0;
    case 2: return 1;
    default: return 128 + 9;
  }
}

bool Start_in(World& w) { return (Decide(w) & 1) != 0; }
