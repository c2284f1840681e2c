// A program run on a real terminal: a tmux server of the test's own, keys sent
// as a user types them, the screen read back as the user sees it.
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.h"

inline std::string Shell_word(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline bool Have(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

class Tmux_session {
 public:
  // Runs `command` through /bin/sh in `dir`, on a 200 by 50 terminal; the
  // server's socket lives in `socket_dir`.
  Tmux_session(const std::string& socket_dir, const std::string& dir, const std::string& command)
      : tmux_("env -u TMUX tmux -f /dev/null -S " + Shell_word(socket_dir + "/tmux") + " ") {
    started_ = Tmux("new-session -d -s main -x 200 -y 50 -c " + Shell_word(dir) + " /bin/sh -c " +
                    Shell_word(command)) == 0;
  }
  ~Tmux_session() { Tmux("kill-server 2>/dev/null"); }
  Tmux_session(const Tmux_session&) = delete;
  Tmux_session& operator=(const Tmux_session&) = delete;

  bool Started() const { return started_; }
  // Keys by tmux's names: "Enter", "Tab", "Left", "BSpace", "C-d", ...
  void Keys(const std::string& keys) { Tmux("send-keys -t main " + keys); }
  // Text typed as it is, one key at a time.
  void Type(const std::string& text) { Tmux("send-keys -t main -l " + Shell_word(text)); }
  // Text pasted at once, line breaks arriving as Enter does.
  void Paste(const std::string& text) {
    Tmux("set-buffer " + Shell_word(text));
    Tmux("paste-buffer -t main");
  }
  // The visible screen, without trailing blanks at line ends and at the end.
  std::string Screen() {
    std::string out;
    for (const std::string& line : Lines(Output_of(tmux_ + "capture-pane -p -t main 2>/dev/null")))
      out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    return out.erase(out.find_last_not_of('\n') + 1);
  }
  // The name of the program in the terminal's foreground.
  std::string Foreground() {
    std::string name = Output_of(tmux_ + "display-message -p -t main '#{pane_current_command}'");
    return name.erase(name.find_last_not_of('\n') + 1);
  }
  // The title the program gave its terminal.
  std::string Title() {
    std::string title = Output_of(tmux_ + "display-message -p -t main '#{pane_title}'");
    return title.erase(title.find_last_not_of('\n') + 1);
  }
  // Waits up to ten seconds for the screen to read `expected` and a program
  // to read keys one by one (the terminal's line input off), so that what is
  // sent next is not taken and echoed by the terminal's own line input first.
  // Returns what the screen read last.
  std::string Await(const std::string& expected) {
    return Await_screen([&](const std::string& screen) { return screen == expected; });
  }
  // The same for a screen that holds `text` anywhere.
  std::string Await_containing(const std::string& text) {
    return Await_screen(
        [&](const std::string& screen) { return screen.find(text) != std::string::npos; });
  }

 private:
  std::string Await_screen(const std::function<bool(const std::string&)>& wanted) {
    std::string screen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (wanted(screen = Screen()) &&
          Output_of("stty -a -F " + Shell_word(Pane_tty()) + " 2>/dev/null").find("-icanon") !=
              std::string::npos)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return screen;
  }
  const std::string& Pane_tty() {
    if (tty_.empty()) {
      tty_ = Output_of(tmux_ + "display-message -p -t main '#{pane_tty}'");
      tty_.erase(tty_.find_last_not_of('\n') + 1);
    }
    return tty_;
  }
  int Tmux(const std::string& args) { return std::system((tmux_ + args).c_str()); }
  static std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = s.find('\n', start)) != std::string::npos) {
      lines.push_back(s.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  std::string tmux_;
  std::string tty_;
  bool started_ = false;
};
