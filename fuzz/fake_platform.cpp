// platform.h for the fuzzer: Vorlix in a World (fake_world.h) instead of an
// operating system. Nothing sleeps and nothing runs: each program Vorlix would
// start is recorded as the words it would get, and the world answers for it.
// Screen output is what the POSIX terminal gets, so that the dialogue can be
// compared byte for byte.
#include <cstdio>

#include "fake_platform.h"
#include "text/command_line.h"
#include "platform/platform.h"
#include "text/text_lines.h"

World WORLD;

namespace {

void Out(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

}  // namespace

void Console_init() {}

// The screen is standard output; standard error is no part of the dialogue.
void Write_text(Stream to, const std::string& text) {
  if (to == Stream::out) {
    Out(text);
    std::fflush(stdout);
  }
}

void Set_title(const std::string&) {}

void Clear_screen() { Out("\x1b[H\x1b[2J"); }

void Pause(const std::string& prompt) { Out(prompt + "\n"); }

bool Read_input_line(std::string& line, std::size_t keep, Line_kind) {
  line = Next_line(WORLD);
  if (line.size() > keep) line.resize(keep);
  return true;
}

std::size_t Max_path_bytes() { return Fake_max_path; }

bool Is_regular_file(const std::string& path) { return Exists(WORLD, path); }

// The dialogue never compares times; where asked, the world decides.
bool Is_newer(const std::string&, const std::string&) { return (Decide(WORLD) & 1) != 0; }

void Sleep_until(std::chrono::steady_clock::time_point) {}

Program_run Compile(const std::string& com_path, const std::string& com_settings,
                    const std::string& epath, const std::string& fpath, const std::string&) {
  WORLD.calls.push_back(Posix_compile_arguments(com_path, com_settings, epath, fpath));
  Program_run run;
  run.status = Compile_in(WORLD, epath);
  if (run.status > 128) run.end = Program_run::End::signal;
  return run;
}

// The world has no cache folder, so the precompiled-header cache stays off
// and nothing runs in the background.
namespace {
Failure No_cache() { return Failure{Failure::Kind::none, 0, "no cache in this world"}; }
}  // namespace

Outcome Compile_quietly(const std::string&, const std::string&, const std::vector<std::string>&,
                        const std::string&, Quiet_compile&) {
  return No_cache();
}

Outcome Run_in_background(const std::vector<std::string>&) { return No_cache(); }

std::string Cache_directory() { return ""; }

Outcome Make_private_directory(const std::string&) { return No_cache(); }

Outcome Is_private(const std::string&) { return No_cache(); }

Outcome File_stamp(const std::string&, std::string&) { return No_cache(); }

Outcome Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath) {
  WORLD.calls.push_back({"start", pauser, fpath, epath});
  if (Start_in(WORLD)) return {};
  return Failure{Failure::Kind::none, 0, "not in this world"};
}

Program_run Run_and_wait(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> words = {"run", program};
  words.insert(words.end(), args.begin(), args.end());
  WORLD.calls.push_back(words);
  Program_run run;
  run.outcome = Failure{Failure::Kind::none, 0, "not in this world"};
  return run;
}

std::vector<std::string> Program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

Outcome Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                        std::vector<std::string>& lines) {
  const auto file = WORLD.files.find(path);
  lines = Cut_lines(file == WORLD.files.end() ? "" : file->second, keep);
  if (file == WORLD.files.end()) return {};  // nothing there: every line empty
  return {};
}

// No settings are found beyond the working directory, and no g++ on PATH.
std::string Program_on_path(const std::string&) { return ""; }
bool Only_user_can_change(const std::string&) { return false; }

Outcome Save_text_file(const std::string& path, const std::string& text) {
  WORLD.files[path] = text;
  return {};
}

// The receiver's files live in the world's file system; the world has no
// network, so `vorlix --receive` cannot listen in it.
Outcome Read_file(const std::string& path, std::string& bytes, std::size_t limit) {
  const auto file = WORLD.files.find(path);
  bytes.clear();
  if (file == WORLD.files.end() || file->second.size() > limit) return Failure{Failure::Kind::none, 0, "no such file"};
  bytes = file->second;
  return {};
}

Outcome Replace_file(const std::string& path, const std::string& bytes) {
  WORLD.files[path] = bytes;
  return {};
}

Outcome Create_file(const std::string& path, const std::string& bytes, bool& exists) {
  exists = Exists(WORLD, path);
  if (exists) return Failure{Failure::Kind::none, 0, "exists"};
  WORLD.files[path] = bytes;
  return {};
}

bool Path_exists(const std::string& path) { return Exists(WORLD, path); }

Outcome Make_directories(const std::string&) { return {}; }

std::string Config_directory() { return ""; }

Outcome Listen_on_loopback(unsigned, Socket& listener, bool& port_in_use) {
  listener = No_socket;
  port_in_use = false;
  return Failure{Failure::Kind::none, 0, "no network in this world"};
}

Outcome Wait_for_socket(Socket, int, Socket_wait& result) {
  result = Socket_wait::interrupted;
  return {};
}

Outcome Accept_connection(Socket, Socket& connection) {
  connection = No_socket;
  return Failure{Failure::Kind::none, 0, "no network in this world"};
}

Outcome Receive_bytes(Socket, std::string&, std::size_t, bool& ended) {
  ended = true;
  return {};
}

Outcome Send_bytes(Socket, const std::string&) { return {}; }

void Close_socket(Socket) {}

// The contest forms take two arguments or more, which the world never gives:
// their files and runs fail as on a system that has none.
namespace {
Failure Absent() { return Failure{Failure::Kind::none, 0, "not in the fuzzed world"}; }
}  // namespace
Outcome List_directory(const std::string&, std::vector<std::string>&) { return Absent(); }
Outcome Make_scratch_directory(std::string&) { return Absent(); }
Outcome Remove_tree(const std::string&) { return Absent(); }
bool Is_terminal(Stream) { return false; }
void Catch_interrupts() {}
bool Interrupted() { return false; }
int Interrupted_exit_status() { return 130; }
Outcome Run_limited(const Limited_run_request&, Limited_run&) { return Absent(); }
